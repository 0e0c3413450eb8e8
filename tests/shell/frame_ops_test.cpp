// Duplicate, insert, move (by command and by dragging a thumbnail), and
// Undo and Redo Frame Change through a real main window: the list, the
// document, the saved file and the counter always show one order.
#include "canvas/art_view.h"
#include "core/gwp_format.h"
#include "core/gwp_writer.h"
#include "panes/frame_panel.h"
#include "panes/frame_strip.h"
#include "res/command_ids.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"

#include <QAction>

namespace {

CFramePaneView* List(CMainFrame& frame) { return frame.FramePanel()->List(); }

// Writes ch into the first cell of the current frame as a committed edit.
void Mark(CMainFrame& frame, char ch)
{
    frame.View()->BeginEdit();
    frame.View()->SetCell(0, 0, static_cast<uint8_t>(ch), CToolContext::COLOUR_TEXT, 0);
    frame.View()->EndEdit();
}

// A drawing of frames marked by the letters of strMarks, the last current.
void Build(CMainFrame& frame, const char* pszMarks)
{
    Mark(frame, pszMarks[0]);
    for (const char* p = pszMarks + 1; *p; ++p) {
        frame.RunCommand(gw::ID_ADD_FRAME);
        Mark(frame, *p);
    }
}

// The frames' marks as the list shows them (a blank frame is '.'), after
// checking that the document, the saved file, the titles and the counter
// agree with the list.
QString Order(CMainFrame& frame)
{
    CArtDoc& doc = frame.Document();
    const std::string strFile = GwpSerialize(doc);
    const std::size_t nFrameBytes = std::size_t(doc.GetCellCount()) * sizeof(CharCell);
    QString strOrder;
    int nIndex = 0;
    for (const auto& [nKey, pCells] : doc.GetFrames()) {
        const quint32 nData = List(frame)->ItemData(nIndex);
        if (static_cast<int>(nData >> 16) != nKey)
            return QStringLiteral("list differs at %1").arg(nIndex);
        if (List(frame)->ItemText(nIndex) != QStringLiteral("Frame:%1").arg(nIndex + 1))
            return QStringLiteral("title %1").arg(nIndex);
        const char chFile = strFile[GWP_HEADER_SIZE + std::size_t(nIndex) * nFrameBytes + offsetof(CharCell, chChar)];
        if (chFile != static_cast<char>(pCells[0].chChar))
            return QStringLiteral("file differs at %1").arg(nIndex);
        strOrder += pCells[0].chChar == ' ' ? QChar('.') : QChar(pCells[0].chChar);
        if (pCells == doc.GetCurCells()) {
            strOrder += QChar('*');
            if (frame.FramePanel()->Strip()->CounterText() !=
                QStringLiteral("Current Frame:%1/%2").arg(nIndex + 1).arg(doc.GetFrameCount()))
                return QStringLiteral("counter");
        }
        ++nIndex;
    }
    return nIndex == List(frame)->count() ? strOrder : QStringLiteral("list too long");
}

void SendMove(QWidget* pWidget, const QPoint& pt)
{
    QMouseEvent ev(QEvent::MouseMove, pt, pWidget->mapToGlobal(pt), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(pWidget, &ev);
}

} // namespace

class CFrameOpsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClearSettings(); }

    // Each row: the commands run on the drawing "ABC" (C current), in turn,
    // and the order after each one ('*' follows the current frame).
    void commandsKeepOneOrder_data()
    {
        QTest::addColumn<QList<int>>("vCommands");
        QTest::addColumn<QStringList>("vOrders");
        using namespace gw;
        QTest::newRow("duplicate, then undo and redo it")
            << QList<int>{ID_DUPLICATE_FRAME, ID_UNDO_FRAME_CHANGE, ID_REDO_FRAME_CHANGE}
            << QStringList{"ABCC*", "ABC*", "ABCC*"};
        QTest::newRow("insert after the current frame")
            << QList<int>{ID_MOVE_FRAME_LEFT, ID_INSERT_FRAME, ID_UNDO_FRAME_CHANGE}
            << QStringList{"AC*B", "AC.*B", "AC*B"};
        QTest::newRow("moves stop at the ends")
            << QList<int>{ID_MOVE_FRAME_RIGHT, ID_MOVE_FRAME_LEFT, ID_MOVE_FRAME_LEFT, ID_MOVE_FRAME_LEFT}
            << QStringList{"ABC*", "AC*B", "C*AB", "C*AB"};
        QTest::newRow("a deleted frame comes back in its place")
            << QList<int>{ID_MOVE_FRAME_LEFT, ID_DELETE_FRAME, ID_UNDO_FRAME_CHANGE, ID_REDO_FRAME_CHANGE,
                          ID_UNDO_FRAME_CHANGE}
            << QStringList{"AC*B", "A*B", "AC*B", "AB*", "AC*B"};
        QTest::newRow("a new change drops what could be redone")
            << QList<int>{ID_ADD_FRAME, ID_UNDO_FRAME_CHANGE, ID_DUPLICATE_FRAME, ID_REDO_FRAME_CHANGE}
            << QStringList{"ABC.*", "ABC*", "ABCC*", "ABCC*"};
    }

    void commandsKeepOneOrder()
    {
        QFETCH(QList<int>, vCommands);
        QFETCH(QStringList, vOrders);
        CMainFrame frame;
        Build(frame, "ABC");
        for (int i = 0; i < vCommands.size(); ++i) {
            frame.Document().SetModifiedFlag(false);
            frame.RunCommand(vCommands[i]);
            QCOMPARE(Order(frame), vOrders[i]);
            // A change of order or a frame brought back must not be lost
            // unasked; Add and Delete keep their old rule.
            const bool bOld = vCommands[i] == gw::ID_ADD_FRAME || vCommands[i] == gw::ID_DELETE_FRAME;
            const bool bChanged = vOrders[i] != (i == 0 ? QStringLiteral("ABC*") : vOrders[i - 1]);
            QCOMPARE(frame.Document().IsModified(), bChanged && !bOld);
        }
    }

    // A duplicate starts with no history of its own; a deleted frame comes
    // back with its own; Edit > Undo stays the current frame's.
    void framesKeepTheirOwnHistories()
    {
        CMainFrame frame;
        Build(frame, "AB");
        Mark(frame, 'b');
        frame.RunCommand(gw::ID_DUPLICATE_FRAME);
        QVERIFY(!frame.Document().CanUndo());
        QVERIFY(frame.Document().CanUndoFrameChange());
        frame.RunCommand(gw::ID_MOVE_FRAME_LEFT);
        QCOMPARE(Order(frame), QStringLiteral("Ab*b"));
        List(frame)->SelectItem(2);
        frame.RunCommand(gw::ID_DELETE_FRAME);
        QCOMPARE(Order(frame), QStringLiteral("A*b"));
        QVERIFY(!frame.Action(gw::ID_MOVE_FRAME_LEFT)->isEnabled());
        QVERIFY(frame.Action(gw::ID_MOVE_FRAME_RIGHT)->isEnabled());
        frame.RunCommand(gw::ID_UNDO_FRAME_CHANGE);
        QCOMPARE(Order(frame), QStringLiteral("Abb*"));
        QVERIFY(frame.Document().CanUndo());
        frame.RunCommand(gw::ID_EDIT_UNDO);
        QCOMPARE(Order(frame), QStringLiteral("AbB*"));
    }

    // Dragging a thumbnail with the mouse: a marker shows the gap while
    // dragging, the release moves the frame there, Escape cancels.
    void dragReordersFrames()
    {
        CMainFrame frame;
        Build(frame, "ABCD");
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CFramePaneView* pList = List(frame);
        QWidget* pPort = pList->viewport();
        const auto drag = [&](int nFrom, int nGapBefore, bool bCancel) {
            const QPoint ptFrom = pList->ItemRect(nFrom).center();
            const QRect rcTo = nGapBefore < pList->count() ? pList->ItemRect(nGapBefore)
                                                            : pList->ItemRect(pList->count() - 1);
            const QPoint ptTo = nGapBefore < pList->count() ? QPoint(rcTo.left() + 2, rcTo.center().y())
                                                            : QPoint(rcTo.right() - 2, rcTo.center().y());
            QTest::mousePress(pPort, Qt::LeftButton, {}, ptFrom);
            SendMove(pPort, ptFrom + QPoint(QApplication::startDragDistance() + 1, 0));
            SendMove(pPort, ptTo);
            const int nMarker = pList->DropPosition();
            if (bCancel)
                QTest::keyClick(pList, Qt::Key_Escape);
            QTest::mouseRelease(pPort, Qt::LeftButton, {}, ptTo);
            return nMarker;
        };
        QCOMPARE(drag(0, 3, false), 3); // A between C and D
        QCOMPARE(Order(frame), QStringLiteral("BCA*D"));
        QCOMPARE(pList->DropPosition(), -1);
        QCOMPARE(drag(3, 0, false), 0); // D first
        QCOMPARE(Order(frame), QStringLiteral("D*BCA"));
        QCOMPARE(drag(0, 4, true), 4); // cancelled
        QCOMPARE(Order(frame), QStringLiteral("D*BCA"));
        QCOMPARE(drag(1, 1, false), 1); // dropped where it was: nothing changes
        QCOMPARE(Order(frame), QStringLiteral("DB*CA"));
        QVERIFY(frame.Document().CanUndoFrameChange());
        frame.RunCommand(gw::ID_UNDO_FRAME_CHANGE);
        frame.RunCommand(gw::ID_UNDO_FRAME_CHANGE);
        QCOMPARE(Order(frame), QStringLiteral("A*BCD"));
    }
};

GW_SHELL_TEST_MAIN(CFrameOpsTest)

#include "frame_ops_test.moc"
