// The select tools and the edit commands through the real view: lifting,
// dragging and dropping a block in either mode as one undo step, cut, copy,
// paste, delete, text blocks from the system clipboard, and a floating block
// meeting Escape, tool changes, a zoom and a frame change.
#include "canvas_test_main.h"
#include "tool_driver.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QObject>

namespace {
constexpr int ROWS = 12;
constexpr int COLS = 20;

struct CSelectFixture : CViewFixture {
    explicit CSelectFixture(int nMode = TOOL_SELECT_TRANSPARENT) : CViewFixture(ROWS, COLS, {900, 700})
    {
        m_host.m_nSelectMode = nMode;
        ChooseTool(*this, nMode);
    }
    CArtView& V() { return *m_pView; }
    CSelection& Sel() { return m_pView->Selection(); }
    // Writes text into row nRow from nCol on as one step.
    void Put(int nCol, int nRow, const char* psz)
    {
        V().BeginEdit();
        for (int i = 0; psz[i]; ++i)
            V().SetCell(nCol + i, nRow, static_cast<uint8_t>(psz[i]), CArtView::COLOUR_TEXT, 0);
        V().EndEdit();
    }
    std::string Row(int nRow, int nCol, int nLen)
    {
        std::string s;
        for (int i = 0; i < nLen; ++i)
            s += static_cast<char>(CharAt(m_doc, nCol + i, nRow));
        return s;
    }
    void Key(int nKey)
    {
        QKeyEvent ev(QEvent::KeyPress, nKey, Qt::NoModifier);
        QCoreApplication::sendEvent(&V(), &ev);
    }
    // A rectangle dragged out from cell (c0, r0) to the cell before (c1, r1).
    void Select(int nCol0, int nRow0, int nCol1, int nRow1)
    {
        Drag(V(), {{nCol0, nRow0}, {nCol1, nRow1}});
    }
};
} // namespace

class CSelectionTest : public QObject {
    Q_OBJECT

private slots:
    void aLiftBlanksTheAreaAndLiftMoveDropIsOneStep()
    {
        for (const int nMode : {TOOL_SELECT_TRANSPARENT, TOOL_SELECT_OPAQUE}) {
            CSelectFixture fx(nMode);
            fx.Put(2, 2, "A B");
            fx.Put(8, 6, "xxx");
            const int nSteps = 2;
            fx.Select(2, 2, 5, 3);
            QVERIFY(fx.Sel().IsFloating());
            QCOMPARE(fx.Row(2, 2, 3), std::string("   ")); // blank at once
            // Dragged by its middle over "xxx": the canvas shows through the
            // block's space only in the transparent mode.
            Drag(fx.V(), {{3, 2}, {9, 6}});
            QCOMPARE(fx.V().GetSelectionRect().topLeft(),
                     QPoint(8 * fx.V().GetCellWidth(), 6 * fx.V().GetCellHeight()));
            fx.Key(Qt::Key_Escape);
            QVERIFY(!fx.Sel().IsFloating());
            QVERIFY(fx.V().GetSelectionRect().isEmpty());
            QCOMPARE(fx.Row(6, 8, 3), std::string(nMode == TOOL_SELECT_OPAQUE ? "A B" : "AxB"));
            QCOMPARE(UndoAll(fx.m_doc), nSteps + 1);
        }
    }

    void aBlockOfSpacesOrLessThanACellLiftsNothing()
    {
        CSelectFixture fx;
        fx.Select(4, 4, 7, 7);
        QVERIFY(!fx.Sel().IsFloating());
        QVERIFY(!fx.V().GetSelectionRect().isEmpty()); // the rectangle stays shown
        fx.Put(1, 1, "Z");
        Drag(fx.V(), {{1, 1}, {1, 1}});
        QVERIFY(!fx.Sel().IsFloating());
        QCOMPARE(CharAt(fx.m_doc, 1, 1), uint8_t('Z'));
    }

    void cutCopyDeleteAndPasteAtTheTopLeft()
    {
        CSelectFixture fx(TOOL_SELECT_OPAQUE);
        fx.Put(5, 5, "cut");
        fx.Select(5, 5, 8, 6);
        fx.Sel().Cut();
        QVERIFY(!fx.Sel().IsFloating() && fx.Sel().HasClipboard());
        QCOMPARE(fx.Row(5, 5, 3), std::string("   "));
        fx.m_host.m_nTool = TOOL_LINE; // Paste chooses the select mode's tool
        fx.Sel().Paste();
        QCOMPARE(fx.m_host.m_nTool, TOOL_SELECT_OPAQUE);
        QVERIFY(fx.Sel().IsFloating());
        QCOMPARE(fx.V().GetSelectionRect(), QRect(0, 0, 3 * fx.V().GetCellWidth(), fx.V().GetCellHeight()));
        fx.Key(Qt::Key_Escape);
        QCOMPARE(fx.Row(0, 0, 3), std::string("cut"));
        // Copy drops the block where it is, unchanged; Delete blanks it.
        fx.Select(0, 0, 3, 1);
        fx.Sel().Copy();
        QCOMPARE(fx.Row(0, 0, 3), std::string("cut"));
        fx.Select(0, 0, 2, 1);
        fx.Sel().Delete();
        QCOMPARE(fx.Row(0, 0, 3), std::string("  t"));
        QVERIFY(!fx.Sel().IsFloating());
        fx.Sel().Delete(); // nothing floats: nothing happens
        QCOMPARE(fx.Row(0, 0, 3), std::string("  t"));
        // The colour picker's block target recolours every cell and drops.
        fx.Select(2, 0, 3, 1);
        fx.V().ColourSelection(0x0000FF);
        QVERIFY(!fx.Sel().IsFloating());
        QCOMPARE(ColorAt(fx.m_doc, 2, 0), COLORREF(0x0000FF));
    }

    void clipboardTextBecomesABlockAndEmptiesTheInternalClipboard()
    {
        struct Row {
            QString strClip;
            QSize szBlock;
            const char* pszRow0;
        };
        const Row rows[] = {
            {QStringLiteral("ab\r\ncde"), {3, 2}, "ab "},
            {QStringLiteral("ab\ncde"), {3, 2}, "ab "},  // a bare LF ends a line too
            {QStringLiteral("ab\r\n"), {2, 2}, "ab"},
            {QString::fromUtf8("\xc3\xa9\xe2\x82\xac\xe2\x98\x83"), {3, 1}, "\xe9\x80?"},
            {QStringLiteral("x").repeated(30) + "\r\n" + QStringLiteral("y\r\n").repeated(20),
             {COLS, ROWS}, nullptr},
        };
        for (const Row& row : rows) {
            CSelectFixture fx;
            fx.Put(0, 9, "k");
            fx.Select(0, 9, 1, 10);
            fx.Sel().Copy();
            QGuiApplication::clipboard()->setText(row.strClip);
            fx.V().PasteClipboard();
            QVERIFY(fx.Sel().IsFloating());
            QVERIFY(!fx.Sel().HasClipboard()); // Paste is disabled now
            QCOMPARE(QSize(fx.Sel().BlockWidth(), fx.Sel().BlockHeight()), row.szBlock);
            fx.Key(Qt::Key_Escape);
            if (row.pszRow0)
                QCOMPARE(fx.Row(0, 0, row.szBlock.width()), std::string(row.pszRow0));
        }
        // An empty clipboard changes nothing.
        CSelectFixture fx;
        QGuiApplication::clipboard()->clear();
        fx.V().PasteClipboard();
        QVERIFY(!fx.Sel().IsFloating());
        QVERIFY(!fx.Sel().PlaceTextBlock("\r\n"));
    }

    void aFloatingBlockIsDroppedByToolsZoomAndFrameChanges()
    {
        CSelectFixture fx;
        // A tool command drops it.
        fx.Put(1, 1, "t");
        fx.Select(1, 1, 2, 2);
        ChooseTool(fx, TOOL_SELECT_TRANSPARENT);
        QVERIFY(!fx.Sel().IsFloating());
        QCOMPARE(CharAt(fx.m_doc, 1, 1), uint8_t('t'));
        // A zoom drops it; a block pasted then matches the new cell size.
        fx.Select(1, 1, 2, 2);
        fx.Sel().Copy();
        fx.Select(1, 1, 2, 2);
        fx.V().ZoomIn();
        QVERIFY(!fx.Sel().IsFloating());
        fx.Sel().Paste();
        QCOMPARE(fx.V().SelectionLayer().size(), fx.V().GetSelectionRect().size());
        fx.Key(Qt::Key_Escape);
        // A frame change drops it on its own frame, as one step there.
        fx.Put(5, 5, "f");
        ChooseTool(fx, TOOL_SELECT_TRANSPARENT);
        fx.Select(5, 5, 6, 6);
        Drag(fx.V(), {{5, 5}, {7, 7}});
        fx.V().EndPendingEdit();
        QVERIFY(!fx.Sel().IsFloating());
        AddFrame(fx);
        QVERIFY(Inked(fx.m_doc).empty());
        ShowFrame(fx, fx.m_host.m_nFirstFrameKey);
        QCOMPARE(CharAt(fx.m_doc, 7, 7), uint8_t('f'));
        QVERIFY(fx.m_doc.OnEditUndo());
        QCOMPARE(CharAt(fx.m_doc, 5, 5), uint8_t('f'));
    }

    void theRightButtonOpensTheMenuOnlyWithTheSelectTools()
    {
        CSelectFixture fx;
        Click(fx.V(), 3, 3, Qt::RightButton);
        QCOMPARE(fx.m_host.m_nMenus, 1);
        ChooseTool(fx, TOOL_LINE);
        Click(fx.V(), 3, 3, Qt::RightButton);
        QCOMPARE(fx.m_host.m_nMenus, 1);
    }
};

GW_CANVAS_TEST_MAIN(CSelectionTest)
#include "selection_test.moc"
