// The live reading (reply to 'A'), every way the program takes it in: the decode and the
// panel's display rules; the poll with the unattended recording (RecordSession: probe, polls,
// recordReading, Stop); and the live Leq measurement's ticks with its table, its saved text and
// its graph. The input is a tape of 32-byte replies.
#include <QBuffer>
#include <QLocale>

#include <cmath>
#include <vector>

#include "fuzz/support/fuzzsupport.h"
#include "chart/chartmodel.h"
#include "leq/leqmeasurement.h"
#include "leq/leqrunner.h"
#include "meter/meterlink.h"
#include "meter/poller.h"
#include "meter/reading.h"
#include "meter/readingcodes.h"
#include "panel/displayrules.h"
#include "realtime/recordsession.h"

using namespace quedral;

namespace {

void decodeAndShow(const ReplyBytes& reply, std::uint8_t& clockShown)
{
    const MeterReading r = decodeReading(reply);
    (void)isFramedReading(reply);
    const int level = DisplayLevel(r);
    const float db = displayLevelDb(r);
    if (!std::isfinite(db))
        fuzz::violated("a displayed level that is not a number");
    (void)maxMinDisplay(r);
    (void)rangeInfo(r.RangeCode);
    (void)maxMinInfo(r.MaxMinMode);
    (void)panel::levelGlyphs(level);
    (void)panel::rangeDisplay(r.RangeCode, level);
    clockShown = panel::clockUpdate(clockShown, r.ClockSecond, r.ClockMinute, r.ClockHour).clockShown;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ManualClock& clock = fuzz::fuzzClock();

    // The decode and the panel, reply by reply.
    std::uint8_t clockShown = 0;
    for (std::size_t at = 0; at < size; at += 32) {
        ReplyBytes reply{};
        std::memcpy(reply.data(), data + at, std::min<std::size_t>(32, size - at));
        decodeAndShow(reply, clockShown);
    }

    // The poll and the unattended recording: a tick every 500 ms until the tape runs out.
    {
        fuzz::ReplayTransport tape(data, size);
        MeterLink link(tape);
        Poller poller(link);
        RecordSession session(poller, 40, 0.5);
        for (int ticks = 0; ticks < 400 && !session.isFinished(); ++ticks) {
            const bool wasExhausted = tape.exhausted();
            const RecordSession::Tick t = session.tick();
            if (t.sample && t.sample->written && !std::isfinite(t.sample->level))
                fuzz::violated("a recorded level that is not a number");
            clock.advanceMs(Poller::IntervalMs);
            if (wasExhausted && t.outcome == PollOutcome::ProbeFailed)
                break;
        }
        session.finish();
        if (session.chart().points() > 40)
            fuzz::violated("the recording holds more points than it was given");
    }

    // The live Leq measurement: a tick every 40 ms.
    {
        fuzz::fuzzClock();
        fuzz::ReplayTransport tape(data, size);
        MeterLink link(tape);
        openLeqLink(link);
        LeqMeasurement measurement;
        measurement.start(60);
        std::vector<LeqRow> rows;
        for (int ticks = 0; ticks < 2000; ++ticks) {
            // No log: its lines are made either way, and the file is not what is tested here.
            const LeqTick t = leqExchange(link, measurement, nullptr);
            if (t.row)
                rows.push_back(*t.row);
            clock.advanceMs(LeqMeasurement::kTickMs);
            if (t.failedOut || t.durationReached)
                break;
        }
        for (const LeqRow& row : rows)
            for (int column = 0; column < 5; ++column)
                (void)leqRowText(row, column, QLocale::c());
        QBuffer table;
        table.open(QIODevice::WriteOnly);
        writeLeqTable(table, rows, QLocale::c());
        // The window's Graph refuses an empty table before it draws ("No data to graph !").
        if (!rows.empty()) {
            ChartModel chart;
            putLeqTable(chart, rows);
        }
    }
    return 0;
}
