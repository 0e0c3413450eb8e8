// main() of the canvas test programs. Before Qt starts: HOME and the XDG
// folders point into a private temporary folder (no test reads or writes the
// user's settings), the offscreen platform is chosen, the store's write-fault
// filter is installed and Qt Test's crash handler is turned off, since it
// would take SIGSEGV away from that filter.
#pragma once

#include "core/backup_store.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

template <class TTest>
int RunCanvasTest(int argc, char** argv)
{
    QTemporaryDir dirHome;
    if (!dirHome.isValid())
        return 2;
    const QString strBase = dirHome.path();
    for (const char* pszSub : {"home", "config", "data", "cache", "runtime"})
        QDir(strBase).mkpath(QString::fromLatin1(pszSub));
    QFile::setPermissions(strBase + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(strBase + "/home"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(strBase + "/config"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(strBase + "/data"));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(strBase + "/cache"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(strBase + "/runtime"));
    qputenv("QT_QPA_PLATFORM", "offscreen");

    BackupInstallFaultFilter();

    std::vector<char*> vArgs(argv, argv + argc);
    char szNoCrashHandler[] = "-nocrashhandler";
    bool bHasFlag = false;
    for (char* pArg : vArgs)
        bHasFlag = bHasFlag || QByteArray(pArg) == szNoCrashHandler;
    if (!bHasFlag)
        vArgs.insert(vArgs.begin() + 1, szNoCrashHandler);
    int nArgs = static_cast<int>(vArgs.size());
    vArgs.push_back(nullptr);

    QApplication app(nArgs, vArgs.data());
    QApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationName(QStringLiteral("Glyphwright"));
    TTest test;
    return QTest::qExec(&test, nArgs, vArgs.data());
}

#define GW_CANVAS_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char** argv) { return RunCanvasTest<TestClass>(argc, argv); }
