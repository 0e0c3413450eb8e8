// The file commands of the main window: opening and dropping ".gwp" files,
// refusals that must leave the drawing alone, New with its size dialog,
// saving and exporting, and failures that must keep the user's work.
#include "canvas/art_view.h"
#include "core/char_cell.h"
#include "core/edit_bracket.h"
#include "res/command_ids.h"
#include "shell/canvas_size_dlg.h"
#include "panes/frame_panel.h"
#include "shell/export_commands.h"
#include "shell/load_progress.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"

#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <cstring>

using namespace gw;

namespace {

void PutU32(QByteArray& data, quint32 n)
{
    for (int i = 0; i < 4; ++i) {
        data.append(char((n >> (8 * i)) & 0xFF));
    }
}

// A drawing of nFrames frames; every cell of frame n holds the character
// 'A' + n in a colour of its own.
QByteArray GwpBytes(int nFrames, int nRows, int nCols)
{
    QByteArray data("GWHEADER");
    PutU32(data, quint32(nFrames));
    PutU32(data, quint32(nCols));
    PutU32(data, quint32(nRows));
    for (int n = 0; n < nFrames; ++n) {
        for (int i = 0; i < nRows * nCols; ++i) {
            CharCell cell{};
            cell.crColor = 0x102030u + quint32(n);
            cell.chChar = uint8_t('A' + n);
            data.append(reinterpret_cast<const char*>(&cell), sizeof cell);
        }
    }
    return data;
}

bool WriteFile(const QString& strPath, const QByteArray& data)
{
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

void Drop(CMainFrame& frame, const QString& strPath)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(strPath)});
    QDropEvent event(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    // Straight to the window's handler: the application delivers drops only
    // during a drag that the platform started.
    static_cast<QObject&>(frame).event(&event);
}

// What the drawing held when the watched widget was first painted: frames, first character.
struct CFirstPaintProbe : QObject {
    CFirstPaintProbe(QWidget* pWidget, const CArtDoc& doc) : m_doc(doc) { pWidget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint && m_nFrames == 0)
            m_nFrames = m_doc.GetFrameCount(), m_chFirstCell = m_doc.GetCurCells()[0].chChar;
        return false;
    }
    const CArtDoc& m_doc;
    int m_nFrames = 0; // 0 until painted
    uint8_t m_chFirstCell = 0;
};

QString NoSuchFolderPath(const QTemporaryDir& dir, const QString& strName)
{
    // Permission bits do not stop root, a missing folder stops everyone.
    return dir.filePath(QStringLiteral("no-such-folder/") + strName);
}

} // namespace

class CFileCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClearSettings(); }

    void openThreeFrames()
    {
        QTemporaryDir dir;
        const QString strPath = dir.filePath(QStringLiteral("three.gwp"));
        QVERIFY(WriteFile(strPath, GwpBytes(3, 10, 20)));
        CDialogRecorder rec;
        rec.m_strFilePath = strPath;
        CMainFrame frame;
        frame.RunCommand(ID_FILE_OPEN);

        QCOMPARE(rec.m_vFilters, QStringList{QStringLiteral("Glyphwright file (*gwp)")});
        QVERIFY(rec.m_vMessages.isEmpty());
        CArtDoc& doc = frame.Document();
        QCOMPARE(doc.GetFrameCount(), 3);
        QCOMPARE(doc.GetRows(), 10);
        QCOMPARE(doc.GetCols(), 20);
        QCOMPARE(doc.GetCurCells(), doc.GetFrames().at(2));
        QCOMPARE(doc.GetCurCells()[199].chChar, uint8_t('C'));
        QCOMPARE(frame.View()->GetCells(), doc.GetCurCells());
        QCOMPARE(frame.View()->GetRows(), 10);
        QVERIFY(!doc.IsModified());
        QCOMPARE(frame.windowTitle(), QStringLiteral("three - Glyphwright"));
        QVERIFY(!frame.Action(ID_EDIT_UNDO)->isEnabled());
        // Each item's picture is made from its own frame's cells.
        CFramePaneView* pList = frame.FramePanel()->List();
        QCOMPARE(pList->SelectedIndex(), 2);
        for (int i = 0; i < 3; ++i) {
            const int nImage = static_cast<int>(pList->ItemData(i) & 0xFFFF);
            QCOMPARE(pList->Thumbnail(nImage).toImage().convertToFormat(QImage::Format_RGB32),
                     frame.View()->MakeFrameThumbnail(doc.GetFrames().at(i)));
        }
        QVERIFY(pList->Thumbnail(0).toImage() != pList->Thumbnail(1).toImage());
        for (int nKey : {0, 1, 2}) {
            doc.SelectFrame(nKey);
            QVERIFY2(!doc.CanUndo(), qPrintable(QString::number(nKey)));
            QCOMPARE(doc.GetCurCells()[0].chChar, uint8_t('A' + nKey));
        }
    }

    void cancelledOpenKeepsTheDrawingOnScreen()
    {
        QTemporaryDir dir;
        const QString strPath = dir.filePath(QStringLiteral("three.gwp"));
        QVERIFY(WriteFile(strPath, GwpBytes(3, 10, 20)));
        CDialogRecorder rec;
        CMainFrame frame;
        frame.RunCommand(ID_ADD_FRAME);
        CArtDoc& doc = frame.Document();
        const auto mapBefore = doc.GetFrames();
        int nReports = 0;
        frame.Files().m_fnLoadProgressHook = [&](int nDone, int nTotal) {
            ++nReports;
            return nDone < nTotal; // the last report cancels
        };
        frame.OpenAtStart(strPath);
        QVERIFY(nReports > 0);
        QVERIFY(rec.m_vMessages.isEmpty());
        QCOMPARE(doc.GetFrames(), mapBefore);
        QCOMPARE(doc.GetRows(), 40);
        QCOMPARE(frame.View()->GetCells(), doc.GetCurCells());
        QCOMPARE(frame.FramePanel()->List()->count(), 2);
        QCOMPARE(frame.windowTitle(), QStringLiteral("Untitled - Glyphwright"));
    }

    // A file named at start-up: the first picture painted is the frame the
    // drawing shows once open (its last), the rest of the file comes after
    // that paint; refused then, the blank drawing comes back.
    void startPaintsTheFilesPictureFirst()
    {
        QTemporaryDir dir;
        const QString strPath = dir.filePath(QStringLiteral("three.gwp"));
        QVERIFY(WriteFile(strPath, GwpBytes(3, 10, 20)));
        for (const bool bCancel : {false, true}) {
            CDialogRecorder rec;
            CMainFrame frame;
            CArtDoc& doc = frame.Document();
            CFirstPaintProbe probe(frame.View()->viewport(), doc);
            if (bCancel)
                frame.Files().m_fnLoadProgressHook = [](int nDone, int nTotal) { return nDone < nTotal; };
            frame.Files().ShowPictureAtStart(strPath);
            bool bOpened = false;
            RunAfterFirstPaint(frame.View()->viewport(), [&] {
                QVERIFY(probe.m_nFrames > 0);
                frame.OpenAtStart(strPath);
                bOpened = true;
            });
            frame.show();
            QTRY_VERIFY(bOpened);
            QCOMPARE(probe.m_nFrames, 1);
            QCOMPARE(probe.m_chFirstCell, uint8_t('C'));
            QVERIFY(rec.m_vMessages.isEmpty());
            QVERIFY(!doc.IsModified());
            QCOMPARE(frame.View()->GetCells(), doc.GetCurCells());
            QCOMPARE(doc.GetFrameCount(), bCancel ? 1 : 3);
            QCOMPARE(doc.GetRows(), bCancel ? 40 : 10);
            QCOMPARE(doc.GetCurCells()[0].chChar, uint8_t(bCancel ? ' ' : 'C'));
            QCOMPARE(frame.FramePanel()->List()->count(), bCancel ? 1 : 3);
            QCOMPARE(frame.windowTitle(), bCancel ? QStringLiteral("Untitled - Glyphwright")
                                                  : QStringLiteral("three - Glyphwright"));
        }
    }

    void wrongTypeFileKeepsDrawing()
    {
        QTemporaryDir dir;
        const QString strPath = dir.filePath(QStringLiteral("notes.gwp"));
        QByteArray data = GwpBytes(1, 40, 60);
        data[3] = 'X';
        QVERIFY(WriteFile(strPath, data));
        CDialogRecorder rec;
        CMainFrame frame;
        CharCell* pBefore = frame.Document().GetCurCells();
        frame.OpenAtStart(strPath);
        QCOMPARE(rec.m_vMessages, QStringList{QStringLiteral("Wrong type file!")});
        QCOMPARE(frame.Document().GetFrameCount(), 1);
        QCOMPARE(frame.Document().GetCurCells(), pBefore);
        QCOMPARE(frame.Document().GetCurCells()[0].chChar, uint8_t(' '));
        QCOMPARE(frame.windowTitle(), QStringLiteral("Untitled - Glyphwright"));
    }

    void damagedFileShowsReasonAndKeepsDrawing()
    {
        QTemporaryDir dir;
        const QString strPath = dir.filePath(QStringLiteral("short.gwp"));
        QVERIFY(WriteFile(strPath, GwpBytes(2, 40, 60).left(20 + 1000)));
        CDialogRecorder rec;
        CMainFrame frame;
        frame.OpenAtStart(strPath);
        QCOMPARE(rec.m_vMessages.size(), 1);
        QVERIFY(rec.m_vMessages[0] != QStringLiteral("Wrong type file!"));
        QVERIFY(!rec.m_vMessages[0].isEmpty());
        QCOMPARE(frame.Document().GetFrameCount(), 1);
        QCOMPARE(frame.Document().GetRows(), 40);
    }

    void missingFileOnTheCommandLineIsToldAndTheBlankDrawingStays()
    {
        CDialogRecorder rec;
        CMainFrame frame;
        frame.OpenAtStart(QStringLiteral("/no/such/file.gwp"));
        QCOMPARE(rec.m_vMessages,
                 QStringList{QStringLiteral("/no/such/file.gwp could not be read: No such file or directory")});
        QCOMPARE(frame.Document().GetFrameCount(), 1);
        QVERIFY(frame.Document().GetPathName().empty());
    }

    void openCancelledAtSavePromptChangesNothing()
    {
        QTemporaryDir dir;
        const QString strPath = dir.filePath(QStringLiteral("two.gwp"));
        QVERIFY(WriteFile(strPath, GwpBytes(2, 40, 60)));
        CDialogRecorder rec;
        rec.m_strFilePath = strPath;
        rec.m_answer = QMessageBox::Cancel;
        CMainFrame frame;
        frame.Document().SetModifiedFlag(true);
        frame.RunCommand(ID_FILE_OPEN);
        QCOMPARE(rec.m_vPrompts, QStringList{QStringLiteral("Save changes to Untitled?")});
        QVERIFY(rec.m_vFilters.isEmpty()); // no file dialog after Cancel
        QVERIFY(frame.Document().IsModified());
        QCOMPARE(frame.Document().GetFrameCount(), 1);
    }

    void dropTestsExtensionCaseSensitively()
    {
        QTemporaryDir dir;
        const QString strUpper = dir.filePath(QStringLiteral("x.GWP"));
        const QString strLower = dir.filePath(QStringLiteral("x.gwp"));
        QVERIFY(WriteFile(strUpper, GwpBytes(3, 40, 60)));
        QVERIFY(WriteFile(strLower, GwpBytes(3, 40, 60)));
        CDialogRecorder rec;
        CMainFrame frame;
        Drop(frame, strUpper);
        QCOMPARE(frame.Document().GetFrameCount(), 1);
        QVERIFY(rec.m_vMessages.isEmpty());
        Drop(frame, strLower);
        QCOMPARE(frame.Document().GetFrameCount(), 3);
        QCOMPARE(frame.windowTitle(), QStringLiteral("x - Glyphwright"));
    }

    void newAsksSizeAndCancelKeepsDrawing()
    {
        CDialogRecorder rec;
        rec.m_answer = QMessageBox::No;
        CMainFrame frame;
        frame.RunCommand(ID_TOOL_LINE);
        frame.Document().SetModifiedFlag(true);
        CharCell* pBefore = frame.Document().GetCurCells();
        OnNextModalDialog([](QDialog* pDlg) { pDlg->reject(); });
        frame.RunCommand(ID_FILE_NEW);
        QCOMPARE(rec.m_vPrompts.size(), 1);
        // Declining to save is no save: the drawing kept is still unsaved
        // work, and Exit must ask about it again.
        QVERIFY(frame.Document().IsModified());
        QCOMPARE(frame.Document().GetCurCells(), pBefore);
        QCOMPARE(frame.m_nCurTool, 0);

        OnNextModalDialog([](QDialog* pDlg) {
            auto* pSize = qobject_cast<CCanvasSizeDlg*>(pDlg);
            pSize->RowsEdit()->setText(QStringLiteral("12"));
            pSize->ColsEdit()->setText(QStringLiteral("34"));
            pSize->accept();
        });
        frame.RunCommand(ID_FILE_NEW);
        QCOMPARE(frame.Document().GetRows(), 12);
        QCOMPARE(frame.Document().GetCols(), 34);
        QCOMPARE(frame.Document().GetFrameCount(), 1);
        QCOMPARE(frame.View()->GetCols(), 34);
    }

    void saveFailureKeepsModifiedFlag()
    {
        QTemporaryDir dir;
        CDialogRecorder rec;
        rec.m_strFilePath = NoSuchFolderPath(dir, QStringLiteral("lost.gwp"));
        CMainFrame frame;
        frame.Document().SetModifiedFlag(true);
        frame.RunCommand(ID_FILE_SAVE);
        QCOMPARE(rec.m_vFilters, QStringList{QStringLiteral("GWP file(*.gwp)")});
        QCOMPARE(rec.m_vMessages.size(), 1);
        QVERIFY2(rec.m_vMessages[0].contains(QStringLiteral("not saved")), qPrintable(rec.m_vMessages[0]));
        QVERIFY(frame.Document().IsModified());
        QCOMPARE(frame.windowTitle(), QStringLiteral("Untitled - Glyphwright"));
    }

    void saveThenSaveAgainWritesSameFile()
    {
        QTemporaryDir dir;
        const QString strPath = dir.filePath(QStringLiteral("kept.gwp"));
        CDialogRecorder rec;
        rec.m_strFilePath = strPath;
        CMainFrame frame;
        frame.Document().SetModifiedFlag(true);
        frame.RunCommand(ID_FILE_SAVE);
        QVERIFY(rec.m_vMessages.isEmpty());
        QVERIFY(!frame.Document().IsModified());
        QCOMPARE(QFileInfo(strPath).size(), qint64(38420));
        QCOMPARE(frame.windowTitle(), QStringLiteral("kept - Glyphwright"));
        // The second Save goes to the same path without asking.
        frame.RunCommand(ID_FILE_SAVE);
        QCOMPARE(rec.m_vFilters.size(), 1);
    }

    void exportFailureWritesNothing()
    {
        QTemporaryDir dir;
        CDialogRecorder rec;
        rec.m_strFilePath = NoSuchFolderPath(dir, QStringLiteral("page.htm"));
        CMainFrame frame;
        frame.RunCommand(ID_SAVE_SINGLE_HTML);
        QCOMPARE(rec.m_vFilters, QStringList{QStringLiteral("HTML file (*.htm *.html)")});
        QCOMPARE(rec.m_vMessages.size(), 1);
        QVERIFY(!QFileInfo::exists(rec.m_strFilePath));
    }

    void exportsWriteCurrentFrame()
    {
        QTemporaryDir dir;
        CDialogRecorder rec;
        CMainFrame frame;
        rec.m_strFilePath = dir.filePath(QStringLiteral("frame.txt"));
        frame.RunCommand(ID_SAVE_SINGLE_TEXT);
        QCOMPARE(rec.m_vFilters.last(), QStringLiteral("Text file (*.txt)"));
        QFile text(rec.m_strFilePath);
        QVERIFY(text.open(QIODevice::ReadOnly));
        QCOMPARE(text.readAll(), QByteArray(60, ' ').append("\r\n").repeated(40));

        rec.m_strFilePath = dir.filePath(QStringLiteral("anim.htm"));
        frame.RunCommand(ID_SAVE_ANIMATION_HTML);
        QTRY_VERIFY(!frame.Exports().IsRunning());
        QVERIFY(rec.m_vMessages.isEmpty());
        QVERIFY(QFileInfo(rec.m_strFilePath).size() > 0);
    }

    void undoFollowsDocumentHistory()
    {
        CMainFrame frame;
        CArtDoc& doc = frame.Document();
        {
            CEditBracket bracket(doc);
            bracket.BeginEdit();
            doc.GetCurCells()[0].chChar = 'Q';
            bracket.EndEdit();
        }
        frame.RefreshFrameThumbnail(); // what the view calls after an edit
        QVERIFY(frame.Action(ID_EDIT_UNDO)->isEnabled());
        QVERIFY(!frame.Action(ID_EDIT_REDO)->isEnabled());
        frame.RunCommand(ID_EDIT_UNDO);
        QCOMPARE(doc.GetCurCells()[0].chChar, uint8_t(' '));
        QVERIFY(!frame.Action(ID_EDIT_UNDO)->isEnabled());
        QVERIFY(frame.Action(ID_EDIT_REDO)->isEnabled());
        frame.RunCommand(ID_EDIT_REDO);
        QCOMPARE(doc.GetCurCells()[0].chChar, uint8_t('Q'));
    }

    void exitAsksToSaveAndCancelKeepsWindow()
    {
        CDialogRecorder rec;
        rec.m_answer = QMessageBox::Cancel;
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.Document().SetModifiedFlag(true);
        frame.RunCommand(ID_APP_EXIT);
        QCOMPARE(rec.m_vPrompts.size(), 1);
        QVERIFY(frame.isVisible());
        rec.m_answer = QMessageBox::No;
        frame.RunCommand(ID_APP_EXIT);
        QVERIFY(!frame.isVisible());
    }
};

GW_SHELL_TEST_MAIN(CFileCommandsTest)
#include "file_commands_test.moc"
