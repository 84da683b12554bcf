// Opening outside files for reading: regular files only, after following links, with a bound.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "base/inputfile.h"

using namespace quedral;

namespace {

class InputFileTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(name); }
    QString write(const char* name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QTemporaryDir dir;
};

} // namespace

// What is not a regular file is refused before a byte is read: a device that never ends, a FIFO
// nobody writes to (opening it must not wait) and a folder; links are followed.
TEST_F(InputFileTest, OnlyRegularFilesAreRead)
{
    const QString regular = write("ten.bin", "0123456789");
    ASSERT_TRUE(QFile::link(regular, path("link.bin")));
    ASSERT_TRUE(QFile::link("/dev/zero", path("zero.rec")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.txt")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ghf"));
    const struct {
        const char* name;
        qint64 maxBytes;
        const char* errorContains; // nullptr: read
    } cases[] = {
        {"ten.bin", 10, nullptr},
        {"ten.bin", kAnySize, nullptr},
        {"link.bin", 10, nullptr},
        {"ten.bin", 9, "more than the 9"},
        {"zero.rec", kAnySize, "not a regular file"},
        {"zero.rec", 1 << 20, "not a regular file"},
        {"fifo.txt", kAnySize, "not a regular file"},
        {"folder.ghf", kAnySize, "folder"},
        {"missing.txt", kAnySize, "No such file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        const std::optional<QByteArray> bytes = readInputFile(path(c.name), c.maxBytes, &error);
        QFile file;
        QString openError;
        const bool opened = openInputFile(file, path(c.name), c.maxBytes, &openError);
        if (!c.errorContains) {
            ASSERT_TRUE(bytes.has_value()) << error.toStdString();
            EXPECT_EQ(*bytes, QByteArray("0123456789"));
            EXPECT_TRUE(opened);
            EXPECT_EQ(file.readAll(), QByteArray("0123456789"));
        } else {
            EXPECT_FALSE(bytes.has_value());
            EXPECT_TRUE(error.contains(c.errorContains)) << error.toStdString();
            EXPECT_FALSE(opened);
            EXPECT_FALSE(file.isOpen());
            EXPECT_EQ(openError, error);
        }
    }
}

TEST_F(InputFileTest, AnEmptyFileIsReadAsEmpty)
{
    const std::optional<QByteArray> bytes = readInputFile(write("empty", {}), 0);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_TRUE(bytes->isEmpty());
}
