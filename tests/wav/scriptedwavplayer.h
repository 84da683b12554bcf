#pragma once
// A WavPlayer for tests: opens PCM WAV files (their length from the header), plays nothing,
// and records every call. The test moves the position and can make the player fail. An open
// reports at once, or, with holdReports, when the test releases the report.
#include <QStringList>

#include <deque>
#include <functional>

#include "wav/wavplayer.h"
#include "wavfiles.h"

namespace quedral::test {

class ScriptedWavPlayer final : public wav::WavPlayer {
public:
    void open(const QString& path, OpenReport report) override
    {
        calls << "open " + path.section('/', -1);
        const std::int64_t length = wavLengthMs(path);
        auto settle = [this, path, length, report] {
            m_length = length;
            m_open = m_length >= 0;
            m_position = 0;
            if (m_open)
                openedPath = path;
            report(m_open);
        };
        if (holdReports)
            held.push_back(settle);
        else
            settle();
    }
    // Delivers the oldest report held back (even one a close or a newer open superseded).
    void releaseReport()
    {
        const std::function<void()> settle = held.front();
        held.pop_front();
        settle();
    }
    void close() override { calls << "close"; m_open = false; }
    void play() override { calls << "play"; }
    void pause() override { calls << "pause"; }
    void resume() override { calls << "resume"; }
    void stop() override { calls << "stop"; }
    void seek(std::int64_t ms) override
    {
        calls << QString("seek %1").arg(ms);
        m_position = ms;
    }
    std::optional<std::int64_t> length() const override
    {
        return m_open && !failing ? std::optional(m_length) : std::nullopt;
    }
    std::optional<std::int64_t> position() const override
    {
        return m_open && !failing ? std::optional(m_position) : std::nullopt;
    }

    // The test plays the track forward.
    void setPosition(std::int64_t ms) { m_position = ms; }
    void toEnd() { m_position = m_length; }

    QStringList calls;
    QString openedPath;
    bool failing = false;
    bool holdReports = false;
    std::deque<std::function<void()>> held;

private:
    bool m_open = false;
    std::int64_t m_length = 0;
    std::int64_t m_position = 0;
};

} // namespace quedral::test
