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

// Root may write to /usr/bin: an installed program still keeps its working files elsewhere,
// while a build folder (writable, not installed) stays the data directory it always was.
TEST(DataDir, InstalledProgramFoldersAreNeverTheDataDirectory)
{
    QTemporaryDir build;
    const struct {
        QString dir;
        bool installed;
    } cases[] = {
        {"/usr/bin", true},      {"/usr/bin/", true},          {"/usr/local/bin", true},
        {"/usr/bin/../bin", true}, {QStringLiteral(QUEDRAL_INSTALL_BINDIR), true},
        {build.path(), false},   {"/usr/share", false},        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DataDir::isInstalledProgramFolder(c.dir), c.installed) << c.dir.toStdString();
}
