#include "meter/loggedmemory.h"

#include <QStringList>
#include <algorithm>
#include <climits>

#include "meter/reading.h"

namespace quedral {

namespace {

std::uint8_t low8(std::int64_t v)
{
    return static_cast<std::uint8_t>(v & 0xFF);
}

// Writes v big-endian into `width` bytes from p.
void putBigEndian(QByteArray& bytes, int p, std::int64_t v, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[p + i] = static_cast<char>(low8(v >> (8 * (width - 1 - i))));
}

// The image's bytes, with every read checked against its length.
class Bytes {
public:
    explicit Bytes(const MemoryImage& image)
        : m_data(reinterpret_cast<const std::uint8_t*>(image.constData())), m_size(image.size())
    {
    }
    qsizetype size() const { return m_size; }
    bool has(std::int64_t p) const { return p >= 0 && p < m_size; }
    // The byte at p, or -1 outside the image.
    int at(std::int64_t p) const { return has(p) ? m_data[p] : -1; }
    // A byte of a number field: outside the image it counts as 0.
    int value(std::int64_t p) const { return has(p) ? m_data[p] : 0; }
    std::int64_t be24(std::int64_t p) const { return (value(p) << 16) | (value(p + 1) << 8) | value(p + 2); }
    bool markerAt(std::int64_t p, const std::uint8_t (&marker)[2]) const
    {
        return at(p) == marker[0] && at(p + 1) == marker[1];
    }

private:
    const std::uint8_t* m_data;
    qsizetype m_size;
};

// The six date and time bytes of a header as hexadecimal text ("26 02 31 08 15 00"); "--" for
// a byte beyond the image.
QString dateBytesText(const Bytes& b, std::int64_t H)
{
    QStringList t;
    for (int i = 0; i < SetField::StartBytes; ++i) {
        const std::int64_t p = H + SetField::Start + i;
        t << (b.has(p) ? QStringLiteral("%1").arg(b.at(p), 2, 16, QLatin1Char('0')).toUpper() : QStringLiteral("--"));
    }
    return t.join(' ');
}

// Reads the BCD start of the header at H into the record: every field must read as two decimal
// digits and together make a real date and time; otherwise the record keeps no start.
void readStart(const Bytes& b, std::int64_t H, SetRecord& set)
{
    int f[SetField::StartBytes];
    for (int i = 0; i < SetField::StartBytes; ++i) {
        const std::int64_t p = H + SetField::Start + i;
        f[i] = b.has(p) ? bcdValue(static_cast<std::uint8_t>(b.at(p))) : -1;
    }
    if (!std::all_of(std::begin(f), std::end(f), [](int v) { return v >= 0; }))
        return;
    const QDate date(f[0] + 2000, f[1], f[2]);
    const QTime time(f[3], f[4], f[5]);
    if (date.isValid() && time.isValid()) {
        set.startDate = date;
        set.startTime = time;
    }
}

WaveFileName readWave(const Bytes& b, std::int64_t H)
{
    WaveFileName name;
    const std::int64_t w = H + SetField::Wave;
    while (name.length < kWaveNameBytes && b.has(w + name.length)) {
        name.bytes[name.length] = static_cast<char>(b.at(w + name.length));
        ++name.length;
    }
    return name;
}

// The sample count and end offset of the set at H: as its header counts, or, when the count
// does not lead to an end marker within the last address, from the first end marker found.
std::pair<std::int64_t, std::int64_t> setExtent(const Bytes& b, std::int64_t H, std::int64_t last,
                                                std::int64_t searchEnd)
{
    const std::int64_t C = b.be24(H + SetField::Count);
    const std::int64_t E = endOffsetOf(H, C);
    if (E <= last && b.markerAt(E - 1, kEndMarker))
        return {C, E};
    for (std::int64_t p = H + SetField::Samples; p <= searchEnd; p += BytesPerSample) {
        if (b.markerAt(p, kEndMarker))
            return {std::max<std::int64_t>(0, (p + 1 - endOffsetOf(H, 0)) / BytesPerSample), p + 1};
    }
    return {C, E};
}

} // namespace

// --- Encoder ---------------------------------------------------------------------------------

QByteArray encodeSetHeader(const SetHeader& header)
{
    QByteArray h(kSetHeaderBytes, '\0');
    h[SetField::StartMarker] = static_cast<char>(kStartMarker[0]);
    h[SetField::StartMarker + 1] = static_cast<char>(kStartMarker[1]);
    h[SetField::Tag] = static_cast<char>(low8(header.tag));
    const QDate d = header.start.date();
    const QTime t = header.start.time();
    const int fields[SetField::StartBytes] = {d.year() % 100, d.month(), d.day(), t.hour(), t.minute(), t.second()};
    for (int i = 0; i < SetField::StartBytes; ++i)
        h[SetField::Start + i] = static_cast<char>(toBcd(fields[i]));
    h[SetField::IntervalMinutes] = static_cast<char>(low8(header.intervalMinutes));
    h[SetField::Interval] = static_cast<char>(low8(header.interval));
    putBigEndian(h, SetField::Count, header.count, 3);
    h[SetField::Mode] = static_cast<char>(header.mode);
    const QByteArray wave = header.wave.leftJustified(kWaveNameBytes, '0', true);
    for (int i = 0; i < kWaveNameBytes; ++i)
        h[SetField::Wave + i] = wave[i];
    return h;
}

std::vector<std::pair<int, std::uint8_t>> globalFieldWrites(int setCount, std::int64_t lastAddress)
{
    const int c = MemoryAddress::SetCount;
    const int l = MemoryAddress::LastAddress;
    return {
        {c, low8(setCount >> 8)},
        {c + 1, low8(setCount)},
        {l, low8(lastAddress >> 16)},
        {l + 1, low8(lastAddress >> 8)},
        {l + 2, low8(lastAddress)},
    };
}

QByteArray encodeMemoryImage(const std::vector<LoggedSet>& sets)
{
    QByteArray image(MemoryAddress::FirstSet, '\0');
    image[MemoryAddress::FrameStart] = static_cast<char>(kFrameStartByte);
    image[MemoryAddress::FrameEnd] = static_cast<char>(kFrameEndByte);
    for (const LoggedSet& s : sets) {
        SetHeader header;
        header.start = s.start;
        header.count = static_cast<int>(s.tenths.size());
        header.interval = s.interval;
        header.mode = s.mode;
        header.wave = s.wave;
        image += encodeSetHeader(header);
        for (const std::uint16_t t : s.tenths) {
            image += static_cast<char>((t >> 8) & 0x0F);
            image += static_cast<char>(t & 0xFF);
        }
        image += static_cast<char>(kEndMarker[0]);
        image += static_cast<char>(kEndMarker[1]);
    }
    for (const auto& [address, value] : globalFieldWrites(static_cast<int>(sets.size()), image.size() - 1))
        image[address] = static_cast<char>(value);
    return image;
}

// --- Decoder ---------------------------------------------------------------------------------

int lastAddressOf(const MemoryImage& image)
{
    return static_cast<int>(Bytes(image).be24(MemoryAddress::LastAddress));
}

int dataSetCountOf(const MemoryImage& image)
{
    const Bytes b(image);
    return b.value(MemoryAddress::SetCount) * 256 + b.value(MemoryAddress::SetCount + 1);
}

LoggedMemory decodeLoggedMemory(const MemoryImage& image, int lastAddress)
{
    LoggedMemory result;
    const Bytes b(image);
    const int n = dataSetCountOf(image);
    if (n == 0) {
        result.code = DecodeCode::NoDataSets;
        return result;
    }
    if (n > kMaxDataSets) {
        result.code = DecodeCode::TooManyDataSets;
        return result;
    }
    result.sets.reserve(n);
    // A last address beyond the memory is no address of the meter's (a garbled reply): the
    // data end at the memory's end at the latest, and a set running past it has code 34.
    const std::int64_t last = std::min<std::int64_t>(lastAddress, kMeterMemoryBytes - 1);
    // The end of the data: the last byte that exists and lies within the last address.
    const std::int64_t searchEnd = std::min<std::int64_t>(last, b.size() - 2);

    std::int64_t H = kFirstHeaderOffset;
    for (int s = 0; s < n; ++s) {
        auto [C, E] = setExtent(b, H, last, searchEnd);
        // Only the samples that are in the image are read: a set cut short keeps those.
        const std::int64_t inImage = std::max<std::int64_t>(0, (b.size() - (H + SetField::Samples)) / BytesPerSample);
        const bool cutShort = C > inImage || !b.has(E);
        if (C > inImage)
            C = inImage;

        auto raise = [&](int c, QString what) {
            result.code = c;
            result.problems.push_back({s + 1, c, std::move(what)});
        };
        if (!b.markerAt(H, kStartMarker))
            raise(DecodeCode::MarkerMisplaced, QStringLiteral("no start marker at offset %1").arg(H));
        else if (!b.markerAt(E - 1, kEndMarker))
            raise(DecodeCode::MarkerMisplaced, QStringLiteral("no end marker after the samples (offset %1)").arg(E - 1));
        if (E > last || cutShort)
            raise(DecodeCode::BeyondLastAddress,
                  QStringLiteral("ends at offset %1, beyond the last address %2").arg(E).arg(lastAddress));

        SetRecord set;
        set.count = static_cast<std::int32_t>(C);
        set.headerOffset = static_cast<std::int32_t>(std::min<std::int64_t>(H, INT32_MAX));
        set.endOffset = static_cast<std::int32_t>(std::min<std::int64_t>(E, INT32_MAX));
        set.mode = static_cast<std::uint8_t>(b.value(H + SetField::Mode));
        readStart(b, H, set);
        if (!set.startReadable())
            raise(DecodeCode::StartUnreadable,
                  QStringLiteral("unreadable start date and time (header bytes %1)").arg(dateBytesText(b, H)));
        const int interval = b.value(H + SetField::Interval);
        set.interval = interval > kMaxIntervalSeconds ? 2 : interval;
        set.wave = readWave(b, H);
        result.sets.push_back(set);
        H = E + 1;
    }
    return result;
}

} // namespace quedral
