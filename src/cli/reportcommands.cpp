#include "cli/reportcommands.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>

#include "base/clock.h"
#include "base/datadir.h"
#include "cli/filecommands.h"
#include "logger/datasets.h"
#include "report/evidencereport.h"
#include "stats/noisestats.h"

namespace quedral::cli {

namespace {

// --threshold DB and --min-duration S: nullopt when neither is given; false (after the
// message) when one is not a number or --min-duration comes without --threshold.
bool eventOptions(Context& ctx, const Arguments& a, std::optional<ReportEventCriteria>& events)
{
    events.reset();
    if (!a.has("--threshold")) {
        if (a.has("--min-duration")) {
            ctx.err << "--min-duration needs --threshold\n";
            return false;
        }
        return true;
    }
    bool ok = false;
    const std::optional<double> threshold = a.decimal("--threshold", ok);
    if (!ok) {
        ctx.err << "--threshold needs a level in dB\n";
        return false;
    }
    const std::optional<double> minDuration = a.decimal("--min-duration", ok);
    if (!ok || (minDuration && *minDuration < 0)) {
        ctx.err << "--min-duration needs a number of seconds, 0 or more\n";
        return false;
    }
    events = ReportEventCriteria{*threshold, minDuration.value_or(0.0)};
    return true;
}

} // namespace

int cmdReport(Context& ctx, const Arguments& a)
{
    std::optional<int> set;
    std::optional<ReportEventCriteria> events;
    if (!dataSetOption(ctx, a, set) || !eventOptions(ctx, a, events))
        return 2;
    const QString file = a.positional(0);
    const QString out = a.value("-o");
    if (QFileInfo(out).suffix().toLower() != QLatin1String("pdf")) {
        ctx.err << out << ": the report is written as a PDF (.pdf)\n";
        return 1;
    }
    if (refusesToReplace(ctx, out, a.has("--force")))
        return 1;
    LeqSeries data;
    if (!loadSeriesForCommand(ctx, file, set, data))
        return 1;
    if (std::none_of(data.levels.begin(), data.levels.end(), isCountedLevel)) {
        ctx.err << file << ": no data (no sample holds a level)\n";
        return 1;
    }
    ReportInput in;
    const QString name = QFileInfo(file).fileName();
    in.caption = data.dataSet ? QStringLiteral("%1, data set %2").arg(name).arg(set.value_or(1)) : name;
    in.madeAt = Clock::instance().now();
    in.times = std::move(data.times);
    in.levels = std::move(data.levels);
    in.events = events;
    if (data.dataSet)
        in.meter = reportMeterInfoOf(*data.dataSet, set.value_or(1));
    in.interval = data.interval();
    in.source = {name, {}, file};
    const QString failed = writeEvidenceReport(in, out);
    if (!failed.isEmpty()) {
        ctx.err << failed << "\n";
        return 1;
    }
    return 0;
}

bool commandNeedsGui(QStringList args)
{
    takeDataDirOption(args);
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        static const QStringList valued{QStringLiteral("--simulate-faults"), QStringLiteral("--simulate-serial"),
                                        QStringLiteral("--meter")};
        const bool attached = std::any_of(valued.begin(), valued.end(), [&option](const QString& name) {
            return option.startsWith(name + QLatin1Char('='));
        });
        if (valued.contains(option) && !args.isEmpty())
            args.removeFirst();
        else if (option != QLatin1String("--simulate") && !attached)
            return false; // --version, --help or a mistake: the program ends before any command
    }
    return !args.isEmpty() && args.first() == QLatin1String("report");
}

} // namespace quedral::cli
