#pragma once
#include <QObject>
#include <QPointer>
#include <QString>

#include "shell/helpwindow.h"

namespace quedral {



// Help > Contents: hands the help file to the desktop's opener; where nothing could show it,
// the file is shown in a window of our own.
class HelpCommand : public QObject {
    Q_OBJECT
public:
    // file: empty for KV4471Help.htm beside the executable, else in the installed documentation
    // folder; opener: empty for xdg-open. parent: a widget parent is the help window's owner.
    HelpCommand(QString file, QString opener, QObject* parent = nullptr);

    void show();
    // The file Help > Contents shows (beside the executable when it is in neither place).
    QString helpFile() const;
    // Our own help window, while it is open.
    HelpWindow* window() const { return m_window; }

private:
    // The opener tells by its exit status whether anything could show the file; it runs on
    // its own, so a slow browser start never holds up the windows.
    void open(const QString& file);
    void showInOwnWindow(const QString& file);

    QString m_file;
    QString m_opener;
    QPointer<HelpWindow> m_window;
};

} // namespace quedral
