#include "wav/wavseries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

#include "base/filewrite.h"

namespace quedral::wav {

bool stepCounterChar(char& c)
{
    switch (c) {
    case '9':
        c = 'A';
        return false;
    case 'Z':
    case 'z':
        c = '0';
        return true;
    default:
        ++c;
        return false;
    }
}

Counter advance(Counter c, int times)
{
    for (int i = 0; i < times; ++i)
        if (stepCounterChar(c.counterLow))
            stepCounterChar(c.counterHigh);
    return c;
}

Counter counterOf(const QString& fileName)
{
    Counter c;
    if (fileName.size() > 6)
        c.counterHigh = fileName.at(6).toLatin1();
    if (fileName.size() > 7)
        c.counterLow = fileName.at(7).toLatin1();
    return c;
}

QString withCounter(const QString& fileName, Counter c)
{
    QString name = fileName;
    if (name.size() < 8)
        name = name.leftJustified(8, '0');
    name[6] = QChar::fromLatin1(c.counterHigh);
    name[7] = QChar::fromLatin1(c.counterLow);
    return name;
}

QString seriesFileName(const QString& firstName, int fileNo)
{
    return withCounter(firstName, advance(counterOf(firstName), fileNo));
}

bool namesWaveFile(const QString& waveText)
{
    return !waveText.isEmpty() && !waveText.startsWith(QLatin1String("00"));
}

int FileCount(int interval, int count)
{
    const std::int64_t total = count > 1 ? std::int64_t{interval} * (count - 1) : 0;
    return static_cast<int>(total / kSecondsPerFile + (total % kSecondsPerFile > 3 ? 1 : 0));
}

std::optional<Segment> segmentOf(int fileNo, int interval, int points)
{
    if (interval <= 0)
        return std::nullopt;
    const std::int64_t s = kSecondsPerFile / interval;
    const std::int64_t start = s * fileNo;
    std::int64_t end = s + start;
    if (end >= points)
        end = points - 1;
    return Segment{static_cast<int>(start), static_cast<int>(std::max<std::int64_t>(end, 0))};
}

std::optional<int> fileNoAt(int interval, int index)
{
    if (interval <= 0)
        return std::nullopt;
    return static_cast<int>(std::int64_t{interval} * index / kSecondsPerFile);
}

double fractionInSegment(double x, double startX, double endX)
{
    const double span = endX - startX;
    return span != 0 ? (x - startX) / span : 0.0;
}

std::int64_t seekMs(std::int64_t lengthMs, double fraction)
{
    return static_cast<std::int64_t>(std::floor(static_cast<double>(lengthMs) * fraction + 1e-6));
}

double playLineX(double startX, double endX, std::int64_t positionMs, std::int64_t lengthMs, double lastX)
{
    const double fraction = lengthMs > 0 ? static_cast<double>(positionMs) / static_cast<double>(lengthMs) : 0.0;
    const double lead = 2.0 * static_cast<double>(std::min(lengthMs, kMaxTrackMs)) / 155'520'000'000.0;
    const double x = startX + (endX - startX) * fraction + lead;
    return lastX < x ? lastX : x;
}

int playOffsetMs(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

QString projectFolder(const QString& baseDir, const QString& firstName)
{
    return QDir(baseDir).filePath(firstName.left(8));
}

CopyResult copyProject(const QString& firstFile, int fileCount, const QString& folder,
                       const std::function<void(int)>& progress)
{
    CopyResult r;
    if (!QDir().mkpath(folder))
        return r;
    r.folderMade = true;
    const QFileInfo first(firstFile);
    const QDir source = first.absoluteDir();
    const QDir target(folder);
    const auto copyOne = [&](const QString& name) {
        const QString from = source.filePath(name);
        const QString to = target.filePath(name);
        // The copy never replaces an existing target and is whole or absent, so a failed copy
        // (a full disk) leaves nothing behind; the check first tells kept from failed.
        if (QFileInfo::exists(to))
            ++r.kept;
        else if (copyFileWhole(from, to, nullptr, ExistingFile::Keep))
            ++r.copied;
        else
            ++r.failed;
    };
    copyOne(first.fileName());
    Counter c = counterOf(first.fileName());
    for (int m = 1; m < fileCount; ++m) {
        if (progress)
            progress(m);
        c = advance(c);
        copyOne(withCounter(first.fileName(), c));
    }
    return r;
}

} // namespace quedral::wav
