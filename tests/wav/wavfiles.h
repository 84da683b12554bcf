#pragma once
// Short PCM WAV files for the playback tests: a tone of a few seconds, 8 or 16 bits, mono.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <cmath>
#include <cstdint>

namespace quedral::test {

inline QByteArray wavBytes(int seconds, int bits = 16, int rate = 8000, double hz = 440.0)
{
    const int bytesPerSample = bits / 8;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(seconds * rate * bytesPerSample);
    QByteArray b;
    const auto u32 = [&b](std::uint32_t v) {
        char c[4];
        qToLittleEndian(v, c);
        b.append(c, 4);
    };
    const auto u16 = [&b](std::uint16_t v) {
        char c[2];
        qToLittleEndian(v, c);
        b.append(c, 2);
    };
    b.append("RIFF");
    u32(36 + dataSize);
    b.append("WAVEfmt ");
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate * bytesPerSample));
    u16(static_cast<std::uint16_t>(bytesPerSample));
    u16(static_cast<std::uint16_t>(bits));
    b.append("data");
    u32(dataSize);
    for (int i = 0; i < seconds * rate; ++i) {
        const double v = std::sin(2 * M_PI * hz * i / rate) * 0.5;
        if (bits == 8)
            b.append(static_cast<char>(static_cast<std::uint8_t>(128 + v * 127)));
        else
            u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(v * 32767)));
    }
    return b;
}

inline bool writeWav(const QString& path, int seconds, int bits = 16)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(wavBytes(seconds, bits)) >= 0;
}

inline bool writeText(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The length in ms a PCM WAV file's header announces; -1 when it is no such file.
inline std::int64_t wavLengthMs(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray h = f.read(44);
    if (h.size() < 44 || !h.startsWith("RIFF") || h.mid(8, 4) != "WAVE" || h.mid(36, 4) != "data")
        return -1;
    const auto byteRate = qFromLittleEndian<std::uint32_t>(h.constData() + 28);
    const auto dataSize = qFromLittleEndian<std::uint32_t>(h.constData() + 40);
    return byteRate ? static_cast<std::int64_t>(dataSize) * 1000 / byteRate : -1;
}

} // namespace quedral::test
