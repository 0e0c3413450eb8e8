// What every shell test program shares: a main that installs the store's
// write-fault filter before anything else, and recorders for the message
// boxes and file dialogs so that no test ever blocks on a modal window.
#pragma once

#include "core/backup_store.h"
#include "shell/art_app.h"
#include "ui/file_dialogs.h"
#include "ui/message_box.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

// Records every message box text while it lives; answers the save prompt
// with m_answer and every file dialog with m_strFilePath.
class CDialogRecorder {
public:
    CDialogRecorder()
    {
        *GwMessageBoxHook() = [this](const QString& str) { m_vMessages.append(str); };
        *GwSavePromptHook() = [this](const QString& str) {
            m_vPrompts.append(str);
            return m_answer;
        };
        *GwFileDialogHook() = [this](const QString& strFilter) {
            m_vFilters.append(strFilter);
            return m_strFilePath;
        };
    }
    ~CDialogRecorder()
    {
        *GwMessageBoxHook() = nullptr;
        *GwSavePromptHook() = nullptr;
        *GwFileDialogHook() = nullptr;
    }
    Q_DISABLE_COPY(CDialogRecorder)

    QStringList m_vMessages;
    QStringList m_vPrompts;
    QStringList m_vFilters;
    QMessageBox::StandardButton m_answer = QMessageBox::Cancel;
    QString m_strFilePath;
};

// Runs fn on the next modal dialog once it is shown (for commands that exec
// a dialog of their own).
inline void OnNextModalDialog(std::function<void(QDialog*)> fn)
{
    auto* pTimer = new QTimer;
    QObject::connect(pTimer, &QTimer::timeout, [pTimer, fn] {
        if (auto* pDlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            pTimer->stop();
            pTimer->deleteLater();
            fn(pDlg);
        }
    });
    pTimer->start(10);
}

// Each test starts from an empty settings file in the private test HOME.
inline void ClearSettings()
{
    QSettings settings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
    settings.clear();
    settings.sync();
}

// Recovery tests: a private XDG_STATE_HOME, and m_rec whose messages cleanup() takes and checks.
class CRecoveryHome {
protected:
    QTemporaryDir m_dir;
    CDialogRecorder m_rec;

    QString Folder() const { return m_dir.path() + QStringLiteral("/state/Glyphwright/recovery"); }
    QStringList Entries(const QString& str) const { return QDir(Folder()).entryList({str}); }
    void ResetHome()
    {
        ClearSettings();
        qputenv("XDG_STATE_HOME", (m_dir.path() + QStringLiteral("/state")).toLocal8Bit());
        QDir(Folder()).removeRecursively();
    }
};

#define GW_SHELL_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char** argv)                                                            \
    {                                                                                          \
        BackupInstallFaultFilter();                                                            \
        QApplication app(argc, argv);                                                          \
        CArtApp::ConfigureApplication();                                                       \
        if (!qEnvironmentVariable("XDG_CONFIG_HOME").contains(QStringLiteral("test-home"))) {  \
            qCritical("run through ctest, which points XDG_CONFIG_HOME at a test folder");     \
            return 2;                                                                          \
        }                                                                                      \
        TestClass test;                                                                        \
        return QTest::qExec(&test, argc, argv);                                                \
    }
