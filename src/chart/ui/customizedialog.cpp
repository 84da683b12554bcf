#include "chart/ui/customizedialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quedral {

QColor toQColor(Argb c)
{
    const int a = argbAlpha(c);
    return QColor(argbRed(c), argbGreen(c), argbBlue(c), a == 0 ? 255 : a);
}

Argb fromQColor(const QColor& c)
{
    return PEargb(c.alpha(), c.red(), c.green(), c.blue());
}

namespace {
const char* const kGridStyles[] = {"Thin", "Thick", "Dot", "Dash", "One pixel"};
const char* const kLineTypes[] = {"Thin solid", "Dash", "Dot", "Dash dot", "Dash dot dot", "Medium solid",
                                  "Thick solid"};
const char* const kViewingStyles[] = {"Colour", "Monochrome", "Monochrome with symbols"};
} // namespace

CustomizeDialog::CustomizeDialog(const ChartModel& model, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Customization"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    layout->addWidget(m_tabs);

    // Titles
    auto* titles = new QWidget;
    auto* tf = new QFormLayout(titles);
    m_mainTitle = new QLineEdit(model.mainTitle);
    m_subTitle = new QLineEdit(model.subTitle);
    tf->addRow(tr("Main title"), m_mainTitle);
    tf->addRow(tr("Subtitle"), m_subTitle);
    if (model.allowPage1)
        m_tabs->addTab(titles, tr("Titles"));
    else
        titles->setParent(this), titles->hide();

    // Axes and grid
    auto* axes = new QWidget;
    auto* af = new QFormLayout(axes);
    m_xAxisLabel = new QLineEdit(model.xAxisLabel);
    m_gridStyle = new QComboBox;
    for (const char* s : kGridStyles)
        m_gridStyle->addItem(tr(s));
    m_gridStyle->setCurrentIndex(std::clamp(model.gridStyle, 0, m_gridStyle->count() - 1));
    af->addRow(tr("X axis label"), m_xAxisLabel);
    af->addRow(tr("Grid"), m_gridStyle);
    if (model.allowPage2)
        m_tabs->addTab(axes, tr("Axes"));
    else
        axes->setParent(this), axes->hide();

    // Subsets
    auto* subs = new QWidget;
    auto* sg = new QGridLayout(subs);
    sg->addWidget(new QLabel(tr("Label")), 0, 0);
    sg->addWidget(new QLabel(tr("Colour")), 0, 1);
    sg->addWidget(new QLabel(tr("Line")), 0, 2);
    const int n = std::max(1, model.subsets());
    m_subsets.resize(static_cast<size_t>(n));
    for (int s = 0; s < n; ++s) {
        SubsetRow& row = m_subsets[static_cast<size_t>(s)];
        row.label = new QLineEdit(model.subsetLabel(s));
        row.color = new QPushButton;
        row.argb = model.subsetColor(s);
        row.lineType = new QComboBox;
        for (const char* t : kLineTypes)
            row.lineType->addItem(tr(t));
        row.lineType->setCurrentIndex(std::clamp(model.subsetLineType(s), 0, row.lineType->count() - 1));
        showColor(row);
        connect(row.color, &QPushButton::clicked, this, [this, s] {
            SubsetRow& r = m_subsets[static_cast<size_t>(s)];
            const QColor c = QColorDialog::getColor(toQColor(r.argb), this);
            if (c.isValid())
                setSubsetColor(s, c);
        });
        sg->addWidget(row.label, s + 1, 0);
        sg->addWidget(row.color, s + 1, 1);
        sg->addWidget(row.lineType, s + 1, 2);
    }
    if (model.allowSubsetsPage)
        m_tabs->addTab(subs, tr("Subsets"));
    else
        subs->setParent(this), subs->hide();

    // Fonts
    auto* fonts = new QWidget;
    auto* ff = new QFormLayout(fonts);
    auto addFont = [&](FontRow& row, const ChartFont& f, const QString& caption) {
        row.font = f;
        row.family = new QFontComboBox;
        if (!f.family.isEmpty())
            row.family->setCurrentFont(QFont(f.family));
        // An empty family means the default font; it changes only when the user picks one.
        connect(row.family, &QFontComboBox::currentFontChanged, this,
                [&row](const QFont& font) { row.font.family = font.family(); });
        row.size = new QSpinBox;
        row.size->setRange(0, 72);
        row.size->setSpecialValueText(tr("Default"));
        row.size->setValue(f.pointSize);
        auto* box = new QWidget;
        auto* h = new QHBoxLayout(box);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(row.family, 1);
        h->addWidget(row.size);
        ff->addRow(caption, box);
    };
    addFont(m_titleFont, model.mainTitleFont, tr("Main title"));
    addFont(m_subTitleFont, model.subTitleFont, tr("Subtitle"));
    addFont(m_labelFont, model.labelFont, tr("Labels"));
    if (model.allowFontPage)
        m_tabs->addTab(fonts, tr("Fonts"));
    else
        fonts->setParent(this), fonts->hide();

    // Style: always there, so the dialog has a page even with the four above turned off (as
    // Print runs it, to choose how the chart is printed).
    auto* style = new QWidget;
    auto* stf = new QFormLayout(style);
    m_viewingStyle = new QComboBox;
    for (const char* s : kViewingStyles)
        m_viewingStyle->addItem(tr(s));
    m_viewingStyle->setCurrentIndex(std::clamp(model.viewingStyle, 0, m_viewingStyle->count() - 1));
    stf->addRow(tr("Viewing style"), m_viewingStyle);
    m_tabs->addTab(style, tr("Style"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CustomizeDialog::showColor(SubsetRow& row)
{
    const QColor c = toQColor(row.argb);
    row.color->setText(c.name());
    row.color->setStyleSheet(QStringLiteral("background-color: %1; color: %2")
                                 .arg(c.name(), c.lightness() < 128 ? QStringLiteral("white") : QStringLiteral("black")));
}

void CustomizeDialog::setSubsetColor(int subset, const QColor& color)
{
    if (subset < 0 || subset >= static_cast<int>(m_subsets.size()))
        return;
    SubsetRow& row = m_subsets[static_cast<size_t>(subset)];
    row.argb = fromQColor(color);
    showColor(row);
}

void CustomizeDialog::setSubsetLineType(int subset, int lineType)
{
    if (subset >= 0 && subset < static_cast<int>(m_subsets.size()))
        m_subsets[static_cast<size_t>(subset)].lineType->setCurrentIndex(lineType);
}

void CustomizeDialog::setSubsetLabel(int subset, const QString& label)
{
    if (subset >= 0 && subset < static_cast<int>(m_subsets.size()))
        m_subsets[static_cast<size_t>(subset)].label->setText(label);
}

void CustomizeDialog::setMainTitleFont(const ChartFont& font)
{
    m_titleFont.font = font;
    if (!font.family.isEmpty())
        m_titleFont.family->setCurrentFont(QFont(font.family));
    m_titleFont.size->setValue(font.pointSize);
}

ChartFont CustomizeDialog::readFont(const FontRow& row)
{
    ChartFont f = row.font;
    f.pointSize = row.size->value();
    return f;
}

void CustomizeDialog::applyTo(ChartModel& model) const
{
    model.mainTitle = m_mainTitle->text();
    model.subTitle = m_subTitle->text();
    model.xAxisLabel = m_xAxisLabel->text();
    model.gridStyle = m_gridStyle->currentIndex();
    model.viewingStyle = m_viewingStyle->currentIndex();
    for (int s = 0; s < static_cast<int>(m_subsets.size()); ++s) {
        const SubsetRow& row = m_subsets[static_cast<size_t>(s)];
        model.setSubsetLabel(s, row.label->text());
        model.setSubsetColor(s, row.argb);
        model.setSubsetLineType(s, row.lineType->currentIndex());
    }
    model.mainTitleFont = readFont(m_titleFont);
    model.subTitleFont = readFont(m_subTitleFont);
    model.labelFont = readFont(m_labelFont);
}

} // namespace quedral
