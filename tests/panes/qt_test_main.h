// main() of the panes and import test programs: the store's write-fault filter first,
// the application's names for its settings, resources, and a refusal to run
// outside ctest, which points HOME and the XDG folders at a test folder.
#pragma once

#include "core/backup_store.h"
#include "res/resources.h"

#include <QApplication>
#include <QtTest>

#define GW_QT_TEST_MAIN(TestClass)                                                       \
    int main(int argc, char** argv)                                                         \
    {                                                                                       \
        BackupInstallFaultFilter();                                                         \
        QApplication app(argc, argv);                                                       \
        GwInitResources();                                                                  \
        QCoreApplication::setOrganizationName(QStringLiteral("Quillmark"));                 \
        QCoreApplication::setApplicationName(QStringLiteral("Glyphwright"));                \
        if (!qEnvironmentVariable("XDG_CONFIG_HOME").contains(QStringLiteral("test-home")) || \
            !qEnvironmentVariable("XDG_DATA_HOME").contains(QStringLiteral("test-home"))) {  \
            qCritical("run through ctest, which points the XDG folders at a test folder");   \
            return 2;                                                                       \
        }                                                                                   \
        TestClass test;                                                                     \
        return QTest::qExec(&test, argc, argv);                                             \
    }
