#include "support/testenv.h"

#include "base/datadir.h"

#include <csignal>
#include <sys/resource.h>

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

ScopedFileSizeLimit::ScopedFileSizeLimit(long long bytes)
{
    m_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_before = limit.rlim_cur;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(m_before);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_handler);
}

QString fixturePath(const QString& relative)
{
    return QStringLiteral(QUEDRAL_TEST_DATA_DIR "/") + relative;
}

} // namespace quedral::test
