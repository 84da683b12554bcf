#include "files/graphfile.h"
#include "chart/chartmodel.h"

#include "chart/chartfixture.h"
#include "support/testenv.h"


#include <QDir>
#include <QFile>
#include <functional>
#include <limits>
#include <sys/stat.h>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace quedral;

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
} // namespace

TEST(GraphFile, SaveThenLoadRestoresTheChartBehindALengthPrefix)
{
    test::ScopedDataDir dir;
    const QString path = dir.file("chart.ghf");
    const ChartModel src = test::sampleChart();
    QString error;
    ASSERT_TRUE(saveChartState(src, path, &error)) << error.toStdString();

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_GE(bytes.size(), 4);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData()), quint32(bytes.size() - 4));
    EXPECT_EQ(bytes.mid(4), src.serialize());

    ChartModel dst;
    ASSERT_TRUE(loadChartState(dst, path, &error)) << error.toStdString();
    EXPECT_EQ(dst.serialize(), src.serialize());
}

TEST(GraphFile, UnreadableOrDamagedFilesLeaveTheChartAsItWas)
{
    test::ScopedDataDir dir;
    const QByteArray good = test::sampleChart().serialize();
    struct Case {
        const char* name;
        QByteArray bytes;  // null: no file at all
    };
    const Case cases[] = {
        {"missing file", QByteArray()},
        {"shorter than the length field", QByteArray("\x01\x00", 2)},
        {"shorter than the stated length", le32(quint32(good.size() + 1)) + good},
        {"absurd length", le32(0xFFFFFFF0u) + good},
        {"empty block", le32(0)},
        {"damaged block", le32(quint32(good.size())) + QByteArray(good).replace(0, 4, "ABCD")},
    };
    for (const auto& c : cases) {
        const QString path = dir.file(QString::fromLatin1(c.name) + ".ghf");
        if (!c.bytes.isNull())
            writeFile(path, c.bytes);
        ChartModel m;
        m.setPoints(3);
        m.setYData(0, 0, 70.0f);
        m.mainTitle = "kept";
        const QByteArray before = m.serialize();
        QString error;
        EXPECT_FALSE(loadChartState(m, path, &error)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
        EXPECT_EQ(m.serialize(), before) << c.name;
    }
}

// A device, a FIFO or a folder named like a graph file is refused before a byte is read.
TEST(GraphFile, OnlyARegularFileIsRead)
{
    test::ScopedDataDir dir;
    ASSERT_TRUE(QFile::link("/dev/zero", dir.file("zero.ghf")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file("fifo.ghf")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ghf"));
    for (const char* name : {"zero.ghf", "fifo.ghf", "folder.ghf"}) {
        SCOPED_TRACE(name);
        ChartModel m;
        QString error;
        EXPECT_FALSE(loadChartState(m, dir.file(name), &error));
        EXPECT_TRUE(error.contains("not a regular file") || error.contains("folder")) << error.toStdString();
    }
}

// A NaN, an infinity or an absurd value anywhere a chart keeps a number makes the whole file
// refused, with the field named; the null value in a level is a gap, not an absurd level.
TEST(GraphFile, ImpossibleValuesAreRefused)
{
    test::ScopedDataDir dir;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        std::function<void(ChartModel&)> damage;
        const char* errorContains; // nullptr: read
    };
    const Case cases[] = {
        {"sound", [](ChartModel&) {}, nullptr},
        {"the null value as a level", [](ChartModel& m) { m.setYData(1, 2, 9999.0f); }, nullptr},
        {"a level of -1000 dB is still a level", [](ChartModel& m) { m.setYData(0, 1, -1000.0f); }, nullptr},
        {"a point not yet filled", [](ChartModel& m) { m.setXDataII(0, 5, 0.0); }, nullptr},
        {"NaN level", [nan](ChartModel& m) { m.setYData(0, 1, float(nan)); }, "impossible level"},
        {"infinite level", [inf](ChartModel& m) { m.setYData(1, 4, float(-inf)); }, "at point 5 of subset 2"},
        {"absurd level", [](ChartModel& m) { m.setYData(0, 2, 6485.0f); }, "impossible level (6485 dB)"},
        {"NaN time", [nan](ChartModel& m) { m.setXDataII(0, 0, nan); }, "impossible time"},
        {"infinite time", [inf](ChartModel& m) { m.setXDataII(1, 0, inf); }, "impossible time"},
        {"a time in the year 20000", [](ChartModel& m) { m.setXDataII(0, 0, 6.6e6); }, "impossible time"},
        {"NaN null value", [nan](ChartModel& m) { m.nullDataValueY = float(nan); }, "null value"},
        {"NaN axis minimum", [nan](ChartModel& m) { m.manualMinY = nan; }, "axis range"},
        {"infinite axis maximum", [inf](ChartModel& m) { m.manualMaxX = inf; }, "axis range"},
        {"absurd axis maximum", [](ChartModel& m) { m.manualMaxY = 1e300; }, "axis range"},
        {"NaN vertical line", [nan](ChartModel& m) { m.vertLines[1].x = nan; }, "vertical line"},
        {"infinite annotation height", [inf](ChartModel& m) { m.setGraphAnnotationY(2, inf); }, "annotation 2"},
        {"NaN annotation time", [nan](ChartModel& m) { m.setGraphAnnotationX(5, nan); }, "annotation 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChartModel damaged = test::sampleChart();
        c.damage(damaged);
        const QByteArray block = damaged.serialize();
        const QString path = dir.file("values.ghf");
        writeFile(path, le32(quint32(block.size())) + block);
        ChartModel m;
        m.mainTitle = "kept";
        QString error;
        const bool loaded = loadChartState(m, path, &error);
        if (!c.errorContains) {
            EXPECT_TRUE(loaded) << error.toStdString();
        } else {
            EXPECT_FALSE(loaded);
            EXPECT_TRUE(error.contains(c.errorContains)) << error.toStdString();
            EXPECT_EQ(m.mainTitle, "kept");
        }
    }
}

TEST(GraphFile, SavingWhereNoFileCanBeCreatedFails)
{
    test::ScopedDataDir dir;
    QString error;
    EXPECT_FALSE(saveChartState(ChartModel(), dir.file("no/such/folder/chart.ghf"), &error));
    EXPECT_FALSE(error.isEmpty());
}
