#pragma once
#include <QLocale>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"

namespace quedral::test {

// A fresh data directory for one test case, installed as the program's data
// directory for the case's lifetime.
class ScopedDataDir {
public:
    ScopedDataDir();
    ~ScopedDataDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& rel) const { return m_dir.path() + "/" + rel; }

private:
    QTemporaryDir m_dir;
};

// Installs a clock or a prompter for the guard's lifetime, so that a failing assertion that
// leaves the test early never leaves the seam pointing at a destroyed object.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock) { Clock::install(&clock); }
    ~ScopedClock() { Clock::install(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

class ScopedPrompter {
public:
    explicit ScopedPrompter(Prompter& prompter) { Prompter::install(&prompter); }
    ~ScopedPrompter() { Prompter::install(nullptr); }
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;
};

// Makes a locale the default (QLocale()) for the guard's lifetime; the one before comes back.
class ScopedDefaultLocale {
public:
    explicit ScopedDefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~ScopedDefaultLocale() { QLocale::setDefault(m_before); }
    ScopedDefaultLocale(const ScopedDefaultLocale&) = delete;
    ScopedDefaultLocale& operator=(const ScopedDefaultLocale&) = delete;

private:
    QLocale m_before;
};

// Locales the text tests read and write in.
inline const QLocale kUs(QLocale::English, QLocale::UnitedStates); // short date M/d/yy, decimal point
inline const QLocale kDe(QLocale::German, QLocale::Germany);       // short date dd.MM.yy, decimal comma

// A local date and time as a day count.
inline double days(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return toDays(QDate(y, mo, d), QTime(h, mi, s, ms));
}

// A disk that fills up: for the guard's lifetime no file of this process may grow past
// `bytes` (a write beyond fails as it does on a full disk, with "File too large"). SIGXFSZ is
// ignored meanwhile, so the write fails instead of the process dying. Works unprivileged.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(long long bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    unsigned long long m_before = 0;
    void (*m_handler)(int) = nullptr;
};

// Folder with the test binaries' fixtures (tests/data in the source tree).
QString fixturePath(const QString& relative);

} // namespace quedral::test
