#include <gtest/gtest.h>

#include <algorithm>

#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <vector>

#include "panel/ui/panelwindow.h"
#include "resources/artwork.h"

using namespace quedral;
using Ind = PanelWindow::Indicator;

namespace {

const GlyphTables& glyphs()
{
    static const GlyphTables tables = loadGlyphTables();
    return tables;
}

MeterReading sampleReading()
{
    MeterReading r;
    r.WeightingA = true;
    r.Fast = true;
    r.RangeCode = Range::Db70To130;
    r.LevelTenths = 945;
    r.ClockHour = 0x14;
    r.ClockMinute = 0x37;
    r.ClockSecond = 0x52;
    return r;
}

template <typename T>
T* child(PanelWindow& panel, const char* name)
{
    T* w = panel.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

} // namespace

TEST(PanelArtwork, EveryPictureLoadsAtItsSize)
{
    const struct { QString prefix; int count; QSize size; } families[] = {
        {"LCD", 16, {39, 70}},
        {"LCDS", 10, {13, 22}},
    };
    for (const auto& f : families)
        for (int i = 0; i < f.count; ++i) {
            const QPixmap p = loadArtwork(f.prefix + QString::number(i));
            EXPECT_EQ(p.size(), f.size) << (f.prefix + QString::number(i)).toStdString();
        }
    const struct { const char* name; QSize size; } singles[] = {
        {"PANEL", {220, 644}}, {"SEPARATOR", {5, 22}}, {"COLORBAR", {156, 25}}, {"CROSS", {32, 32}},
        {"POINT", {7, 7}}, {"UNDER", {52, 13}}, {"OVER", {40, 13}}, {"BATTERY", {22, 11}},
        {"AUTOOFF", {34, 16}},
    };
    for (const auto& s : singles)
        EXPECT_EQ(loadArtwork(s.name).size(), s.size) << s.name;
    for (const QString& name : artworkNames())
        EXPECT_FALSE(loadArtwork(name).isNull()) << name.toStdString();
    EXPECT_TRUE(loadArtwork("NOSUCHPICTURE").isNull());

    const GlyphTables t = loadGlyphTables();
    for (const QPixmap& p : t.large)
        EXPECT_EQ(p.size(), QSize(39, 70));
    for (const QPixmap& p : t.small)
        EXPECT_EQ(p.size(), QSize(13, 22));
    // the glyphs differ from each other (digits are not all the same picture)
    EXPECT_NE(t.large[1].toImage(), t.large[8].toImage());
    EXPECT_NE(t.small[0].toImage(), t.small[8].toImage());
    EXPECT_EQ(t.large[11].toImage(), t.large[12].toImage());

    const QCursor cross = crossCursor();
    EXPECT_EQ(cross.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(cross.hotSpot(), QPoint(16, 16));
}

TEST(PanelDisplay, NewPanelShowsFastAndDbaAndEmptyDigits)
{
    PanelWindow panel(glyphs());
    EXPECT_EQ(panel.size(), QSize(220, 641));
    EXPECT_TRUE(panel.indicatorShown(Ind::FAST));
    EXPECT_TRUE(panel.indicatorShown(Ind::dBA));
    for (Ind i : {Ind::SLOW, Ind::dBC, Ind::MAX, Ind::MIN, Ind::UNDER, Ind::OVER, Ind::REC, Ind::FULL,
                  Ind::NoConnection})
        EXPECT_FALSE(panel.indicatorShown(i)) << int(i);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(panel.levelGlyph(i), -1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(panel.clockGlyph(i), -1);
    EXPECT_EQ(panel.rangeLowText(), "30");
    EXPECT_EQ(panel.rangeHighText(), "130");
    EXPECT_EQ(panel.colorBarWidth(), 156);

    panel.showTestPattern();
    EXPECT_EQ((std::vector<int>{panel.levelGlyph(0), panel.levelGlyph(1), panel.levelGlyph(2), panel.levelGlyph(3)}),
              (std::vector<int>{1, 8, 8, 8}));
}

TEST(PanelDisplay, IndicatorsFollowTheReadingFlags)
{
    PanelWindow panel(glyphs());
    for (int bits = 0; bits < 64; ++bits) {
        MeterReading r;
        r.Recording = bits & 1;
        r.WeightingA = bits & 2;
        r.Fast = bits & 4;
        r.Under = bits & 8;
        r.Over = bits & 16;
        r.MemoryFull = bits & 32;
        panel.showReading(r);
        EXPECT_EQ(panel.indicatorShown(Ind::REC), r.Recording) << bits;
        EXPECT_EQ(panel.indicatorShown(Ind::dBA), r.WeightingA) << bits;
        EXPECT_EQ(panel.indicatorShown(Ind::dBC), !r.WeightingA) << bits;
        EXPECT_EQ(panel.indicatorShown(Ind::FAST), r.Fast) << bits;
        EXPECT_EQ(panel.indicatorShown(Ind::SLOW), !r.Fast) << bits;
        EXPECT_EQ(panel.indicatorShown(Ind::UNDER), r.Under) << bits;
        EXPECT_EQ(panel.indicatorShown(Ind::OVER), r.Over) << bits;
        EXPECT_EQ(panel.indicatorShown(Ind::FULL), r.MemoryFull) << bits;
    }
}

TEST(PanelDisplay, ReadingSetsDigitsClockAndRange)
{
    PanelWindow panel(glyphs());
    MeterReading r = sampleReading();
    panel.showReading(r);
    EXPECT_EQ(panel.levelGlyph(0), 10);  // blank
    EXPECT_EQ(panel.levelGlyph(1), 9);
    EXPECT_EQ(panel.levelGlyph(2), 4);
    EXPECT_EQ(panel.levelGlyph(3), 5);
    const int clock[8] = {-1, -1, 1, 4, 3, 7, 5, 2};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(panel.clockGlyph(i), clock[i]) << "LCDT" << i + 1;
    EXPECT_EQ(panel.clockShown(), 0x52);
    EXPECT_EQ(panel.rangeLowText(), "70");
    EXPECT_EQ(panel.rangeHighText(), "130");
    EXPECT_EQ(panel.colorBarWidth(), (945 - 700) / 4 + 4);

    // held MAX is what the meter displays
    r.MaxMinActive = true;
    r.MaxMinMode = MaxMin::Max;
    r.MaxTenths = 1400;
    r.RangeCode = Range::Db70To130;
    panel.showReading(r);
    EXPECT_EQ(panel.levelGlyph(0), 1);
    EXPECT_EQ(panel.levelGlyph(1), 4);
    EXPECT_EQ(panel.colorBarWidth(), 179);

    // an unknown range code keeps labels and bar
    r.RangeCode = Range{0x55};
    r.MaxTenths = 800;
    panel.showReading(r);
    EXPECT_EQ(panel.rangeLowText(), "70");
    EXPECT_EQ(panel.colorBarWidth(), 179);
    EXPECT_EQ(panel.levelGlyph(0), 10);

    // far beyond any range: dashes, never a glyph outside the table
    r.MaxTenths = 20000;
    panel.showReading(r);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(panel.levelGlyph(i), 11);
}

TEST(PanelDisplay, ConnectionLabelAndMaxMinLabels)
{
    PanelWindow panel(glyphs());
    panel.setConnected(false);
    EXPECT_TRUE(panel.indicatorShown(Ind::NoConnection));
    panel.setConnected(true);
    EXPECT_FALSE(panel.indicatorShown(Ind::NoConnection));

    panel.setMaxVisible(true);
    EXPECT_TRUE(panel.maxVisible());
    EXPECT_FALSE(panel.minVisible());
    panel.setMinVisible(true);
    panel.setMaxVisible(false);
    EXPECT_FALSE(panel.maxVisible());
    EXPECT_TRUE(panel.minVisible());
    // a reading leaves the MAX/MIN labels to the main window
    panel.showReading(sampleReading());
    EXPECT_TRUE(panel.minVisible());
}

TEST(PanelKeys, KeyAreasEmitTheirLetters)
{
    PanelWindow panel(glyphs());
    panel.show();
    QSignalSpy spy(&panel, &PanelWindow::keyClicked);
    const struct { const char* name; char letter; } keys[] = {
        {"btnREC", 'R'}, {"btnLevel", 'L'}, {"btnMaxMin", 'M'}, {"btnAC", 'C'}, {"btnFast", 'F'},
    };
    for (const auto& k : keys) {
        spy.clear();
        QTest::mouseClick(child<QWidget>(panel, k.name), Qt::LeftButton);
        ASSERT_EQ(spy.count(), 1) << k.name;
        EXPECT_EQ(spy.at(0).at(0).value<char>(), k.letter) << k.name;
    }
    // a right click is no key press
    spy.clear();
    QTest::mouseClick(child<QWidget>(panel, "btnREC"), Qt::RightButton);
    EXPECT_EQ(spy.count(), 0);

    // hints: MAX/MIN, weighting and time weighting keys only
    const struct { const char* name; const char* hint; } hints[] = {
        {"btnMaxMin", "single click to change MAX/MIN mode, double click  to cancel ."},
        {"btnAC", "Frequency Weighting select button"},
        {"btnFast", "Time weighting select button"},
        {"btnREC", ""}, {"btnLevel", ""}, {"btnPower", ""},
    };
    for (const auto& h : hints)
        EXPECT_EQ(child<QWidget>(panel, h.name)->toolTip().toStdString(), h.hint) << h.name;
    EXPECT_EQ(child<QWidget>(panel, "btnREC")->cursor().shape(), Qt::PointingHandCursor);
}

TEST(PanelKeys, WaitCursorWhileAnyKeyWaitsAndTheSmallButtonsKeepTheirs)
{
    PanelWindow panel(glyphs());
    auto cursorOf = [&panel](const char* name) { return child<QWidget>(panel, name)->cursor().shape(); };
    panel.endKeyWait(); // nothing waits: ignored
    panel.beginKeyWait();
    panel.beginKeyWait();
    for (const char* key : {"btnREC", "btnLevel", "btnMaxMin", "btnAC", "btnFast", "btnPower", "btnClose"})
        EXPECT_EQ(cursorOf(key), Qt::WaitCursor) << key;
    panel.endKeyWait();
    EXPECT_TRUE(panel.keyWaitShown()) << "one key still waits";
    EXPECT_EQ(cursorOf("btnREC"), Qt::WaitCursor);
    panel.endKeyWait();
    EXPECT_FALSE(panel.keyWaitShown());
    for (const char* key : {"btnREC", "btnLevel", "btnMaxMin", "btnAC", "btnFast", "btnPower"})
        EXPECT_EQ(cursorOf(key), Qt::PointingHandCursor) << key;
    EXPECT_EQ(cursorOf("btnClose"), Qt::ArrowCursor);
    EXPECT_EQ(panel.cursor().shape(), Qt::ArrowCursor);
}

TEST(PanelKeys, DoubleClickOnMaxMinCancels)
{
    PanelWindow panel(glyphs());
    panel.show();
    QSignalSpy spy(&panel, &PanelWindow::keyClicked);
    QTest::mouseDClick(child<QWidget>(panel, "btnMaxMin"), Qt::LeftButton);
    std::vector<char> letters;
    for (const auto& args : spy)
        letters.push_back(args.at(0).value<char>());
    // the first press of a double click is a click; the second is the cancel
    EXPECT_EQ(std::count(letters.begin(), letters.end(), 'N'), 1);
    EXPECT_LE(std::count(letters.begin(), letters.end(), 'M'), 1);
    ASSERT_FALSE(letters.empty());
    EXPECT_EQ(letters.back(), 'N');
}

TEST(PanelWindow, PowerKeyClosesAtOnce)
{
    QMdiArea area;
    area.resize(800, 700);
    auto* panel = new PanelWindow(glyphs());
    QPointer<QMdiSubWindow> sub = PanelWindow::addToArea(&area, panel);
    area.show();
    EXPECT_EQ(sub->pos(), QPoint(0, 0));
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 220, 641));  // no frame around the face
    EXPECT_EQ(sub->size(), QSize(220, 641));

    QTest::mouseClick(panel->findChild<QWidget*>("btnMinimise"), Qt::LeftButton);
    EXPECT_TRUE(sub->isMinimized());
    sub->showNormal();
    EXPECT_EQ(sub->geometry(), QRect(0, 0, 220, 641));
    area.grab().save(QStringLiteral(QUEDRAL_PANEL_SNAPSHOT).replace("sample", "area"));

    // The close returns at once: no event turns inside it (a timer due now has not run).
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    QSignalSpy closed(panel, &PanelWindow::closed);

    QTest::mouseClick(panel->findChild<QWidget*>("btnPower"), Qt::LeftButton);

    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(timerRan);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sub.isNull());
}

TEST(PanelWindow, ClosingTheSubWindowClosesThePanel)
{
    QMdiArea area;
    auto* panel = new PanelWindow(glyphs());
    QPointer<QMdiSubWindow> sub = PanelWindow::addToArea(&area, panel);
    area.show();
    QSignalSpy closed(panel, &PanelWindow::closed);
    sub->close();
    EXPECT_EQ(closed.count(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sub.isNull());
}

TEST(PanelWindow, DraggingThePictureMovesTheSubWindow)
{
    QMdiArea area;
    area.resize(800, 700);
    auto* panel = new PanelWindow(glyphs());
    QMdiSubWindow* sub = PanelWindow::addToArea(&area, panel);
    area.show();
    for (const char* grip : {"imgPanel", "MainD2", "LCDT5"}) {
        QWidget* w = panel->findChild<QWidget*>(grip);
        ASSERT_NE(w, nullptr) << grip;
        const QPoint start = sub->pos();
        const QPointF local(5, 5);
        const QPointF global = w->mapToGlobal(local);
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
        QMouseEvent move(QEvent::MouseMove, local + QPointF(40, 25), global + QPointF(40, 25), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, local + QPointF(40, 25), global + QPointF(40, 25),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &release);
        EXPECT_EQ(sub->pos(), start + QPoint(40, 25)) << grip;
    }
}

TEST(PanelSnapshot, SampleReadingRendersTheFace)
{
    PanelWindow panel(glyphs());
    MeterReading r = sampleReading();
    r.Recording = true;
    r.LevelTenths = 1056;
    panel.showReading(r);
    panel.setMaxVisible(true);
    const QImage image = panel.grab().toImage();
    EXPECT_EQ(image.size(), QSize(220, 641));
    image.save(QStringLiteral(QUEDRAL_PANEL_SNAPSHOT));

    // the level digits are drawn: the fourth digit's middle segment (a 6) is dark
    const QColor mid = image.pixelColor(160 + 20, 272 + 35);
    EXPECT_LT(mid.lightness(), 80);

    // every other indicator, for a look at the artwork
    r.Recording = false;
    r.WeightingA = false;
    r.Fast = false;
    r.Under = true;
    r.Over = true;
    r.MemoryFull = true;
    r.RangeCode = Range::Db30To130;
    r.ClockSecond = 0x53;
    panel.showReading(r);
    panel.setMaxVisible(false);
    panel.setMinVisible(true);
    panel.setConnected(false);
    panel.grab().save(QStringLiteral(QUEDRAL_PANEL_SNAPSHOT).replace("sample", "indicators"));
}
