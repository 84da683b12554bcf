#include "files/graphfile.h"

#include "base/filewrite.h"
#include "base/inputfile.h"
#include "chart/chartmodel.h"

#include <QFile>
#include <QtEndian>

namespace quedral {

namespace {
bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}
} // namespace

bool saveChartState(const ChartModel& chart, const QString& fileName, QString* error, ExistingFile existing)
{
    const QByteArray block = chart.serialize();
    if (block.size() > static_cast<qsizetype>(kMaxGraphFileBlock))
        return fail(error, QStringLiteral("The chart is too large for a graph file."));

    char length[4];
    qToLittleEndian<quint32>(static_cast<quint32>(block.size()), length);
    const auto fill = [&](QIODevice& out, QString*) { return out.write(length, 4) == 4 && out.write(block) == block.size(); };
    QString why;
    if (!writeFileWhole(fileName, fill, &why, existing))
        return fail(error, QStringLiteral("Cannot write %1: %2").arg(fileName, why));
    return true;
}

bool loadChartState(ChartModel& chart, const QString& fileName, QString* error)
{
    QFile file;
    QString reason;
    if (!openInputFile(file, fileName, qint64(kMaxGraphFileBlock) + 4, &reason))
        return fail(error, QStringLiteral("Cannot open %1: %2").arg(fileName, reason));

    char length[4];
    if (file.read(length, 4) != 4)
        return fail(error, QStringLiteral("%1 is too short to be a graph file.").arg(fileName));
    const quint32 n = qFromLittleEndian<quint32>(length);
    if (n > kMaxGraphFileBlock)
        return fail(error, QStringLiteral("%1 announces a chart state of %2 bytes, which is not plausible.")
                               .arg(fileName)
                               .arg(n));
    if (static_cast<qint64>(n) > file.size() - 4)
        return fail(error, QStringLiteral("%1 is shorter than its length field says (%2 bytes announced, %3 present).")
                               .arg(fileName)
                               .arg(n)
                               .arg(file.size() - 4));

    const QByteArray block = file.read(n);
    if (block.size() != static_cast<qsizetype>(n))
        return fail(error, QStringLiteral("Cannot read %1: %2").arg(fileName, file.errorString()));

    QString why;
    if (!chart.deserialize(block, &why))
        return fail(error, QStringLiteral("%1: %2").arg(fileName, why));
    return true;
}

} // namespace quedral
