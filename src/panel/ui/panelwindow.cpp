#include "panel/ui/panelwindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>

#include "panel/displayrules.h"

namespace quedral {

namespace {

const QColor kSegmentInk(0x1b, 0x21, 0x1c);
const QString kMaxMinHint = QStringLiteral("single click to change MAX/MIN mode, double click  to cancel .");
const QString kWeightingHint = QStringLiteral("Frequency Weighting select button");
const QString kTimeWeightingHint = QStringLiteral("Time weighting select button");

QFont indicatorFont(int pixelSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

// --- PanelKeyArea ----------------------------------------------------------

PanelKeyArea::PanelKeyArea(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void PanelKeyArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = true;
    m_inDoubleClick = false;
    update();
}

void PanelKeyArea::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // Without a listener for double clicks the second press is a plain click.
    if (!isSignalConnected(QMetaMethod::fromSignal(&PanelKeyArea::doubleClicked))) {
        mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_inDoubleClick = true;
    update();
    emit doubleClicked();
}

void PanelKeyArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const bool click = m_pressed && !m_inDoubleClick && rect().contains(event->position().toPoint());
    m_pressed = false;
    m_inDoubleClick = false;
    update();
    if (click)
        emit clicked();
}

void PanelKeyArea::paintEvent(QPaintEvent*)
{
    if (!m_pressed)
        return;
    // a pressed key darkens a little
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 70));
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
}

// --- PanelWindow -------------------------------------------------------------

PanelWindow::PanelWindow(const GlyphTables& glyphs, QWidget* parent)
    : QWidget(parent)
    , m_glyphs(glyphs)
{
    setObjectName(QStringLiteral("frmPanel"));
    setWindowTitle(QStringLiteral("Control Panel"));
    setWindowFlag(Qt::FramelessWindowHint);
    setFixedSize(ClientWidth, ClientHeight);

    // Later children lie on top of earlier ones: picture, LCD content, keys.
    imgPanel = picture(QStringLiteral("imgPanel"), QStringLiteral("PANEL"), 0, 0);
    imgPanel->setAttribute(Qt::WA_OpaquePaintEvent);

    const int digitLeft[4] = {27, 67, 111, 160};
    const int digitTop[4] = {274, 273, 272, 272};
    for (int i = 0; i < 4; ++i) {
        MainD[i] = new QLabel(this);
        MainD[i]->setObjectName(QStringLiteral("MainD%1").arg(i + 1));
        MainD[i]->setGeometry(digitLeft[i], digitTop[i], 39, 70);
        MainD[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    imgPoint = picture(QStringLiteral("imgPoint"), QStringLiteral("POINT"), 147, 328);

    const int smallLeft[8] = {52, 65, 78, 91, 110, 125, 144, 158};
    for (int i = 0; i < 8; ++i) {
        LCDT[i] = new QLabel(this);
        LCDT[i]->setObjectName(QStringLiteral("LCDT%1").arg(i + 1));
        LCDT[i]->setGeometry(smallLeft[i], 226, 13, 22);
        LCDT[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    imgHourMinuteSeparator = picture(QStringLiteral("imgHourMinuteSeparator"), QStringLiteral("SEPARATOR"), 105, 224);
    imgMinuteSecondSeparator = picture(QStringLiteral("imgMinuteSecondSeparator"), QStringLiteral("SEPARATOR"), 138, 225);

    lblRangeLow = label(QStringLiteral("lblRangeLow"), QStringLiteral("30"), 30, 177, 13);
    lblRangeHigh = label(QStringLiteral("lblRangeHigh"), QStringLiteral("130"), 171, 177, 13);
    imgColorBar = picture(QStringLiteral("imgColorBar"), QStringLiteral("COLORBAR"), 33, 194);
    imgColorBar->setAttribute(Qt::WA_OpaquePaintEvent);

    lblFAST = label(QStringLiteral("lblFAST"), QStringLiteral("FAST"), 118, 138, 13);
    lblSLOW = label(QStringLiteral("lblSLOW"), QStringLiteral("SLOW"), 155, 138, 13);
    lblSLOW->hide();
    lbldBA = label(QStringLiteral("lbldBA"), QStringLiteral("dBA"), 154, 249, 16);
    lbldBC = label(QStringLiteral("lbldBC"), QStringLiteral("dBC"), 114, 249, 16);
    lbldBC->hide();
    lblMAX = label(QStringLiteral("lblMAX"), QStringLiteral("MAX"), 124, 158, 13);
    lblMAX->hide();
    lblMIN = label(QStringLiteral("lblMIN"), QStringLiteral("MIN"), 94, 158, 13);
    lblMIN->hide();
    imgUNDER = picture(QStringLiteral("imgUNDER"), QStringLiteral("UNDER"), 33, 158);
    imgUNDER->hide();
    imgOVER = picture(QStringLiteral("imgOVER"), QStringLiteral("OVER"), 161, 158);
    imgOVER->hide();
    lblREC = label(QStringLiteral("lblREC"), QStringLiteral("REC"), 107, 346, 16);
    lblREC->hide();
    lblFULL = label(QStringLiteral("lblFULL"), QStringLiteral("FULL"), 148, 346, 16);
    lblFULL->hide();
    imgBat = picture(QStringLiteral("imgBat"), QStringLiteral("BATTERY"), 29, 137);
    imgAutoOff = picture(QStringLiteral("imgAutoOff"), QStringLiteral("AUTOOFF"), 78, 134);
    imgAutoOff->hide();

    lblNoConnection = new QLabel(QStringLiteral("No Connection"), this);
    lblNoConnection->setObjectName(QStringLiteral("lblNoConnection"));
    {
        // large, but within its 140 pixels whatever sans-serif font the system has
        int size = 18;
        while (size > 10 && QFontMetrics(indicatorFont(size)).horizontalAdvance(lblNoConnection->text()) > 138)
            --size;
        lblNoConnection->setFont(indicatorFont(size));
    }
    lblNoConnection->setAlignment(Qt::AlignCenter);
    {
        QPalette pal = lblNoConnection->palette();
        pal.setColor(QPalette::WindowText, QColor(0xd8, 0x10, 0x10));
        lblNoConnection->setPalette(pal);
    }
    lblNoConnection->setGeometry(52, 279, 140, 24);
    lblNoConnection->hide();

    btnPower = keyArea(QStringLiteral("btnPower"), 43, 393, 48, 25);
    btnAC = keyArea(QStringLiteral("btnAC"), 126, 393, 53, 31);
    btnMaxMin = keyArea(QStringLiteral("btnMaxMin"), 44, 446, 48, 25);
    btnFast = keyArea(QStringLiteral("btnFast"), 129, 442, 49, 31);
    btnREC = keyArea(QStringLiteral("btnREC"), 50, 495, 48, 30);
    btnLevel = keyArea(QStringLiteral("btnLevel"), 129, 495, 49, 30);
    btnMaxMin->setToolTip(kMaxMinHint);
    btnAC->setToolTip(kWeightingHint);
    btnFast->setToolTip(kTimeWeightingHint);

    btnMinimise = keyArea(QStringLiteral("btnMinimise"), 176, 8, 16, 14);
    btnClose = keyArea(QStringLiteral("btnClose"), 198, 8, 16, 14);
    btnMinimise->unsetCursor();
    btnClose->unsetCursor();

    connect(btnREC, &PanelKeyArea::clicked, this, [this] { emit keyClicked('R'); });
    connect(btnLevel, &PanelKeyArea::clicked, this, [this] { emit keyClicked('L'); });
    connect(btnMaxMin, &PanelKeyArea::clicked, this, [this] { emit keyClicked('M'); });
    connect(btnMaxMin, &PanelKeyArea::doubleClicked, this, [this] { emit keyClicked('N'); });
    connect(btnAC, &PanelKeyArea::clicked, this, [this] { emit keyClicked('C'); });
    connect(btnFast, &PanelKeyArea::clicked, this, [this] { emit keyClicked('F'); });
    connect(btnPower, &PanelKeyArea::clicked, this, &PanelWindow::requestClose);
    connect(btnClose, &PanelKeyArea::clicked, this, &PanelWindow::requestClose);
    connect(btnMinimise, &PanelKeyArea::clicked, this, &PanelWindow::requestMinimise);

    // The picture and the LCD digits drag the window.
    imgPanel->installEventFilter(this);
    for (QLabel* d : MainD)
        d->installEventFilter(this);
    for (QLabel* d : LCDT)
        d->installEventFilter(this);
}

PanelWindow::~PanelWindow() = default;

QMdiSubWindow* PanelWindow::addToArea(QMdiArea* area, PanelWindow* panel)
{
    QMdiSubWindow* sub = area->addSubWindow(panel, Qt::SubWindow | Qt::FramelessWindowHint);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(panel->windowTitle());
    sub->setContentsMargins(0, 0, 0, 0);
    sub->resize(ClientWidth, ClientHeight);
    sub->move(0, 0);
    return sub;
}

QLabel* PanelWindow::picture(const QString& objectName, const QString& artwork, int x, int y)
{
    auto* l = new QLabel(this);
    l->setObjectName(objectName);
    const QPixmap pixmap = loadArtwork(artwork);
    l->setPixmap(pixmap);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setGeometry(x, y, pixmap.width(), pixmap.height());
    return l;
}

QLabel* PanelWindow::label(const QString& objectName, const QString& text, int x, int y, int pixelSize)
{
    auto* l = new QLabel(text, this);
    l->setObjectName(objectName);
    l->setFont(indicatorFont(pixelSize));
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, kSegmentInk);
    l->setPalette(pal);
    l->adjustSize();
    l->move(x, y);
    return l;
}

PanelKeyArea* PanelWindow::keyArea(const QString& objectName, int x, int y, int w, int h)
{
    auto* k = new PanelKeyArea(this);
    k->setObjectName(objectName);
    k->setGeometry(x, y, w, h);
    k->setCursor(Qt::PointingHandCursor);
    return k;
}

void PanelWindow::setLevelGlyph(int index, int glyph)
{
    // unchanged digits are not repainted on the twice-a-second updates
    if (glyph < 0 || glyph >= int(m_glyphs.large.size()) || m_levelGlyphs[index] == glyph)
        return;
    m_levelGlyphs[index] = glyph;
    MainD[index]->setPixmap(m_glyphs.large[glyph]);
}

void PanelWindow::setClockGlyph(int index, int glyph)
{
    if (glyph < 0 || glyph >= int(m_glyphs.small.size()))
        return;
    m_clockGlyphs[index] = glyph;
    LCDT[index]->setPixmap(m_glyphs.small[glyph]);
}

void PanelWindow::showReading(const MeterReading& r)
{
    // indicators
    lblREC->setVisible(r.Recording);
    lbldBA->setVisible(r.WeightingA);
    lbldBC->setVisible(!r.WeightingA);
    lblFAST->setVisible(r.Fast);
    lblSLOW->setVisible(!r.Fast);
    imgUNDER->setVisible(r.Under);
    imgOVER->setVisible(r.Over);
    lblFULL->setVisible(r.MemoryFull);

    // clock (LCDT3..LCDT8; LCDT1 and LCDT2 stay empty)
    const panel::ClockUpdate clock =
        panel::clockUpdate(m_clockShown, r.ClockSecond, r.ClockMinute, r.ClockHour);
    for (int i = 0; i < 6; ++i)
        if (clock.digits[i] >= 0)
            setClockGlyph(i + 2, clock.digits[i]);
    m_clockShown = clock.clockShown;

    // level digits
    const int level = DisplayLevel(r);
    const std::array<int, 4> glyphs = panel::levelGlyphs(level);
    for (int i = 0; i < 4; ++i)
        setLevelGlyph(i, glyphs[i]);

    // range labels and level bar (the MAX/MIN labels are the caller's)
    if (const auto range = panel::rangeDisplay(r.RangeCode, level)) {
        lblRangeLow->setText(QString::number(range->lowDb));
        lblRangeLow->adjustSize();
        lblRangeHigh->setText(QString::number(range->highDb));
        lblRangeHigh->adjustSize();
        imgColorBar->resize(range->barWidth, imgColorBar->height());
    }
}

void PanelWindow::showTestPattern()
{
    setLevelGlyph(0, 1);
    for (int i = 1; i < 4; ++i)
        setLevelGlyph(i, 8);
}

void PanelWindow::setConnected(bool connected)
{
    lblNoConnection->setVisible(!connected);
}

void PanelWindow::beginKeyWait()
{
    if (m_keysWaiting++ == 0)
        showKeyWaitCursor(true);
}

void PanelWindow::endKeyWait()
{
    if (m_keysWaiting == 0)
        return;
    if (--m_keysWaiting == 0)
        showKeyWaitCursor(false);
}

void PanelWindow::showKeyWaitCursor(bool waiting)
{
    // The key areas carry cursors of their own; the small buttons and the rest take the panel's.
    if (waiting)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
    for (PanelKeyArea* k : {btnPower, btnAC, btnMaxMin, btnFast, btnREC, btnLevel})
        k->setCursor(waiting ? Qt::WaitCursor : Qt::PointingHandCursor);
}

void PanelWindow::setMaxVisible(bool visible) { lblMAX->setVisible(visible); }
void PanelWindow::setMinVisible(bool visible) { lblMIN->setVisible(visible); }
bool PanelWindow::maxVisible() const { return !lblMAX->isHidden(); }
bool PanelWindow::minVisible() const { return !lblMIN->isHidden(); }

int PanelWindow::levelGlyph(int index) const
{
    return index >= 0 && index < 4 ? m_levelGlyphs[index] : -1;
}

int PanelWindow::clockGlyph(int index) const
{
    return index >= 0 && index < 8 ? m_clockGlyphs[index] : -1;
}

bool PanelWindow::indicatorShown(Indicator which) const
{
    const QWidget* w = nullptr;
    switch (which) {
    case Indicator::REC: w = lblREC; break;
    case Indicator::FULL: w = lblFULL; break;
    case Indicator::dBA: w = lbldBA; break;
    case Indicator::dBC: w = lbldBC; break;
    case Indicator::FAST: w = lblFAST; break;
    case Indicator::SLOW: w = lblSLOW; break;
    case Indicator::UNDER: w = imgUNDER; break;
    case Indicator::OVER: w = imgOVER; break;
    case Indicator::MAX: w = lblMAX; break;
    case Indicator::MIN: w = lblMIN; break;
    case Indicator::NoConnection: w = lblNoConnection; break;
    }
    return w && !w->isHidden();
}

int PanelWindow::colorBarWidth() const { return imgColorBar->width(); }
QString PanelWindow::rangeLowText() const { return lblRangeLow->text(); }
QString PanelWindow::rangeHighText() const { return lblRangeHigh->text(); }

QWidget* PanelWindow::moveTarget()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return isWindow() ? this : nullptr;
}

void PanelWindow::requestClose()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

void PanelWindow::requestMinimise()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->showMinimized();
    else
        showMinimized();
}

void PanelWindow::closeEvent(QCloseEvent* event)
{
    // The MAX/MIN blink runs on this thread and reaches the panel only through the main
    // window's reference, which `closed` clears: a later tick finds no panel and does nothing.
    event->accept();
    if (!m_closedEmitted) {
        m_closedEmitted = true;
        emit closed();
    }
}

bool PanelWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        QWidget* target = moveTarget();
        if (me->button() != Qt::LeftButton || !target)
            break;
        m_dragging = true;
        m_dragStartGlobal = me->globalPosition().toPoint();
        m_dragStartPos = target->pos();
        return true;
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        QWidget* target = moveTarget();
        if (!m_dragging || !target || !(me->buttons() & Qt::LeftButton))
            break;
        target->move(m_dragStartPos + (me->globalPosition().toPoint() - m_dragStartGlobal));
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (m_dragging && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_dragging = false;
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quedral
