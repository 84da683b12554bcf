#include "files/graphfile.h"
#include "graph/chartmodel.h"

#include "../graph/chartfixture.h"
#include "support/testenv.h"


#include <QFile>
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
    ASSERT_TRUE(SaveChartState(src, path, &error)) << error.toStdString();

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_GE(bytes.size(), 4);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData()), quint32(bytes.size() - 4));
    EXPECT_EQ(bytes.mid(4), src.serialize());

    ChartModel dst;
    ASSERT_TRUE(LoadChartState(dst, path, &error)) << error.toStdString();
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
        EXPECT_FALSE(LoadChartState(m, path, &error)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
        EXPECT_EQ(m.serialize(), before) << c.name;
    }
}

TEST(GraphFile, SavingWhereNoFileCanBeCreatedFails)
{
    test::ScopedDataDir dir;
    QString error;
    EXPECT_FALSE(SaveChartState(ChartModel(), dir.file("no/such/folder/chart.ghf"), &error));
    EXPECT_FALSE(error.isEmpty());
}
