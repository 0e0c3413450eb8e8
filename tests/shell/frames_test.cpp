// The frames of a drawing through a real main window: adding, selecting and
// deleting frames, the refusal to delete the last one, playback in order
// with and without loop, pausing, the commands that only stop playback, a
// tool chosen during playback, opening a file of several frames, and a
// stroke in progress when the frame changes.
#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "core/backup_arena.h"
#include "core/backup_store.h"
#include "panes/frame_panel.h"
#include "panes/frame_strip.h"
#include "res/command_ids.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"

#include <QFile>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstring>
#include <functional>
#include <vector>

namespace {

CFramePaneView* List(CMainFrame& frame) { return frame.FramePanel()->List(); }

int KeyAt(CMainFrame& frame, int nIndex) { return static_cast<int>(List(frame)->ItemData(nIndex) >> 16); }

// The key of the document's current frame; -1 when it is not registered.
int CurKey(CMainFrame& frame)
{
    for (const auto& [nKey, pCells] : frame.Document().GetFrames()) {
        if (pCells == frame.Document().GetCurCells()) {
            return nKey;
        }
    }
    return -1;
}

// The list position of the current frame.
int CurPos(CMainFrame& frame)
{
    const int nKey = CurKey(frame);
    for (int i = 0; i < List(frame)->count(); ++i) {
        if (KeyAt(frame, i) == nKey) {
            return i;
        }
    }
    return -1;
}

QStringList Titles(CMainFrame& frame)
{
    QStringList v;
    for (int i = 0; i < List(frame)->count(); ++i) {
        v.append(List(frame)->ItemText(i));
    }
    return v;
}

void AddFrames(CMainFrame& frame, int nCount)
{
    for (int i = 0; i < nCount; ++i) {
        frame.RunCommand(gw::ID_ADD_FRAME);
    }
}

// Writes ch into the first cell of the current frame as a committed edit.
void Mark(CMainFrame& frame, char ch)
{
    frame.View()->BeginEdit();
    frame.View()->SetCell(0, 0, static_cast<uint8_t>(ch), CArtView::COLOUR_TEXT, 0);
    frame.View()->EndEdit();
}

char FirstChar(CMainFrame& frame, int nKey)
{
    return static_cast<char>(frame.Document().GetFrames().at(nKey)[0].chChar);
}

void AppendInt(QByteArray& data, qint32 n)
{
    char a[4];
    const quint32 u = static_cast<quint32>(n);
    for (int i = 0; i < 4; ++i) {
        a[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    }
    data.append(a, 4);
}

// A drawing file of nFrames frames whose every cell of frame n holds 'A' + n.
QByteArray DrawingFile(int nFrames, int nCols, int nRows)
{
    QByteArray data("GWHEADER");
    AppendInt(data, nFrames);
    AppendInt(data, nCols);
    AppendInt(data, nRows);
    for (int n = 0; n < nFrames; ++n) {
        for (int i = 0; i < nCols * nRows; ++i) {
            char cell[16] = {};
            cell[12] = static_cast<char>('A' + n);
            data.append(cell, 16);
        }
    }
    return data;
}

} // namespace

class CFramesTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClearSettings(); }

    void newDrawingHasOneUnselectedFrame()
    {
        CMainFrame frame;
        QCOMPARE(Titles(frame), QStringList{QStringLiteral("Frame:1")});
        QCOMPARE(frame.FramePanel()->m_nFrameCount, 1);
        QCOMPARE(frame.FramePanel()->m_nCurFrameNo, 1);
        QCOMPARE(frame.FramePanel()->Strip()->CounterText(), QStringLiteral("Current Frame:1/1"));
        QCOMPARE(List(frame)->SelectedIndex(), -1);
        QCOMPARE(CurKey(frame), 0);
    }

    void addAppendsBlankCurrentFrameAndKeepsTheOthers()
    {
        CMainFrame frame;
        AddFrames(frame, 2);
        List(frame)->SelectItem(0);
        Mark(frame, 'Q');
        frame.Document().SetModifiedFlag(false);
        QCOMPARE(CurPos(frame), 0);

        frame.RunCommand(gw::ID_ADD_FRAME);
        QCOMPARE(Titles(frame), (QStringList{QStringLiteral("Frame:1"), QStringLiteral("Frame:2"),
                                             QStringLiteral("Frame:3"), QStringLiteral("Frame:4")}));
        QCOMPARE(CurPos(frame), 3);
        QCOMPARE(frame.Frames().m_nCurFrameItem, 3);
        QCOMPARE(List(frame)->SelectedIndex(), 3);
        QCOMPARE(frame.FramePanel()->m_nFrameCount, 4);
        QCOMPARE(frame.FramePanel()->m_nCurFrameNo, 4);
        QCOMPARE(frame.Document().GetFrameCount(), 4);
        QCOMPARE(FirstChar(frame, KeyAt(frame, 0)), 'Q');
        const CharCell* pNew = frame.Document().GetCurCells();
        for (int i = 0; i < frame.Document().GetCellCount(); ++i) {
            QCOMPARE(pNew[i].chChar, static_cast<uint8_t>(' '));
        }
        QVERIFY(!frame.Document().IsModified());
        QVERIFY(!frame.Document().CanUndo());
        // Every item shows its own picture.
        for (int i = 0; i < List(frame)->count(); ++i) {
            const int nImage = static_cast<int>(List(frame)->ItemData(i) & 0xFFFF);
            QVERIFY(nImage < List(frame)->ThumbnailCount());
            QVERIFY(!List(frame)->Thumbnail(nImage).isNull());
        }
    }

    void clickingAnItemMakesItsFrameCurrent()
    {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        AddFrames(frame, 2);
        CFramePaneView* pList = List(frame);
        const QRect rc = pList->ItemRect(1);
        QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, rc.center());
        QCOMPARE(CurPos(frame), 1);
        QCOMPARE(frame.Frames().m_nCurFrameItem, 1);
        QCOMPARE(frame.View()->GetCells(), frame.Document().GetCurCells());
        QCOMPARE(frame.FramePanel()->Strip()->CounterText(), QStringLiteral("Current Frame:2/3"));
    }

    void thumbnailFollowsTheCurrentFramesCells()
    {
        CMainFrame frame;
        AddFrames(frame, 1);
        const int nImage0 = static_cast<int>(List(frame)->ItemData(0) & 0xFFFF);
        const int nImage1 = static_cast<int>(List(frame)->ItemData(1) & 0xFFFF);
        const QImage imgBefore0 = List(frame)->Thumbnail(nImage0).toImage();
        const QImage imgBefore1 = List(frame)->Thumbnail(nImage1).toImage();
        for (int nCol = 0; nCol < 20; ++nCol) {
            frame.View()->BeginEdit();
            frame.View()->WriteCell(nCol, 0, '#', 0x0000FF);
            frame.View()->EndEdit();
        }
        frame.View()->Refresh(CArtView::REFRESH_ALL);
        frame.RefreshFrameThumbnail();
        // Made later, from the frame it was asked for, whichever is current then.
        List(frame)->SelectItem(0);
        QCOMPARE(CurPos(frame), 0);
        QVERIFY(List(frame)->Thumbnail(nImage1).toImage() != imgBefore1);
        QCOMPARE(List(frame)->Thumbnail(nImage0).toImage(), imgBefore0);
    }

    void deleteRenumbersAndMakesTheFirstFrameCurrent()
    {
        CMainFrame frame;
        AddFrames(frame, 2);
        const int nKey0 = KeyAt(frame, 0);
        const int nKey2 = KeyAt(frame, 2);
        List(frame)->SelectItem(1);
        Mark(frame, 'M');
        frame.Document().SetModifiedFlag(false);
        frame.RunCommand(gw::ID_DELETE_FRAME);
        QCOMPARE(Titles(frame), (QStringList{QStringLiteral("Frame:1"), QStringLiteral("Frame:2")}));
        QCOMPARE(KeyAt(frame, 0), nKey0);
        QCOMPARE(KeyAt(frame, 1), nKey2);
        QCOMPARE(CurKey(frame), nKey0);
        QCOMPARE(frame.Frames().m_nCurFrameItem, 0);
        QCOMPARE(frame.View()->GetCells(), frame.Document().GetCurCells());
        QCOMPARE(frame.FramePanel()->Strip()->CounterText(), QStringLiteral("Current Frame:1/2"));
        QCOMPARE(List(frame)->SelectedIndex(), -1);
        QCOMPARE(List(frame)->currentIndex().row(), 0); // the focus highlight follows
        QCOMPARE(frame.Document().GetFrameCount(), 2);
        QVERIFY(!frame.Document().IsModified());
        for (int i = 0; i < List(frame)->count(); ++i) {
            const int nImage = static_cast<int>(List(frame)->ItemData(i) & 0xFFFF);
            QVERIFY(nImage < List(frame)->ThumbnailCount());
            QVERIFY(!List(frame)->Thumbnail(nImage).isNull());
        }
        // The renumbered second item still selects its own frame.
        List(frame)->SelectItem(1);
        QCOMPARE(CurKey(frame), nKey2);
    }

    void manyFramesInASmallWindowStayInOneScrolledRow()
    {
        CMainFrame frame;
        frame.resize(900, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        AddFrames(frame, 39);
        CFramePaneView* pList = List(frame);
        QTRY_VERIFY(pList->horizontalScrollBar()->isVisible());
        for (int i = 0; i < pList->count(); ++i)
            QCOMPARE(pList->ItemRect(i).top(), pList->ItemRect(0).top());
        QVERIFY(pList->viewport()->rect().contains(pList->ItemRect(CurPos(frame))));
    }

    void deletingTheFirstFrameAlsoLeavesTheNewFirstCurrent()
    {
        CMainFrame frame;
        AddFrames(frame, 1);
        List(frame)->SelectItem(0);
        const int nKey1 = KeyAt(frame, 1);
        frame.RunCommand(gw::ID_DELETE_FRAME);
        QCOMPARE(Titles(frame), QStringList{QStringLiteral("Frame:1")});
        QCOMPARE(CurKey(frame), nKey1);
    }

    void deletedFrameIsLaidOutAtTheZoomOfTheView()
    {
        CMainFrame frame;
        AddFrames(frame, 1); // the second frame is current
        frame.RunCommand(gw::ID_ZOOM_IN);
        const int nCellWidth = frame.View()->GetCellWidth();
        const int nCellHeight = frame.View()->GetCellHeight();
        frame.RunCommand(gw::ID_DELETE_FRAME);
        const int nCols = frame.Document().GetCols();
        const CharCell* pCells = frame.Document().GetCurCells();
        QCOMPARE(pCells[1].nX, nCellWidth);
        QCOMPARE(pCells[nCols].nY, nCellHeight);
    }

    void keysAreNeverReused()
    {
        CMainFrame frame;
        AddFrames(frame, 2);
        QCOMPARE(KeyAt(frame, 2), 2);
        // The current (last) frame goes, then a new one comes.
        frame.RunCommand(gw::ID_DELETE_FRAME);
        frame.RunCommand(gw::ID_ADD_FRAME);
        QCOMPARE(List(frame)->count(), 3);
        QCOMPARE(KeyAt(frame, 2), 3);
        QCOMPARE(CurKey(frame), 3);
        QCOMPARE(List(frame)->ItemText(2), QStringLiteral("Frame:3"));
        QCOMPARE(frame.Document().GetFrames().count(2), std::size_t(0));
    }

    void noFrameIsAddedOnceTheKeysAreUsedUp()
    {
        CDialogRecorder rec;
        CMainFrame frame;
        AddFrames(frame, 1);
        List(frame)->SelectItem(0);
        frame.Document().SetNextFrameKey(MAX_FRAME_KEY_COUNT);
        frame.RunCommand(gw::ID_ADD_FRAME);
        QCOMPARE(rec.m_vMessages, QStringList{QString::fromLatin1(MSG_FRAME_KEYS_EXHAUSTED)});
        QCOMPARE(List(frame)->count(), 2);
        QCOMPARE(frame.FramePanel()->m_nFrameCount, 2);
        QCOMPARE(frame.Document().GetFrameCount(), 2);
        QCOMPARE(CurPos(frame), 0);
        QCOMPARE(frame.View()->GetCells(), frame.Document().GetCurCells());
    }

    void noFrameIsAddedWhenMemoryRunsOut()
    {
        CDialogRecorder rec;
        CMainFrame frame;
        AddFrames(frame, 1);
        CharCell* pCur = frame.Document().GetCurCells();
        BackupFailNthSystemCall(1);
        frame.RunCommand(gw::ID_ADD_FRAME);
        BackupFailNthSystemCall(0);
        QCOMPARE(rec.m_vMessages,
                 QStringList{QStringLiteral("Not enough memory for another frame (virtual alloc failed).")});
        QCOMPARE(List(frame)->count(), 2);
        QCOMPARE(frame.Document().GetFrameCount(), 2);
        QCOMPARE(frame.Document().GetCurCells(), pCur);
        QCOMPARE(frame.View()->GetCells(), pCur);
    }

    void theLastFrameCannotBeDeleted()
    {
        CDialogRecorder rec;
        CMainFrame frame;
        frame.RunCommand(gw::ID_DELETE_FRAME);
        QCOMPARE(rec.m_vMessages, QStringList{QStringLiteral("Please keep one frame in WorkSpace at least!")});
        QCOMPARE(List(frame)->count(), 1);
        QCOMPARE(frame.Document().GetFrameCount(), 1);
        QCOMPARE(CurKey(frame), 0);

        // The same through the list's right-click menu.
        std::unique_ptr<QMenu> pMenu = List(frame)->MakeFrameMenu(&frame.Frames());
        QCOMPARE(pMenu->objectName(), QStringLiteral("FrameRClick"));
        QStringList vTexts;
        for (QAction* pAction : pMenu->actions()) {
            if (!pAction->isSeparator())
                vTexts.append(pAction->text());
        }
        QCOMPARE(vTexts, (QStringList{QStringLiteral("Play"), QStringLiteral("Pause"), QStringLiteral("Add a frame"),
                                      QStringLiteral("Delete a frame"), QStringLiteral("Duplicate frame"),
                                      QStringLiteral("Insert frame"), QStringLiteral("Move frame left"),
                                      QStringLiteral("Move frame right"), QStringLiteral("Undo Frame Change"),
                                      QStringLiteral("Redo Frame Change")}));
        pMenu->actions().at(3)->trigger();
        QCOMPARE(rec.m_vMessages.size(), 2);
        pMenu->actions().at(2)->trigger();
        QCOMPARE(List(frame)->count(), 2);
    }

    void playWithOneFrameDoesNothing()
    {
        CMainFrame frame;
        frame.RunCommand(gw::ID_PLAY);
        QCOMPARE(frame.Frames().m_bPlaying, 0);
        QCOMPARE(frame.FramePanel()->Strip()->Latched(), 0);
    }

    void playbackShowsFramesInOrderAndLoops()
    {
        CMainFrame frame;
        AddFrames(frame, 2);
        frame.RunCommand(gw::ID_TOOL_LINE);
        frame.RunCommand(gw::ID_PLAY);
        QCOMPARE(frame.Frames().m_bPlaying, 1);
        QCOMPARE(frame.m_nCurTool, TOOL_CURSOR);
        QCOMPARE(frame.FramePanel()->Strip()->Latched(), int(CFrameButtonStrip::BTN_PLAY));
        std::vector<int> vShown;
        for (int i = 0; i < 7; ++i) {
            frame.Frames().OnPlaybackTick();
            vShown.push_back(CurPos(frame));
            QCOMPARE(List(frame)->SelectedIndex(), CurPos(frame));
            QCOMPARE(frame.FramePanel()->m_nCurFrameNo, CurPos(frame) + 1);
        }
        QCOMPARE(vShown, (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
        QCOMPARE(frame.Frames().m_bPlaying, 1);
        QVERIFY(!frame.Document().IsModified());
        QVERIFY(!frame.Document().CanUndo());
    }

    void playbackWithoutLoopStopsOnTheLastFrameAndStartsAgainAtTheFirst()
    {
        CMainFrame frame;
        frame.Settings().m_bPlayLoop = 0;
        AddFrames(frame, 2);
        frame.RunCommand(gw::ID_PLAY);
        frame.Frames().OnPlaybackTick();
        frame.Frames().OnPlaybackTick();
        QCOMPARE(frame.Frames().m_bPlaying, 1);
        frame.Frames().OnPlaybackTick();
        QCOMPARE(CurPos(frame), 2);
        QCOMPARE(frame.Frames().m_bPlaying, 0);
        QCOMPARE(frame.FramePanel()->Strip()->Latched(), 0);

        frame.RunCommand(gw::ID_PLAY);
        QCOMPARE(frame.Frames().m_bPlaying, 1);
        frame.Frames().OnPlaybackTick();
        QCOMPARE(CurPos(frame), 0);
    }

    void pauseKeepsThePosition()
    {
        CMainFrame frame;
        AddFrames(frame, 3);
        frame.RunCommand(gw::ID_PLAY);
        frame.Frames().OnPlaybackTick();
        frame.Frames().OnPlaybackTick();
        QCOMPARE(CurPos(frame), 1);
        frame.RunCommand(gw::ID_PAUSE);
        QCOMPARE(frame.Frames().m_bPlaying, 0);
        QCOMPARE(frame.FramePanel()->Strip()->Latched(), 0);
        QCOMPARE(CurPos(frame), 1);
        frame.RunCommand(gw::ID_PLAY);
        frame.Frames().OnPlaybackTick();
        QCOMPARE(CurPos(frame), 2);
    }

    void addAndDeleteDuringPlaybackOnlyStopIt()
    {
        CDialogRecorder rec;
        CMainFrame frame;
        AddFrames(frame, 2);
        frame.RunCommand(gw::ID_PLAY);
        frame.Frames().OnPlaybackTick();
        frame.RunCommand(gw::ID_ADD_FRAME);
        QCOMPARE(frame.Frames().m_bPlaying, 0);
        QCOMPARE(List(frame)->count(), 3);
        QCOMPARE(frame.Document().GetFrameCount(), 3);
        QCOMPARE(CurPos(frame), 0);

        frame.RunCommand(gw::ID_PLAY);
        frame.Frames().OnPlaybackTick();
        frame.RunCommand(gw::ID_DELETE_FRAME);
        QCOMPARE(frame.Frames().m_bPlaying, 0);
        QCOMPARE(List(frame)->count(), 3);
        QCOMPARE(frame.Document().GetFrameCount(), 3);
        QCOMPARE(CurPos(frame), 1);
        QVERIFY(rec.m_vMessages.isEmpty());
    }

    void aToolChosenDuringPlaybackStopsItAtTheNextTick()
    {
        CMainFrame frame;
        AddFrames(frame, 2);
        frame.RunCommand(gw::ID_PLAY);
        frame.Frames().OnPlaybackTick();
        QCOMPARE(CurPos(frame), 0);
        frame.RunCommand(gw::ID_TOOL_LINE);
        QCOMPARE(frame.Frames().m_bPlaying, 1);
        frame.Frames().OnPlaybackTick();
        QCOMPARE(CurPos(frame), 1); // this tick's frame is still shown
        QCOMPARE(frame.Frames().m_bPlaying, 0);
        QCOMPARE(frame.FramePanel()->Strip()->Latched(), 0);
        QCOMPARE(frame.m_nCurTool, TOOL_LINE);
    }

    void theTimerDrivesPlayback()
    {
        CMainFrame frame;
        frame.Settings().m_nFrameInterval = 1;
        frame.Settings().m_bPlayLoop = 0;
        AddFrames(frame, 2);
        frame.RunCommand(gw::ID_PLAY);
        QTRY_COMPARE_WITH_TIMEOUT(frame.Frames().m_bPlaying, 0, 5000);
        QCOMPARE(CurPos(frame), 2);
    }

    void stripPlayButtonTogglesAndAddActsOnPress()
    {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        AddFrames(frame, 1);
        CFrameButtonStrip* pStrip = frame.FramePanel()->Strip();
        const QPoint ptPlay = CFrameButtonStrip::ButtonRect(CFrameButtonStrip::BTN_PLAY).center();
        QTest::mouseClick(pStrip, Qt::LeftButton, {}, ptPlay);
        QCOMPARE(frame.Frames().m_bPlaying, 1);
        QCOMPARE(pStrip->Latched(), int(CFrameButtonStrip::BTN_PLAY));
        QTest::mouseClick(pStrip, Qt::LeftButton, {}, ptPlay);
        QCOMPARE(frame.Frames().m_bPlaying, 0);
        QCOMPARE(pStrip->Latched(), 0);

        const QPoint ptAdd = CFrameButtonStrip::ButtonRect(CFrameButtonStrip::BTN_ADD).center();
        QTest::mousePress(pStrip, Qt::LeftButton, {}, ptAdd);
        QCOMPARE(List(frame)->count(), 3);
        QTest::mouseMove(pStrip, QPoint(pStrip->width() - 2, 12));
        QTest::mouseRelease(pStrip, Qt::LeftButton, {}, QPoint(pStrip->width() - 2, 12));
        QCOMPARE(pStrip->Latched(), 0);
        QCOMPARE(pStrip->Pressed(), 0);
    }

    void hintStaysVisibleBesideTheCounter()
    {
        CMainFrame frame;
        CFrameButtonStrip* pStrip = frame.FramePanel()->Strip();
        const QRect rcGroup = CFrameButtonStrip::ButtonRect(CFrameButtonStrip::BTN_DUPLICATE)
                                  .united(CFrameButtonStrip::ButtonRect(CFrameButtonStrip::BTN_LAST));
        for (int nWidth : {pStrip->minimumWidth(), 700, 2000}) {
            pStrip->resize(nWidth, CFramePaneBar::STRIP_HEIGHT);
            const QRect rcHint = pStrip->HintRect();
            QVERIFY2(pStrip->rect().contains(rcHint), qPrintable(QString::number(nWidth)));
            QVERIFY(!rcHint.intersects(pStrip->CounterRect()));
            QVERIFY(!rcHint.intersects(rcGroup));
            QVERIFY(!rcGroup.intersects(pStrip->CounterRect()));
        }
    }

    // The strip's second group runs the newer frame commands; a button whose
    // command cannot run now does nothing.
    void stripFrameOperationButtons()
    {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CFrameButtonStrip* pStrip = frame.FramePanel()->Strip();
        const auto click = [&](int nButton) {
            QTest::mouseClick(pStrip, Qt::LeftButton, {}, CFrameButtonStrip::ButtonRect(nButton).center());
            return std::pair(List(frame)->count(), CurPos(frame));
        };
        using P = std::pair<int, int>;
        QCOMPARE(click(CFrameButtonStrip::BTN_MOVE_LEFT), P(1, 0));   // greyed: nowhere to go
        QCOMPARE(click(CFrameButtonStrip::BTN_UNDO_CHANGE), P(1, 0)); // greyed: nothing to undo
        Mark(frame, 'a');
        QCOMPARE(click(CFrameButtonStrip::BTN_DUPLICATE), P(2, 1));
        QCOMPARE(FirstChar(frame, CurKey(frame)), 'a');
        QCOMPARE(click(CFrameButtonStrip::BTN_INSERT), P(3, 2));
        QCOMPARE(click(CFrameButtonStrip::BTN_MOVE_LEFT), P(3, 1));
        QCOMPARE(click(CFrameButtonStrip::BTN_MOVE_RIGHT), P(3, 2));
        QCOMPARE(click(CFrameButtonStrip::BTN_MOVE_RIGHT), P(3, 2)); // greyed at the end
        QCOMPARE(click(CFrameButtonStrip::BTN_UNDO_CHANGE).first, 3); // the last move back
        QCOMPARE(click(CFrameButtonStrip::BTN_UNDO_CHANGE).first, 3);
        QCOMPARE(click(CFrameButtonStrip::BTN_UNDO_CHANGE).first, 2); // the insert
        QCOMPARE(click(CFrameButtonStrip::BTN_REDO_CHANGE).first, 3);
        QCOMPARE(pStrip->Latched(), 0);
    }

    void openingAFileShowsEveryFrameWithTheLastCurrent()
    {
        QTemporaryDir dir;
        const QString strPath = dir.filePath(QStringLiteral("three.gwp"));
        QFile file(strPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(DrawingFile(3, 5, 4));
        file.close();

        CDialogRecorder rec;
        rec.m_strFilePath = strPath;
        CMainFrame frame;
        AddFrames(frame, 3); // the old drawing's frames go, and its playback ends
        frame.RunCommand(gw::ID_PLAY);
        frame.Frames().OnPlaybackTick();
        frame.Frames().OnPlaybackTick();
        frame.RunCommand(gw::ID_FILE_OPEN);
        QVERIFY(rec.m_vMessages.isEmpty());
        QCOMPARE(frame.Frames().m_bPlaying, 0);
        QCOMPARE(frame.FramePanel()->Strip()->Latched(), 0);
        QCOMPARE(Titles(frame), (QStringList{QStringLiteral("Frame:1"), QStringLiteral("Frame:2"),
                                             QStringLiteral("Frame:3")}));
        QCOMPARE(frame.Frames().m_nCurFrameItem, 2);
        QCOMPARE(CurPos(frame), 2);
        QCOMPARE(frame.FramePanel()->m_nFrameCount, 3);
        QCOMPARE(frame.FramePanel()->Strip()->CounterText(), QStringLiteral("Current Frame:3/3"));
        QVERIFY(!frame.Document().IsModified());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(KeyAt(frame, i), i);
            QCOMPARE(FirstChar(frame, i), static_cast<char>('A' + i));
        }
        for (int i = 0; i < 3; ++i) {
            List(frame)->SelectItem(i);
            QCOMPARE(CurKey(frame), i);
            QVERIFY(!frame.Document().CanUndo());
        }
    }

    void aStrokeInProgressEndsOnItsOwnFrame()
    {
        CMainFrame frame;
        AddFrames(frame, 1);
        const int nKey0 = KeyAt(frame, 0);
        const int nKey1 = KeyAt(frame, 1);
        frame.View()->BeginEdit();
        frame.View()->SetCell(0, 0, 'S', CArtView::COLOUR_TEXT, 0);
        List(frame)->SelectItem(0);
        QVERIFY(!frame.View()->IsEditing());
        QCOMPARE(FirstChar(frame, nKey1), 'S');
        QCOMPARE(FirstChar(frame, nKey0), ' ');
        QVERIFY(!frame.Document().CanUndo());
        List(frame)->SelectItem(1);
        QVERIFY(frame.Document().CanUndo());
        frame.RunCommand(gw::ID_EDIT_UNDO);
        QCOMPARE(FirstChar(frame, nKey1), ' ');

        // The same when playback moves on.
        frame.View()->BeginEdit();
        frame.View()->SetCell(0, 0, 'P', CArtView::COLOUR_TEXT, 0);
        frame.RunCommand(gw::ID_PLAY);
        frame.Frames().OnPlaybackTick();
        QCOMPARE(CurKey(frame), nKey0);
        QCOMPARE(FirstChar(frame, nKey1), 'P');
        QCOMPARE(FirstChar(frame, nKey0), ' ');
    }

    void aPendingShapeIsWrittenOnItsOwnFrame()
    {
        // A line left pending with the line tool, then a frame change of
        // each kind: the line lands on the frame it was drawn on.
        const std::function<void(CMainFrame&)> changes[] = {
            [](CMainFrame& frame) { frame.RunCommand(gw::ID_ADD_FRAME); },
            [](CMainFrame& frame) { List(frame)->SelectItem(0); },
            [](CMainFrame& frame) {
                frame.RunCommand(gw::ID_PLAY);
                frame.Frames().OnPlaybackTick();
            },
        };
        for (const auto& fnChange : changes) {
            CMainFrame frame;
            AddFrames(frame, 1);
            const int nDrawnOn = CurKey(frame);
            frame.RunCommand(gw::ID_TOOL_LINE);
            frame.View()->SetLeftChar('#');
            QWidget* pCanvas = frame.View()->viewport();
            const int nCellW = frame.View()->GetCellWidth();
            const int nCellH = frame.View()->GetCellHeight();
            QTest::mousePress(pCanvas, Qt::LeftButton, {}, {nCellW / 2, nCellH / 2});
            QTest::mouseMove(pCanvas, {5 * nCellW + nCellW / 2, nCellH / 2});
            QTest::mouseRelease(pCanvas, Qt::LeftButton, {}, {5 * nCellW + nCellW / 2, nCellH / 2});
            QCOMPARE(FirstChar(frame, nDrawnOn), ' '); // pending, not yet written
            fnChange(frame);
            QVERIFY(CurKey(frame) != nDrawnOn);
            QCOMPARE(FirstChar(frame, nDrawnOn), '#');
            QCOMPARE(FirstChar(frame, KeyAt(frame, 0)), ' ');
        }
    }
};

GW_SHELL_TEST_MAIN(CFramesTest)

#include "frames_test.moc"
