// The memory information (reply to 'P': the framing, the data set count and the last address)
// and the download it steers, then the decode and the outcome of the load as Load Data and
// `quedral-cli download` take them. Input byte 0 chooses what the meter does after the tape:
// bit 0 set, it goes on sending erased memory (0xFF) for as long as the transfer asks; clear,
// it falls silent. The rest is the tape of 32-byte replies, the 'P' reply first.
#include "files/collectionfile.h"
#include "fuzz/support/fuzzsupport.h"
#include "logger/datasets.h"
#include "logger/download.h"
#include "meter/meterlink.h"

using namespace quedral;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzClock();
    if (size < 1)
        return 0;
    const bool fill = data[0] & 1;
    fuzz::ReplayTransport tape(data + 1, size - 1, fill, kMaxMemoryBytes / kBlockBytes);
    MeterLink link(tape);
    int announced = -1;
    DownloadProgress progress;
    progress.started = [&](int total) { announced = total; };
    progress.received = [&](int received) {
        if (received > announced)
            fuzz::violated("more bytes received than the transfer announced");
    };
    const DownloadResult r = downloadMemory(link, progress);
    if (r.code != DownloadCode::Ok) {
        if (!r.image.isEmpty())
            fuzz::violated("a failed download kept its bytes");
        recoverAfterFailedDownload(link);
        (void)loadOutcome(r.code);
        return 0;
    }
    if (r.image.size() != r.total || r.total > kMaxMemoryBytes)
        fuzz::violated("a download that is not the size it announced, or larger than the memory");
    if (collectionLength(r.image.size(), r.lastAddress) > kLoggedMemoryBytes)
        fuzz::violated("a collection longer than the meter's memory");
    const DecodeResult d = decodeMemoryImage(r.image, r.lastAddress, fuzz::fixedNow());
    const LoadOutcome outcome = loadOutcome(d.code);
    if (outcome.accepted && !d.store)
        fuzz::violated("an accepted load without data sets");
    if (d.store)
        for (int n = 0; n < d.store->size(); ++n)
            (void)dataSetRow(d, n);
    return 0;
}
