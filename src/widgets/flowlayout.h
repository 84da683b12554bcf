#pragma once
#include <QLayout>
#include <QList>

namespace quedral {

// Lays its items out left to right and wraps onto a new line when the width runs out,
// so that a narrow window shows every statistic in full instead of squeezing them.
class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent, int hSpacing = 6, int vSpacing = 2);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    // Puts a widget at a place of the flow (0: first).
    void insertWidget(int index, QWidget* widget);
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return doLayout(QRect(0, 0, width, 0), true); }
    QSize minimumSize() const override;
    QSize sizeHint() const override { return minimumSize(); }
    void setGeometry(const QRect& rect) override;

private:
    int doLayout(const QRect& rect, bool testOnly) const;

    QList<QLayoutItem*> m_items;
    int m_hSpacing;
    int m_vSpacing;
};

} // namespace quedral
