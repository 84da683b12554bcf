#pragma once
// The chart's customisation dialog: titles, axis label, grid style, subset labels,
// colours and line types, fonts. It edits a copy; applyTo() writes the result back.
// Pages follow the model's allowPage1 (titles), allowPage2 (axes and grid),
// allowSubsetsPage and allowFontPage flags; the style page (viewing style: colour or
// monochrome) is always there.

#include "chart/chartmodel.h"

#include <QColor>
#include <QDialog>
#include <vector>

class QComboBox;
class QFontComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace quedral {

class CustomizeDialog : public QDialog {
    Q_OBJECT
public:
    explicit CustomizeDialog(const ChartModel& model, QWidget* parent = nullptr);

    void applyTo(ChartModel& model) const;

    // Widgets and setters, so a test can fill the dialog in without a user.
    QLineEdit* mainTitleEdit() const { return m_mainTitle; }
    QLineEdit* subTitleEdit() const { return m_subTitle; }
    QLineEdit* xAxisLabelEdit() const { return m_xAxisLabel; }
    QComboBox* gridStyleBox() const { return m_gridStyle; }
    QComboBox* viewingStyleBox() const { return m_viewingStyle; }
    QTabWidget* pages() const { return m_tabs; }
    void setSubsetColor(int subset, const QColor& color);
    void setSubsetLineType(int subset, int lineType);
    void setSubsetLabel(int subset, const QString& label);
    void setMainTitleFont(const ChartFont& font);

private:
    struct SubsetRow {
        QLineEdit* label = nullptr;
        QPushButton* color = nullptr;
        QComboBox* lineType = nullptr;
        Argb argb = 0;
    };
    struct FontRow {
        QFontComboBox* family = nullptr;
        QSpinBox* size = nullptr;
        ChartFont font;
    };
    void showColor(SubsetRow& row);
    static ChartFont readFont(const FontRow& row);

    QTabWidget* m_tabs = nullptr;
    QLineEdit* m_mainTitle = nullptr;
    QLineEdit* m_subTitle = nullptr;
    QLineEdit* m_xAxisLabel = nullptr;
    QComboBox* m_gridStyle = nullptr;
    QComboBox* m_viewingStyle = nullptr;
    std::vector<SubsetRow> m_subsets;
    FontRow m_titleFont, m_subTitleFont, m_labelFont;
};

// Colour conversions: an alpha of 0 counts as opaque.
QColor toQColor(Argb c);
Argb fromQColor(const QColor& c);

} // namespace quedral
