// Collection files and the working copy: the image cut at its last address, zeros standing in
// for missing bytes only up to the end of the meter's memory.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include "files/collectionfile.h"
#include "meter/simulator/simulatedmemory.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

// The simulated meter's memory is the one the collections are bounded by.
static_assert(kLoggedMemoryBytes == kMeterMemoryBytes);

TEST(CollectionLength, CutAtTheLastAddressAndNeverPastTheMemoryOrTheImage)
{
    struct Case {
        qint64 image;
        int last;
        qint64 length;
    } cases[] = {
        {4096, 999, 1256},                          // the usual: last + 257, inside the image
        {1024, 2000, 2257},                         // a short image: zeros up to last + 257
        {262144, 0xFFFF0F, kLoggedMemoryBytes},      // a garbled last address: the memory, not 16 MiB
        {512, 0xFFFFFF, kLoggedMemoryBytes},         // zeros stop at the memory's end
        {300000, 0xFFFFFF, 300000},                 // a larger file's own bytes are kept, none added
        {262144, kLoggedMemoryBytes - 257, kLoggedMemoryBytes},
    };
    for (const Case& c : cases)
        EXPECT_EQ(collectionLength(c.image, c.last), c.length) << c.image << " " << c.last;
}

TEST(CollectionFiles, AGarbledLastAddressWritesNoMoreThanTheMemory)
{
    test::ScopedDataDir data;
    QByteArray image(262144, '\x11');
    const int garbled = 0xFF1234;
    ASSERT_TRUE(writeWorkingCopy(image, garbled));
    EXPECT_EQ(QFile(workingCopyFile()).size(), kLoggedMemoryBytes);

    const QString file = data.file("garbled.rec");
    ASSERT_TRUE(writeCollectionFile(file, image.left(1000), garbled));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray written = f.readAll();
    EXPECT_EQ(written.size(), kLoggedMemoryBytes);
    EXPECT_EQ(written.left(1000), image.left(1000));
    EXPECT_EQ(written.mid(1000), QByteArray(kLoggedMemoryBytes - 1000, '\0'));
}

// Only a regular file within the bound is read: a link to /dev/zero, a FIFO and a folder are
// refused before a byte is read, and a file past the bound is refused whole.
TEST(CollectionFiles, ReadingTakesOnlyARegularFileWithinTheBound)
{
    test::ScopedDataDir data;
    const QString good = data.file("good.rec");
    {
        QFile f(good);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(300, '\x22'));
    }
    ASSERT_TRUE(QFile::link("/dev/zero", data.file("zero.rec")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(data.file("fifo.rec")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(data.path()).mkdir("folder.rec"));
    QFile(data.file("empty.rec")).open(QIODevice::WriteOnly);
    const struct {
        const char* name;
        qint64 maxBytes;
        const char* errorContains; // nullptr: read
    } cases[] = {
        {"good.rec", kMaxCollectionBytes, nullptr},
        {"good.rec", 300, nullptr},
        {"good.rec", 299, "more than the 299"},
        {"zero.rec", kMaxCollectionBytes, "not a regular file"},
        {"fifo.rec", kMaxCollectionBytes, "not a regular file"},
        {"folder.rec", kMaxCollectionBytes, "folder"},
        {"empty.rec", kMaxCollectionBytes, "empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray image;
        QString error;
        const bool read = readCollectionFile(data.file(c.name), image, &error, c.maxBytes);
        if (!c.errorContains) {
            EXPECT_TRUE(read) << error.toStdString();
            EXPECT_EQ(image, QByteArray(300, '\x22'));
        } else {
            EXPECT_FALSE(read);
            EXPECT_TRUE(error.contains(c.errorContains)) << error.toStdString();
        }
    }
}

} // namespace
