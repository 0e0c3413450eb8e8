// File > Export in the main window: the submenu and its four commands, each
// writing what the export functions make of the drawing, and a failed write
// that tells the user and leaves nothing behind; every save and export, and
// exit, writing a floating block or a pending shape where it is shown.
#include "canvas/art_view.h"
#include "canvas/frame_picture.h"
#include "res/command_ids.h"
#include "shell/export_commands.h"
#include "shell/export_job.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"

#include <QDir>
#include <QImageReader>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <semaphore>

class CExportCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void exportsWriteWhatTheDrawingShows()
    {
        ClearSettings();
        QTemporaryDir dir;
        CDialogRecorder dialogs;
        *GwZoomDialogHook() = [](int) { return 0; };
        CMainFrame frame;
        auto* pExport = frame.findChild<QMenu*>(QStringLiteral("exportMenu"));
        QVERIFY(pExport);
        QList<int> vIds;
        for (QAction* pAction : pExport->actions())
            if (!pAction->isSeparator()) {
                vIds << pAction->data().toInt();
                QVERIFY(!pAction->icon().isNull());
            }
        QCOMPARE(vIds, (QList<int>{gw::ID_EXPORT_PNG, gw::ID_EXPORT_GIF, gw::ID_EXPORT_SVG, gw::ID_EXPORT_UTF8,
                                    gw::ID_EXPORT_ANSI, gw::ID_EXPORT_CAST}));

        CArtDoc& doc = frame.Document();
        frame.View()->BeginEdit();
        frame.View()->SetCell(0, 0, 'A', CArtView::COLOUR_GIVEN, 0x0000FF);
        frame.View()->EndEdit();
        dialogs.m_strFilePath = dir.filePath(QStringLiteral("frame.png"));
        frame.RunCommand(gw::ID_EXPORT_PNG);
        QTRY_VERIFY(!frame.Exports().IsRunning());
        const QImage imgExpected =
            CFramePicture(doc.GetRows(), doc.GetCols(), 0, frame.View()->GetBackColor()).Render(doc.GetCurCells());
        QCOMPARE(QImage(dialogs.m_strFilePath).convertToFormat(QImage::Format_RGB32), imgExpected);

        QVERIFY(frame.Frames().AddNewFrame());
        dialogs.m_strFilePath = dir.filePath(QStringLiteral("anim.gif"));
        frame.RunCommand(gw::ID_EXPORT_GIF);
        QTRY_VERIFY(!frame.Exports().IsRunning());
        QCOMPARE(QImageReader(dialogs.m_strFilePath).imageCount(), 2);

        dialogs.m_strFilePath = dir.filePath(QStringLiteral("frame.ans"));
        frame.RunCommand(gw::ID_EXPORT_ANSI);
        QFile ansi(dialogs.m_strFilePath);
        QVERIFY(ansi.open(QIODevice::ReadOnly) && ansi.readAll().startsWith("\x1b[48;2;"));
        QVERIFY(dialogs.m_vMessages.isEmpty());

        // A folder that is not there: a message, and no file of any kind.
        dialogs.m_strFilePath = dir.filePath(QStringLiteral("missing/frame.txt"));
        frame.RunCommand(gw::ID_EXPORT_UTF8);
        QCOMPARE(dialogs.m_vMessages.size(), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 3);
        *GwZoomDialogHook() = nullptr;
    }

    // Exit answers Cancel, then Yes. Pictures and pages are checked against
    // a second export of the settled drawing.
    void savesExportsAndExitWritePendingWorkAsShown()
    {
        ClearSettings();
        *GwZoomDialogHook() = [](int) { return 0; };
        // clang-format off
        const std::pair<int, QByteArray> rows[] = {
            {gw::ID_FILE_SAVE, "gwp"}, {gw::ID_FILE_SAVE_AS, "gwp"}, {gw::ID_APP_EXIT, "gwp"},
            {gw::ID_SAVE_SINGLE_TEXT, "txt"}, {gw::ID_EXPORT_UTF8, "txt"},
            {gw::ID_SAVE_SINGLE_HTML, "htm"}, {gw::ID_SAVE_ANIMATION_HTML, "htm"},
            {gw::ID_EXPORT_PNG, "png"}, {gw::ID_EXPORT_GIF, "gif"}, {gw::ID_EXPORT_ANSI, "ans"},
            {gw::ID_EXPORT_SVG, "svg"}, {gw::ID_EXPORT_CAST, "cast"}};
        // clang-format on
        for (const EPending kind : {EPending::Block, EPending::Line}) {
            for (const auto& [nCommand, strExt] : rows) {
                QTemporaryDir dir;
                CDialogRecorder rec;
                rec.m_strFilePath = dir.filePath("out." + strExt);
                CMainFrame frame;
                MakePendingWork(frame, kind, dir.filePath("out.gwp"));
                if (nCommand == gw::ID_APP_EXIT) {
                    frame.RunCommand(nCommand);
                    QVERIFY(rec.m_vPrompts.size() == 1 && frame.View()->HasPendingEdits());
                    rec.m_answer = QMessageBox::Yes;
                }
                frame.RunCommand(nCommand);
                QTRY_VERIFY(!frame.Exports().IsRunning());
                const QByteArray data = FileBytes(rec.m_strFilePath);
                QByteArray shown =
                    strExt == "txt" ? ShownRows(data.split('\n')) : ShownRowsOfGwp(data);
                if (strExt != "txt" && strExt != "gwp") {
                    rec.m_strFilePath = dir.filePath("again." + strExt);
                    frame.RunCommand(nCommand);
                    QTRY_VERIFY(!frame.Exports().IsRunning());
                    shown = FileBytes(rec.m_strFilePath) == data ? ShownPending(kind) : "differs";
                }
                const QByteArray strId = QByteArray::number(nCommand) + ": ";
                const CArtDoc& doc = frame.Document();
                const auto canvas = [&] { return strId + ShownRows(doc.GetCurCells(), doc.GetCols()); };
                QCOMPARE(strId + shown, strId + ShownPending(kind));
                QCOMPARE(canvas(), strId + shown);
                frame.RunCommand(gw::ID_EDIT_UNDO);
                QCOMPARE(canvas(), strId + " AB     |        |        ");
            }
        }
        *GwZoomDialogHook() = nullptr;
    }

    // Each long export held on its worker: the window goes on (an edit, and
    // the drawing it shows), Cancel in the progress dialog stops it and no
    // file is left; let run, it writes the drawing as it was when it began.
    void longExportsRunOnAWorkerOverASnapshotAndCancelLeavesNoFile()
    {
        ClearSettings();
        *GwZoomDialogHook() = [](int) { return 4; };
        for (const int nCommand : {gw::ID_EXPORT_PNG, gw::ID_EXPORT_GIF, gw::ID_SAVE_ANIMATION_HTML,
                                   gw::ID_EXPORT_SVG, gw::ID_EXPORT_CAST}) {
            for (const bool bCancel : {true, false}) {
                QTemporaryDir dir;
                CDialogRecorder rec;
                CMainFrame frame;
                QVERIFY(frame.Frames().AddNewFrame());
                rec.m_strFilePath = dir.filePath(QStringLiteral("before"));
                frame.RunCommand(nCommand);
                QTRY_VERIFY(!frame.Exports().IsRunning());

                std::binary_semaphore semHeld(0);
                std::binary_semaphore semGo(0);
                std::atomic<bool> bGaveUp = false;
                *GwExportStepHook() = [&](int nStep) {
                    if (nStep == 0) {
                        semHeld.release();
                        bGaveUp = !semGo.try_acquire_for(std::chrono::seconds(10));
                    }
                };
                rec.m_strFilePath = dir.filePath(QStringLiteral("held"));
                frame.RunCommand(nCommand);
                *GwExportStepHook() = nullptr;
                QVERIFY(semHeld.try_acquire_for(std::chrono::seconds(10)));
                frame.View()->BeginEdit();
                frame.View()->SetCell(0, 0, 'Z', CToolContext::COLOUR_GIVEN, 0x00FF00);
                frame.View()->EndEdit();
                if (bCancel) {
                    auto* pDialog = frame.findChild<QProgressDialog*>();
                    QVERIFY(pDialog && pDialog->findChild<QPushButton*>());
                    pDialog->findChild<QPushButton*>()->click();
                }
                semGo.release();
                QTRY_VERIFY(!frame.Exports().IsRunning());
                QVERIFY(!bGaveUp && rec.m_vMessages.isEmpty());
                const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
                if (bCancel)
                    QCOMPARE(files, QStringList{QStringLiteral("before")});
                else
                    QCOMPARE(FileBytes(dir.filePath(QStringLiteral("held"))),
                             FileBytes(dir.filePath(QStringLiteral("before"))));
            }
        }
        *GwZoomDialogHook() = nullptr;
    }
};

GW_SHELL_TEST_MAIN(CExportCommandsTest)
#include "export_commands_test.moc"
