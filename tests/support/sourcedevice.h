#pragma once
// A read-only device that makes its bytes as they are read: a head, then a fill byte up to a
// total, then the end or a read error. It counts what it handed out, so a test can show that a
// reader stops early without the bytes ever being in memory at once.
#include <QByteArray>
#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace quedral::test {

class SourceDevice : public QIODevice {
public:
    SourceDevice(QByteArray head, char fill, qint64 total, bool failAtEnd = false)
        : m_head(std::move(head)), m_fill(fill), m_total(total), m_failAtEnd(failAtEnd)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    qint64 served() const { return m_served; }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        if (m_served >= m_total) {
            if (m_failAtEnd) {
                setErrorString(QStringLiteral("Input/output error"));
                return -1;
            }
            return 0;
        }
        const qint64 n = std::min(max, m_total - m_served);
        for (qint64 i = 0; i < n; ++i) {
            const qint64 at = m_served + i;
            data[i] = at < m_head.size() ? m_head[at] : m_fill;
        }
        m_served += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_head;
    char m_fill;
    qint64 m_total;
    bool m_failAtEnd;
    qint64 m_served = 0;
};

} // namespace quedral::test
