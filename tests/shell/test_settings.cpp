#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>

#include "shell/settings.h"

using namespace quedral;

namespace {
QByteArray doubleBytes(double d)
{
    QByteArray b(8, '\0');
    quint64 bits;
    std::memcpy(&bits, &d, 8);
    qToLittleEndian(bits, b.data());
    return b;
}
} // namespace

TEST(Settings, RealTimeRateFallsBackOnAnythingButAnEightByteDouble)
{
    struct Case {
        const char* what;
        QVariant stored;
        float expected;
    };
    const Case cases[] = {
        {"missing", QVariant(), 0.2f},
        {"text", QVariant(QStringLiteral("1.0")), 0.2f},
        {"integer", QVariant(5), 0.2f},
        {"four bytes", QVariant(QByteArray(4, '\1')), 0.2f},
        {"nine bytes", QVariant(doubleBytes(2.0) + 'x'), 0.2f},
        {"NaN", QVariant(doubleBytes(std::nan(""))), 0.2f},
        {"negative", QVariant(doubleBytes(-1.0)), 0.2f},
        {"zero", QVariant(doubleBytes(0.0)), 0.2f},
        {"above a day", QVariant(doubleBytes(86400.5)), 0.2f},
        {"infinite", QVariant(doubleBytes(HUGE_VAL)), 0.2f},
        {"a day", QVariant(doubleBytes(86400.0)), 86400.0f},
        {"valid 2.0", QVariant(doubleBytes(2.0)), 2.0f},
        {"valid 0.5", QVariant(doubleBytes(0.5)), 0.5f},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        QSettings s(dir.path() + "/s.ini", QSettings::IniFormat);
        s.clear();
        if (c.stored.isValid())
            s.setValue("RealTimeRate", c.stored);
        EXPECT_FLOAT_EQ(loadRealTimeRate(s), c.expected) << c.what;
    }
}

TEST(Settings, SavedRateIsEightLittleEndianBytesAndReadsBack)
{
    QTemporaryDir dir;
    QSettings s(dir.path() + "/s.ini", QSettings::IniFormat);
    s.setValue("RealTimeRate", QStringLiteral("junk"));
    saveRealTimeRate(s, 10.0f);
    const QByteArray b = s.value("RealTimeRate").toByteArray();
    ASSERT_EQ(b.size(), 8);
    EXPECT_EQ(b, doubleBytes(10.0));
    QSettings again(dir.path() + "/s.ini", QSettings::IniFormat);
    EXPECT_FLOAT_EQ(loadRealTimeRate(again), 10.0f);
}
