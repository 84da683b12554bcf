#pragma once
// The help file in a window of our own, for computers where no browser is set up to show it:
// the manual with its pictures, Back, Forward, Contents and a find box.
#include <QWidget>

class QLineEdit;
class QTextBrowser;
class QToolButton;

namespace quedral {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the file (an HTML page; its pictures are found beside it).
    void showFile(const QString& file);
    QTextBrowser& browser() const { return *m_browser; }
    // Finds the find box's text after the cursor, from the top again after the last; false
    // when the page does not hold it.
    bool findNext();

private:
    void showTitle();

    QTextBrowser* m_browser = nullptr;
    QToolButton *m_back = nullptr, *m_forward = nullptr, *m_home = nullptr;
    QLineEdit* m_find = nullptr;
};

} // namespace quedral
