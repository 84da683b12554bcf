// Collection files and the working copy: the image cut at its last address, zeros standing in
// for missing bytes only up to the end of the meter's memory.
#include <gtest/gtest.h>

#include <QFile>

#include "files/collectionfile.h"
#include "meter/simulatedmemory.h"
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
    ASSERT_TRUE(WriteWorkingCopy(image, garbled));
    EXPECT_EQ(QFile(workingCopyFile()).size(), kLoggedMemoryBytes);

    const QString file = data.file("garbled.rec");
    ASSERT_TRUE(WriteCollectionFile(file, image.left(1000), garbled));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray written = f.readAll();
    EXPECT_EQ(written.size(), kLoggedMemoryBytes);
    EXPECT_EQ(written.left(1000), image.left(1000));
    EXPECT_EQ(written.mid(1000), QByteArray(kLoggedMemoryBytes - 1000, '\0'));
}

} // namespace
