#pragma once
// Reads a text file line by line within a bound: a line longer than the bound is never read
// whole, so a file without line feeds costs no more memory than one line.
#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

namespace quedral {

class LineReader {
public:
    enum class Result {
        Line,      // a whole line, without its line end
        Cut,       // a line longer than maxLineBytes: its first maxLineBytes bytes
        End,       // nothing more
        ReadError, // the device failed: errorString() says why
    };

    LineReader(QIODevice& in, qsizetype maxLineBytes) : m_in(in), m_max(maxLineBytes) {}

    // The next line in line (valid until the next call). A carriage return before the line
    // feed is dropped from a whole line.
    Result next(QByteArrayView& line);
    // After an empty line: whether only line ends follow up to the end of the file. False
    // when anything else follows, or when the device fails while looking (failed() tells).
    bool onlyLineEndsFollow();

    bool failed() const { return m_failed; }
    QString errorString() const { return m_error; }

private:
    // Reads on until a line feed turns up at or after from, the line from m_pos is longer than
    // the bound, or the device ends; the index of the line feed or -1.
    qsizetype nextLineFeed(qsizetype from);

    QIODevice& m_in;
    const qsizetype m_max;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    bool m_failed = false;
    QString m_error;
};

} // namespace quedral
