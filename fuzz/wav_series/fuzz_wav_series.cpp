// The WAV series of a data set as `wav-check` and the player name and cut it: the wave name
// (the 8 header bytes of the image, in any byte values) with its counter, the number of files
// for the set's interval and count, each file's name and segment, where a sample falls, and the
// play line. Input, big-endian: interval (1 byte, as in the image), count (3 bytes, as in the
// image), a file number and a sample index (2 bytes each), a player position (4 bytes); then the
// offset box's text up to the first backslash, then the wave name. Missing bytes count as 0.
#include <cmath>
#include <string>

#include "fuzz/support/fuzzsupport.h"
#include "wav/wavseries.h"

using namespace quedral;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t at = 0;
    const auto number = [&](int bytes) {
        std::int64_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = (v << 8) | (at < size ? data[at++] : 0);
        return v;
    };
    const int interval = static_cast<int>(number(1));
    const int count = static_cast<int>(number(3));
    const int fileNo = static_cast<int>(number(2));
    const int index = static_cast<int>(number(2));
    const std::int64_t positionMs = number(4);
    const std::string tail(reinterpret_cast<const char*>(data) + at, size - at);
    const std::size_t cut = std::min(tail.find('\\'), tail.size());
    const std::string offset = tail.substr(0, std::min<std::size_t>(cut, 16));
    const std::string rest = cut < tail.size() ? tail.substr(cut + 1) : std::string();
    const QString wave = QString::fromLatin1(rest.data(), static_cast<qsizetype>(std::min<std::size_t>(rest.size(), 64)));

    (void)wav::playOffsetMs(QString::fromLatin1(offset.data(), static_cast<qsizetype>(offset.size())));
    if (!wav::namesWaveFile(wave))
        return 0;
    const QString first = wave + QStringLiteral(".WAV");
    const wav::Counter c = wav::counterOf(first);
    if (wav::withCounter(first, c).size() < first.size())
        fuzz::violated("putting the counter back shortened the name");
    const int files = std::max(1, wav::FileCount(interval, count));
    if (files < 0)
        fuzz::violated("a negative file count");
    // The first and the last files of the series, and the one asked for.
    for (int f : {0, 1, files - 1, fileNo}) {
        if (f < 0)
            continue;
        const QString name = wav::seriesFileName(first, f);
        if (name.size() != std::max<qsizetype>(first.size(), 8))
            fuzz::violated("a series name of another length than the first");
        const std::optional<wav::Segment> seg = wav::segmentOf(f, interval, count);
        if (!seg)
            continue;
        (void)wav::projectFolder(QStringLiteral("/base"), name);
        const double startX = seg->start / 86400.0, endX = seg->end / 86400.0;
        const double x = startX + (index % 1800) / 86400.0;
        const double fraction = wav::fractionInSegment(x, startX, endX);
        if (!std::isfinite(fraction))
            fuzz::violated("a play fraction that is not a number");
        const std::int64_t lengthMs = wav::kMaxTrackMs;
        (void)wav::seekMs(lengthMs, std::clamp(fraction, 0.0, 1.0));
        const double line = wav::playLineX(startX, endX, positionMs, lengthMs, endX);
        if (!std::isfinite(line))
            fuzz::violated("a play line that is not a number");
    }
    (void)wav::fileNoAt(interval, index);
    (void)wav::advance(c, fileNo);
    return 0;
}
