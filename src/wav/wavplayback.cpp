#include "wav/wavplayback.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>

#include "wav/wavplayer.h"

namespace quedral::wav {

namespace {
const QString kNoInterval = QStringLiteral("The data set has no recording interval: its WAV files cannot be played.");

// Makes c the record's counter; the path of the series file it names.
QString takeCounter(WavPlaybackRecord& r, Counter c)
{
    r.CounterHigh = c.counterHigh;
    r.CounterLow = c.counterLow;
    return QDir(QDir::fromNativeSeparators(r.Folder)).filePath(withCounter(r.FirstName, c));
}
} // namespace

WavPlayback::WavPlayback(WavPlayer& player, PlaybackView& view, PlaybackFlags flags, QObject* parent)
    : QObject(parent), m_player(player), m_view(view), m_flags(flags)
{
    m_timer.setInterval(kTimerMs);
    connect(&m_timer, &QTimer::timeout, this, &WavPlayback::timerTick);
}

void WavPlayback::disableAll() { m_view.setPlayerButtons(false, false, false); }

void WavPlayback::openFile(const QString& path, std::function<void()> then)
{
    m_flags.playing = false;
    const unsigned openNo = ++m_opens == 0 ? ++m_opens : m_opens;
    m_pendingOpen = openNo;
    const QPointer<WavPlayback> self(this);
    m_player.open(path, [self, openNo, then = std::move(then)](bool opened) {
        if (!self || self->m_pendingOpen != openNo)
            return;
        self->m_pendingOpen = 0;
        self->m_flags.playing = opened;
        if (!opened)
            self->disableAll();
        else if (then)
            then();
    });
}

void WavPlayback::reopen(const QString& path, std::function<void()> then)
{
    m_player.stop();
    m_player.close();
    openFile(path, std::move(then));
}

void WavPlayback::openSeries(const QString& path, int interval, int count)
{
    openFile(path, [this, path, interval, count] {
        m_view.setPlayerButtons(true, false, false);
        WavPlaybackRecord& r = m_record;
        const QFileInfo info(path);
        r.Folder = QDir::toNativeSeparators(info.absolutePath() + '/');
        r.FirstName = info.fileName();
        takeCounter(r, counterOf(r.FirstName));
        r.Interval = static_cast<std::uint16_t>(interval);
        r.FileCount = static_cast<std::uint16_t>(FileCount(interval, count));
        r.FileNo = r.OpenFileNo = 0;
        emit seriesOpened(path);
    });
}

bool WavPlayback::takeSegment(int fileNo)
{
    WavPlaybackRecord& r = m_record;
    const int points = m_view.points();
    const std::optional<Segment> seg = segmentOf(fileNo, r.Interval, points);
    if (!seg) {
        m_view.reportError(kNoInterval);
        return false;
    }
    const int last = std::max(points - 1, 0);
    r.SegmentStartX = m_view.xAt(std::min(seg->start, last));
    r.SegmentEndX = m_view.xAt(std::min(seg->end, last));
    return true;
}

void WavPlayback::playClick()
{
    if (!m_flags.playing)
        return;
    WavPlaybackRecord& r = m_record;
    if (m_flags.paused) {
        m_flags.paused = false;
        m_player.resume();
        m_timer.start();
        m_view.setPlayerButtons(false, true, true);
        return;
    }
    const int index = m_view.playLineIndex();
    const std::optional<int> fileNo = fileNoAt(r.Interval, index);
    if (!fileNo) {
        m_view.reportError(kNoInterval);
        return;
    }
    r.FileNo = static_cast<std::uint16_t>(*fileNo);
    if (r.FileNo != r.OpenFileNo) {
        const QString path = takeCounter(r, advance(counterOf(r.FirstName), r.FileNo));
        r.OpenFileNo = r.FileNo;
        reopen(path, [this, index] { startAt(index); });
        return;
    }
    startAt(index);
}

void WavPlayback::startAt(int index)
{
    WavPlaybackRecord& r = m_record;
    if (!takeSegment(r.FileNo))
        return;
    const double fraction = fractionInSegment(m_view.xAt(index), r.SegmentStartX, r.SegmentEndX);
    const std::int64_t length = m_player.length().value_or(0);
    m_player.seek(seekMs(length, fraction));
    m_player.play();
    m_view.setPlayerButtons(false, true, true);
    m_timer.start();
}

void WavPlayback::pauseClick()
{
    m_timer.stop();
    m_player.pause();
    m_view.setPlayerButtons(true, true, true);
    m_flags.paused = true;
}

void WavPlayback::stopClick()
{
    dropPendingOpen();
    m_timer.stop();
    m_player.stop();
    m_view.setPlayerButtons(true, false, false);
    m_flags.paused = false;
}

void WavPlayback::dataSetChanged()
{
    dropPendingOpen();
    m_timer.stop();
    if (m_flags.playing)
        m_player.stop();
    disableAll();
    m_flags.paused = false;
}

void WavPlayback::timerTick()
{
    if (!m_flags.playing)
        return;
    const std::optional<std::int64_t> length = m_player.length();
    const std::optional<std::int64_t> position = m_player.position();
    if (!length || !position) {
        m_flags.playing = false;
        disableAll();
        return;
    }
    WavPlaybackRecord& r = m_record;
    const int points = m_view.points();
    const double lastX = points > 0 ? m_view.xAt(points - 1) : 0.0;
    const double x = playLineX(r.SegmentStartX, r.SegmentEndX, *position, *length, lastX);
    m_view.setPlayLine(x + msToDays(playOffsetMs(m_view.playOffsetText())), x);

    if (*position == *length)
        playNextFile();
    m_view.refresh();
}

void WavPlayback::playNextFile()
{
    WavPlaybackRecord& r = m_record;
    if (r.FileNo + 1 >= r.FileCount) {
        m_timer.stop();
        m_player.stop();
        m_view.setPlayerButtons(true, false, false);
        m_view.setPlayLineIndex(0);
        return;
    }
    ++r.FileNo;
    const QString next = takeCounter(r, advance(Counter{r.CounterHigh, r.CounterLow}));
    if (!QFileInfo::exists(next)) {
        m_timer.stop();
        m_player.stop();
        disableAll();
        m_view.setPlayLineIndex(0);
        return;
    }
    reopen(next, [this] {
        ++m_record.OpenFileNo;
        if (takeSegment(m_record.FileNo)) {
            m_player.seek(0);
            m_player.play();
        }
    });
}

} // namespace quedral::wav
