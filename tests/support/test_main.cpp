#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

#include "base/datadir.h"

int main(int argc, char** argv)
{
    // Keep every test away from the user's runtime, settings and data folders.
    static QTemporaryDir home;
    QDir().mkpath(home.path() + "/runtime");
    QFile::setPermissions(home.path() + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path() + "/runtime"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + "/config"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/data"));
    qputenv("QUEDRAL_DATA_DIR", QFile::encodeName(home.path() + "/quedral-data"));

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("QuedralTests");
    QCoreApplication::setApplicationName("quedral-tests");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
