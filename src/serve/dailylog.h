#pragma once
// The local log: one CSV file per day in a folder, appended whole lines only.
#include <QDate>
#include <QFile>
#include <QString>

namespace quedral {

class DailyLog {
public:
    // Files DIR/SERIAL-YYYY-MM-DD.csv; the serial's characters that cannot be in a file name
    // become "_".
    DailyLog(QString dir, QString serial);

    QString fileFor(const QDate& day) const;
    // Appends the line (ending in a line feed) to the day's file, made with logHeader() when
    // new. The line goes in one write; a write that fails or stops short is taken back, so the
    // file never holds part of a line. False with the reason in *error when the line is not in.
    bool append(const QDate& day, const QString& line, QString* error);
    // Closes the file; the lines written are all in the file already (no buffer).
    void close();

private:
    bool openDay(const QDate& day, QString* error);
    bool writeWhole(const QByteArray& bytes, QString* error);

    QString m_dir;
    QString m_serial;
    QFile m_file;
    QDate m_day;
};

} // namespace quedral
