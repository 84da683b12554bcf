#include "serve/dailylog.h"

#include <QDir>

#include "serve/exposition.h"

namespace quedral {

namespace {

QString fileSafe(const QString& serial)
{
    QString s;
    for (const QChar c : serial)
        s += (c.isLetterOrNumber() || c == '-' || c == '.') && c.unicode() < 128 ? c : QChar('_');
    return s.isEmpty() ? QStringLiteral("meter") : s;
}

} // namespace

DailyLog::DailyLog(QString dir, QString serial) : m_dir(std::move(dir)), m_serial(fileSafe(serial)) {}

QString DailyLog::fileFor(const QDate& day) const
{
    return QDir(m_dir).filePath(QStringLiteral("%1-%2.csv").arg(m_serial, day.toString("yyyy-MM-dd")));
}

bool DailyLog::openDay(const QDate& day, QString* error)
{
    if (m_file.isOpen() && m_day == day)
        return true;
    m_file.close();
    m_day = QDate();
    m_file.setFileName(fileFor(day));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(m_file.fileName(), m_file.errorString());
        return false;
    }
    m_day = day;
    if (m_file.size() == 0 && !writeWhole(logHeader().toUtf8(), error)) {
        m_file.close();
        m_day = QDate();
        return false;
    }
    return true;
}

bool DailyLog::writeWhole(const QByteArray& bytes, QString* error)
{
    const qint64 before = m_file.size();
    const qint64 written = m_file.write(bytes);
    if (written == bytes.size())
        return true;
    const QString why = m_file.errorString();
    if (written > 0)
        m_file.resize(before); // take back the part of the line that went in
    if (error)
        *error = QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), why);
    return false;
}

bool DailyLog::append(const QDate& day, const QString& line, QString* error)
{
    if (!openDay(day, error))
        return false;
    if (writeWhole(line.toUtf8(), error))
        return true;
    m_file.close(); // opened again for the next line
    m_day = QDate();
    return false;
}

void DailyLog::close()
{
    m_file.close();
    m_day = QDate();
}

} // namespace quedral
