// What the panes and import test programs share: a recorder of message boxes, and a
// main() that installs the store's write-fault filter first, sets the application's
// names and resources, and refuses to run outside ctest (which points HOME and the
// XDG folders at a test folder).
#pragma once

#include "core/backup_store.h"
#include "res/resources.h"
#include "ui/message_box.h"

#include <QApplication>
#include <QtTest>

// The texts of the message boxes raised while it lives, which are never shown.
struct CMessageLog : QStringList {
    CMessageLog() { *GwMessageBoxHook() = [this](const QString& str) { append(str); }; }
    ~CMessageLog() { *GwMessageBoxHook() = nullptr; }
};

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
