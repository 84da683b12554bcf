#include "files/linereader.h"

#include <algorithm>

namespace quedral {

namespace {
constexpr qint64 kChunk = 1 << 20;
}

qsizetype LineReader::nextLineFeed(qsizetype from)
{
    qsizetype lf = m_buffer.indexOf('\n', from);
    while (lf < 0 && !m_atEnd && m_buffer.size() - m_pos <= m_max) {
        m_buffer.remove(0, m_pos);
        from -= m_pos;
        m_pos = 0;
        const qsizetype had = m_buffer.size();
        m_buffer.resize(had + kChunk);
        const qint64 got = m_in.read(m_buffer.data() + had, kChunk);
        m_buffer.resize(had + std::max<qint64>(got, 0));
        if (got < 0 && !m_failed) {
            m_failed = true;
            m_error = m_in.errorString();
        }
        m_atEnd = got <= 0;
        lf = m_buffer.indexOf('\n', std::max(from, had));
    }
    return lf;
}

LineReader::Result LineReader::next(QByteArrayView& line)
{
    const qsizetype lf = nextLineFeed(m_pos);
    if (m_failed)
        return Result::ReadError;
    if (lf < 0 && m_pos >= m_buffer.size())
        return Result::End;
    const qsizetype end = lf >= 0 ? lf : m_buffer.size();
    if (end - m_pos > m_max) {
        // Only the line's start is needed: the rest of the file is not read.
        line = QByteArrayView(m_buffer.constData() + m_pos, m_max);
        m_pos += m_max;
        return Result::Cut;
    }
    line = QByteArrayView(m_buffer.constData() + m_pos, end - m_pos);
    m_pos = lf >= 0 ? lf + 1 : end;
    if (line.endsWith('\r'))
        line.chop(1);
    return Result::Line;
}

bool LineReader::onlyLineEndsFollow()
{
    for (;;) {
        while (m_pos < m_buffer.size() && (m_buffer[m_pos] == '\n' || m_buffer[m_pos] == '\r'))
            ++m_pos;
        if (m_pos < m_buffer.size())
            return false;
        if (m_atEnd || m_failed)
            return !m_failed;
        m_buffer.clear();
        m_pos = 0;
        nextLineFeed(0);
        if (m_failed)
            return false;
    }
}

} // namespace quedral
