#include "support/testenv.h"

#include "base/datadir.h"

namespace quedral::test {

ScopedDataDir::ScopedDataDir()
{
    DataDir::reset();
    DataDir::init(m_dir.path());
}

ScopedDataDir::~ScopedDataDir()
{
    DataDir::reset();
}

QString fixturePath(const QString& relative)
{
    return QStringLiteral(QUEDRAL_TEST_DATA_DIR "/") + relative;
}

} // namespace quedral::test
