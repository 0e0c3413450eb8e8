// What every shell test program shares: a main that installs the store's
// write-fault filter before anything else, and recorders for the message
// boxes and file dialogs so that no test ever blocks on a modal window.
#pragma once

#include "canvas/art_view.h"
#include "core/backup_store.h"
#include "core/gwp_reader.h"
#include "res/command_ids.h"
#include "shell/art_app.h"
#include "shell/main_frame.h"
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

// Drags the left button across the canvas from one cell's middle to another's.
inline void DragCells(CArtView& view, int nCol0, int nRow0, int nCol1, int nRow1)
{
    const int w = view.GetCellWidth(), h = view.GetCellHeight();
    const QPoint pt0(nCol0 * w + w / 2, nRow0 * h + h / 2), pt1(nCol1 * w + w / 2, nRow1 * h + h / 2);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, pt0);
    QTest::mouseMove(view.viewport(), pt1);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, pt1);
}

// Work on screen that the cells do not hold yet, in a drawing saved to strPath
// with "AB" at cell (1, 1): the block lifted from there and moved to (4, 3), or
// a line of '#' along row 5 left pending. ShownRows: rows 1, 3, 5, columns 0-7.
enum class EPending { Block, Line };
inline void MakePendingWork(CMainFrame& frame, EPending kind, const QString& strPath)
{
    CArtView& view = *frame.View();
    view.BeginEdit();
    view.SetCell(1, 1, 'A', CArtView::COLOUR_TEXT, 0);
    view.SetCell(2, 1, 'B', CArtView::COLOUR_TEXT, 0);
    view.EndEdit();
    QVERIFY(frame.Files().SaveDocumentTo(strPath));
    frame.RunCommand(kind == EPending::Block ? gw::ID_TOOL_SELECT : gw::ID_TOOL_LINE);
    view.SetLeftChar('#');
    if (kind == EPending::Block) {
        DragCells(view, 1, 1, 3, 2); // lifted
        DragCells(view, 1, 1, 4, 3); // moved by its middle
    } else
        DragCells(view, 1, 5, 6, 5);
    QVERIFY(view.HasPendingEdits() && !frame.Document().IsModified());
}
inline QByteArray ShownPending(EPending kind)
{
    return kind == EPending::Block ? "        |    AB  |        " : " AB     |        | #####  ";
}
inline QByteArray ShownRows(const QList<QByteArray>& v)
{
    return v.value(1).left(8) + '|' + v.value(3).left(8) + '|' + v.value(5).left(8);
}
inline QByteArray ShownRows(const CharCell* pCells, int nCols)
{
    QList<QByteArray> vLines(6);
    for (int i = 0; i < 6 * nCols; ++i)
        vLines[i / nCols] += char(pCells[i].chChar);
    return ShownRows(vLines);
}
inline QByteArray ShownRowsOfGwp(const QByteArray& data)
{
    CGwpImage image;
    if (GwpParse(std::string_view(data.data(), data.size()), &image, nullptr) != EGwpResult::Ok)
        return "unreadable";
    return ShownRows(reinterpret_cast<const CharCell*>(image.Frame(0)), image.nCols);
}
inline QByteArray FileBytes(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
