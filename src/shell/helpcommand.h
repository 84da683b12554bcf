#pragma once
#include <QObject>
#include <QString>

namespace quedral {

// Help > Contents: hands the help file to the desktop's opener and says so when nothing
// could show it.
class HelpCommand : public QObject {
    Q_OBJECT
public:
    // file: empty for KV4471Help.htm beside the executable; opener: empty for xdg-open.
    HelpCommand(QString file, QString opener, QObject* parent = nullptr);

    void show();
    QString helpFile() const;

private:
    // The opener tells by its exit status whether anything could show the file; it runs on
    // its own, so a slow browser start never holds up the windows.
    void open(const QString& file);

    QString m_file;
    QString m_opener;
};

} // namespace quedral
