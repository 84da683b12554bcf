// The long runs, on the simulated meter with a fast clock: `quedral-cli leq-live --seconds N`
// (default a day: 86,400 rows) or `quedral-cli record --points N --rate R` (default 99,999
// points at 0.5 s), run in-process exactly as the command runs. The clock seam stands in for
// the wall clock: every sleep of the command advances it at once, so a day passes in minutes,
// and the real time spent between sleeps is the command's own work. That work is summed per
// tick (40 ms for leq-live, 500 ms for record) and reported for the first and the last 1,000
// ticks (wall-clock and CPU time), with the resident memory after the first 1,000 ticks, at the end, and its peak.
//
//   bench_longrun leq [SECONDS]                 default 86400
//   bench_longrun record [POINTS [RATE]]        default 99999 0.5
//   --trim-simulator-log  empties the simulated transport's call log every tick (it keeps a
//                         record of every call, for the tests)
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "base/clock.h"
#include "cli/cli.h"
#include "leq/leqmeasurement.h"
#include "meter/poller.h"
#include "meter/simulator/simulatedtransport.h"

using namespace quedral;
using Steady = std::chrono::steady_clock;

namespace {

constexpr std::size_t kWindow = 1000;

long residentKiB()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double threadCpuUs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

long peakKiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// The fast clock: a manual clock that also times the work between its sleeps, per tick.
class TimingClock final : public Clock {
public:
    TimingClock(int tickMs, std::function<void()> everyTick) : m_tickMs(tickMs), m_everyTick(std::move(everyTick))
    {
        m_last = Steady::now();
        m_lastCpu = threadCpuUs();
    }
    QDateTime now() const override { return m_manual.now(); }
    std::int64_t tickMs() const override { return m_manual.tickMs(); }
    void sleepMs(int ms) override
    {
        const Steady::time_point t = Steady::now();
        const double cpu = threadCpuUs();
        const std::int64_t bucket = m_manual.tickMs() / m_tickMs;
        if (bucket != m_bucket) {
            close();
            m_bucket = bucket;
        }
        m_bucketUs += std::chrono::duration<double, std::micro>(t - m_last).count();
        m_bucketCpuUs += cpu - m_lastCpu;
        m_manual.advanceMs(std::max(ms, 1));
        if (m_everyTick)
            m_everyTick();
        m_last = Steady::now();
        m_lastCpu = threadCpuUs();
    }
    // After the command: the work since the last sleep (the last tick's exchange, the final
    // save and the closing) is kept apart, so that the save does not count as a tick.
    void finish()
    {
        tailUs = std::chrono::duration<double, std::micro>(Steady::now() - m_last).count();
        tailCpuUs = threadCpuUs() - m_lastCpu;
        close();
    }
    double tailUs = 0, tailCpuUs = 0;

    // Per tick, µs: wall-clock time and the thread's CPU time (which other processes on the
    // machine do not inflate).
    std::vector<double> first, last, firstCpu, lastCpu;
    std::int64_t ticks = 0;
    long residentAfterFirst = 0, peakAfterFirst = 0;

private:
    void close()
    {
        if (m_bucket < 0)
            return;
        ++ticks;
        if (first.size() < kWindow) {
            first.push_back(m_bucketUs);
            firstCpu.push_back(m_bucketCpuUs);
            if (first.size() == kWindow) {
                residentAfterFirst = residentKiB();
                peakAfterFirst = peakKiB();
            }
        }
        if (last.size() == kWindow) {
            last[static_cast<std::size_t>(m_lastAt % kWindow)] = m_bucketUs;
            lastCpu[static_cast<std::size_t>(m_lastAt % kWindow)] = m_bucketCpuUs;
            ++m_lastAt;
        } else {
            last.push_back(m_bucketUs);
            lastCpu.push_back(m_bucketCpuUs);
        }
        m_bucketUs = 0;
        m_bucketCpuUs = 0;
    }

    ManualClock m_manual{QDateTime(QDate(2026, 12, 1), QTime(8, 0, 0))};
    int m_tickMs;
    std::function<void()> m_everyTick;
    Steady::time_point m_last;
    std::int64_t m_bucket = -1;
    std::int64_t m_lastAt = 0;
    double m_bucketUs = 0;
    double m_lastCpu = 0;
    double m_bucketCpuUs = 0;
};

void printWindow(const char* name, std::vector<double> us)
{
    if (us.empty())
        return;
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double u : us)
        sum += u;
    const auto at = [&](double q) { return us[std::min(us.size() - 1, static_cast<std::size_t>(q * us.size()))]; };
    std::printf("  %-16s mean %8.1f us   median %8.1f us   p99 %8.1f us   max %9.1f us   (%zu ticks)\n", name,
                sum / us.size(), at(0.5), at(0.99), us.back(), us.size());
}

long countLines(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    long n = 0;
    while (!f.atEnd()) {
        f.readLine();
        ++n;
    }
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const bool trim = args.removeAll(QStringLiteral("--trim-simulator-log")) > 0;
    const QString mode = args.value(0);
    if (mode != QLatin1String("leq") && mode != QLatin1String("record")) {
        std::fprintf(stderr, "usage: bench_longrun leq [SECONDS] | record [POINTS [RATE]]  [--trim-simulator-log]\n");
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    SimulatedTransport* simulator = nullptr;
    const auto factory = [&](const TransportRequest&) {
        auto t = std::make_unique<SimulatedTransport>(std::make_unique<SimulatedMeter>(QString(), 2));
        simulator = t.get();
        return std::unique_ptr<Transport>(std::move(t));
    };
    const bool leq = mode == QLatin1String("leq");
    TimingClock clock(leq ? LeqMeasurement::kTickMs : Poller::IntervalMs, [&] {
        if (trim && simulator)
            simulator->clearCalls();
    });
    Clock::install(&clock);

    QStringList command{QStringLiteral("--simulate"), QStringLiteral("--data-dir"), dir.path()};
    QString output;
    long expected = 0;
    if (leq) {
        const int seconds = args.value(1, QStringLiteral("86400")).toInt();
        output = dir.filePath(QStringLiteral("table.txt"));
        command << QStringLiteral("leq-live") << QStringLiteral("--seconds") << QString::number(seconds)
                << QStringLiteral("-o") << output;
        expected = seconds;
    } else {
        const int points = args.value(1, QStringLiteral("99999")).toInt();
        const QString rate = args.value(2, QStringLiteral("0.5"));
        output = dir.filePath(QStringLiteral("recording.ghf"));
        command << QStringLiteral("record") << QStringLiteral("--points") << QString::number(points)
                << QStringLiteral("--rate") << rate << QStringLiteral("-o") << output;
        expected = points;
    }

    QFile lines(dir.filePath(QStringLiteral("stdout.txt")));
    if (!lines.open(QIODevice::WriteOnly))
        return 1;
    QTextStream out(&lines);
    QTextStream err(stderr);
    const long residentBefore = residentKiB();
    const Steady::time_point started = Steady::now();
    const int status = cli::run(command, out, err, factory);
    clock.finish();
    const double seconds = std::chrono::duration<double>(Steady::now() - started).count();
    out.flush();
    err.flush();
    lines.close();
    const long printed = countLines(lines.fileName());
    Clock::install(nullptr);

    std::printf("quedral-cli %s%s\n", qPrintable(command.mid(3).join(QLatin1Char(' '))),
                trim ? "   (simulator call log trimmed every tick)" : "");
    std::printf("  exit status %d; %ld lines printed (%ld expected); %lld ticks in %.1f s of real time\n", status,
                printed, expected, static_cast<long long>(clock.ticks), seconds);
    if (leq)
        std::printf("  table file: %ld rows\n", countLines(output));
    std::printf("  wall-clock time per tick:\n");
    printWindow("first 1000 ticks", clock.first);
    printWindow("last 1000 ticks", clock.last);
    std::printf("  CPU time per tick (this thread):\n");
    printWindow("first 1000 ticks", clock.firstCpu);
    printWindow("last 1000 ticks", clock.lastCpu);
    std::printf("  after the last sleep (last exchange, save, closing): %.1f ms wall-clock, %.1f ms CPU\n",
                clock.tailUs / 1000, clock.tailCpuUs / 1000);
    std::printf("  resident memory: %ld KiB before, %ld KiB after the first 1000 ticks, %ld KiB at the end\n",
                residentBefore, clock.residentAfterFirst, residentKiB());
    std::printf("  peak resident memory (getrusage): %ld KiB after the first 1000 ticks, %ld KiB at the end\n",
                clock.peakAfterFirst, peakKiB());
    return status;
}
