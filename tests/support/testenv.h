#pragma once
#include <QString>
#include <QTemporaryDir>
#include <memory>

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

// Folder with the test binaries' fixtures (tests/data in the source tree).
QString fixturePath(const QString& relative);

} // namespace quedral::test
