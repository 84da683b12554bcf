// The memory image (a .rec collection file, the working copy, or what a download delivered)
// decoded into data sets, then everything that reads the data sets: the table rows, the spans,
// the chart of a set as the DataLogger window draws it, and its WAV series.
#include "fuzz/support/fuzzsupport.h"
#include "chart/chartmodel.h"
#include "logger/datasetchart.h"
#include "logger/datasets.h"
#include "wav/wavseries.h"

using namespace quedral;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzClock();
    const MemoryImage image(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)dataSetCountOf(image);
    const DecodeResult d = decodeMemoryImage(image, lastAddressOf(image), fuzz::fixedNow());
    if (!d.store)
        return 0;
    const DataSetStore& store = *d.store;
    for (const DataSet& set : store.sets)
        if (set.wave.length > kWaveNameBytes)
            fuzz::violated("a wave name longer than its header field");
    if (store.Levels.size() != store.SampleTimes.size())
        fuzz::violated("levels and sample times do not pair up");
    for (int n = 0; n < store.size(); ++n) {
        const QStringList row = dataSetRow(d, n);
        if (row.size() != 9)
            fuzz::violated("a data set row without nine texts");
        const DataSetSpan span = store.Span(n);
        if (span.first < 0 || span.count < 0 || span.first + span.count > static_cast<std::int64_t>(store.Levels.size()))
            fuzz::violated("a data set's span outside the store");
        (void)store.info(n);
        ChartModel chart;
        putDataSet(chart, store, n);
        const QString wave = waveText(d, n);
        const int interval = store.info(n).interval;
        if (wav::namesWaveFile(wave) && interval > 0) {
            const int files = wav::FileCount(interval, store.info(n).count);
            for (int f = 0; f < std::min(files, 64); ++f) {
                (void)wav::seriesFileName(wave + QStringLiteral(".WAV"), f);
                (void)wav::segmentOf(f, interval, store.info(n).count);
            }
        }
    }
    return 0;
}
