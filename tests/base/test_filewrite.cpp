#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/filewrite.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

QByteArray contentOf(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

void put(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

// A write that fails part-way (a full disk) never publishes the file: the old one stays, no
// temporary file is left, and the system's reason is given. Small bodies fail only when the
// buffer is flushed, large ones at a write.
TEST(FileWrite, AFailedWriteKeepsTheOldFileAndSaysWhy)
{
    struct Case {
        const char* name;
        ExistingFile existing;
        bool oldFile;
        qsizetype bodyBytes;
    };
    const Case cases[] = {
        {"replace, small body", ExistingFile::Replace, true, 300},
        {"replace, large body", ExistingFile::Replace, true, 200000},
        {"replace, no old file", ExistingFile::Replace, false, 300},
        {"keep, small body", ExistingFile::Keep, false, 300},
        {"keep, large body", ExistingFile::Keep, false, 200000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString file = dir.filePath("out.dat");
        if (c.oldFile)
            put(file, "old and whole");
        const QByteArray body(c.bodyBytes, 'x');
        QString error;
        {
            test::ScopedFileSizeLimit full(100);
            EXPECT_FALSE(writeFileWhole(file, body, &error, c.existing));
        }
        EXPECT_EQ(error, "File too large");
        EXPECT_EQ(contentOf(file), c.oldFile ? QByteArray("old and whole") : QByteArray("<absent>"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  c.oldFile ? QStringList{"out.dat"} : QStringList{});

        // With room, the same write goes through.
        EXPECT_TRUE(writeFileWhole(file, body, &error, c.oldFile ? ExistingFile::Replace : c.existing))
            << error.toStdString();
        EXPECT_EQ(contentOf(file), body);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.dat"});
    }
}

TEST(FileWrite, KeepNeverReplacesAndAFillThatGivesUpWritesNothing)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("out.dat");
    put(file, "old");
    QString error;
    EXPECT_FALSE(writeFileWhole(file, QByteArray("new"), &error, ExistingFile::Keep));
    EXPECT_TRUE(error.contains("already exists")) << error.toStdString();
    EXPECT_EQ(contentOf(file), "old");

    for (ExistingFile existing : {ExistingFile::Replace, ExistingFile::Keep}) {
        const QString target = existing == ExistingFile::Replace ? file : dir.filePath("new.dat");
        const auto giveUp = [](QIODevice& out, QString* why) {
            out.write("half");
            *why = QStringLiteral("cancelled");
            return false;
        };
        EXPECT_FALSE(writeFileWhole(target, giveUp, &error, existing));
        EXPECT_EQ(error, "cancelled");
        EXPECT_EQ(contentOf(file), "old");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.dat"});
    }
}

TEST(FileWrite, CopyIsWholeOrNothing)
{
    QTemporaryDir dir;
    const QString from = dir.filePath("from.wav");
    const QByteArray bytes(150000, 'w');
    put(from, bytes);
    const QString to = dir.filePath("to.wav");
    QString error;
    {
        test::ScopedFileSizeLimit full(160000 - 20000);
        EXPECT_FALSE(copyFileWhole(from, to, &error));
    }
    EXPECT_EQ(error, "File too large");
    EXPECT_FALSE(QFile::exists(to));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"from.wav"});
    EXPECT_TRUE(copyFileWhole(from, to, &error)) << error.toStdString();
    EXPECT_EQ(contentOf(to), bytes);
    EXPECT_FALSE(copyFileWhole(from, to, &error)) << "never over an existing file";
    EXPECT_FALSE(copyFileWhole(dir.filePath("missing"), dir.filePath("x"), &error));
    EXPECT_FALSE(QFile::exists(dir.filePath("x")));
}
