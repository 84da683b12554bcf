#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "base/datadir.h"

using namespace quedral;

TEST(DataDir, OptionBeatsEnvironmentAndIsCreated)
{
    QTemporaryDir a, b;
    const QByteArray saved = qgetenv("QUEDRAL_DATA_DIR");
    qputenv("QUEDRAL_DATA_DIR", QFile::encodeName(a.path() + "/env"));

    DataDir::reset();
    EXPECT_EQ(DataDir::init(), QDir(a.path() + "/env").absolutePath());
    EXPECT_TRUE(QDir(a.path() + "/env").exists());

    DataDir::reset();
    EXPECT_EQ(DataDir::init(b.path() + "/opt"), QDir(b.path() + "/opt").absolutePath());
    EXPECT_EQ(DataDir::file("temp/x.tmp"), b.path() + "/opt/temp/x.tmp");

    QStringList args{"quedral", "--data-dir", "/d1", "--simulate", "--data-dir=/d2"};
    EXPECT_EQ(takeDataDirOption(args), "/d2");
    EXPECT_EQ(args, QStringList({"quedral", "--simulate"}));

    qputenv("QUEDRAL_DATA_DIR", saved);
    DataDir::reset();
}
