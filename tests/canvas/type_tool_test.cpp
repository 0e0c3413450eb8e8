// The type tool through the real view with clicks and key events: what typing
// and Backspace write, undo steps, colours, caret moves, blink and frame.
#include "canvas/tools/type_tool.h"
#include "canvas_test_main.h"
#include "tool_driver.h"

#include <QKeyEvent>
#include <QObject>

namespace {
constexpr int ROWS = 4;
constexpr int COLS = 5;
constexpr COLORREF RED = 0x0000FF;
constexpr const char* SAME = "####################";

struct CTypeFixture : CViewFixture {
    CTypeFixture() : CViewFixture(ROWS, COLS, {900, 700}) { ChooseTool(*this, TOOL_TYPE); }
    CArtView& V() { return *m_pView; }
    CTypeTool& Tool() { return *dynamic_cast<CTypeTool*>(V().GetTool(TOOL_TYPE)); }
    // Backspace is '\b', the arrow keys are arrows; anything else is typed.
    void Type(QStringView str, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const int nKeys[] = {Qt::Key_Backspace, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,
                             Qt::Key_Down};
        for (const QChar qch : str) {
            const auto nAt = QStringView(u"\b\u2190\u2192\u2191\u2193").indexOf(qch);
            QKeyEvent ev(QEvent::KeyPress, nAt < 0 ? qch.toUpper().unicode() : nKeys[nAt], mods,
                         nAt < 0 ? QString(qch) : QString());
            QCoreApplication::sendEvent(&V(), &ev);
        }
    }
    bool BlueAt(QPoint pt) { return V().viewport()->grab().toImage().pixel(pt) == 0xFF0000FFu; }
};
} // namespace

class CTypeToolTest : public QObject {
    Q_OBJECT

private slots:
    void keysWriteOneStepEachAndMoveTheCaretInsideTheCanvas()
    {
        struct Row { // keys typed from a cell: the frame afterwards, row by row, and the caret
            QPoint ptStart; const char16_t* pszKeys; const char* pszCells; QPoint ptCaret;
        };
        const Row rows[] = {
            {{1, 1}, u"ab", "#####" "#ab##" "#####" "#####", {3, 1}},
            {{3, 1}, u"xyz", "#####" "###xy" "z####" "#####", {1, 2}},
            {{3, 3}, u"pqr", "#####" "#####" "#####" "###pr", {4, 3}}, // the last cell: stays
            {{2, 1}, u"\b", "#####" "# ###" "#####" "#####", {1, 1}},
            {{0, 2}, u"\b", "#####" "#### " "#####" "#####", {4, 1}},
            {{0, 0}, u"\b", SAME, {0, 0}},
            {{2, 1}, u"\u00E9\u20AC\u0101\u0001\u007F\r", SAME, {2, 1}}, // E9, 80, none
            {{2, 1}, u"\u2191", SAME, {2, 0}},  {{2, 1}, u"\u2193", SAME, {2, 2}},
            {{0, 2}, u"\u2190", SAME, {4, 1}},  {{4, 1}, u"\u2192", SAME, {0, 2}}, // wrap
            {{0, 0}, u"\u2190", SAME, {0, 0}},  {{4, 3}, u"\u2192", SAME, {4, 3}}, // edges
            {{3, 0}, u"\u2191", SAME, {3, 0}},  {{1, 3}, u"\u2193", SAME, {1, 3}},
        };
        for (const Row& row : rows) {
            CTypeFixture fx;
            {
                CUnrecordedEdit edit(fx.m_doc); // positions come from RebuildLayers
                for (int i = 0; i < ROWS * COLS; ++i)
                    fx.m_doc.GetCurCells()[i] = {0x102030u + i, 0, 0, '#', {}};
            }
            fx.V().RebuildLayers();
            Click(fx.V(), row.ptStart.x(), row.ptStart.y());
            const int nThumbs = fx.m_host.m_nThumbnailRefreshes;
            fx.Type(row.pszKeys);
            QCOMPARE(fx.Tool().CaretCell(), row.ptCaret);
            for (int i = 0; i < ROWS * COLS; ++i) {
                const auto ch = uint8_t(row.pszCells[i]);
                QCOMPARE(CharAt(fx.m_doc, i % COLS, i / COLS), ch);
                QCOMPARE(ColorAt(fx.m_doc, i % COLS, i / COLS), 0x102030u + i);
                if (ch != '#') // drawn into the text layer at once
                    QCOMPARE(fx.InkInCell(i % COLS, i / COLS) > 0, ch != ' ');
            }
            const bool bChanged = QByteArray(row.pszCells) != SAME;
            const int nSteps = bChanged ? int(QStringView(row.pszKeys).size()) : 0;
            QCOMPARE(fx.m_host.m_nThumbnailRefreshes - nThumbs, nSteps);
            QCOMPARE(UndoAll(fx.m_doc), nSteps);
        }
    }

    void colouringClicksShortcutsAndOtherTools()
    {
        CTypeFixture fx;
        Click(fx.V(), 2, 1);
        Click(fx.V(), 3, 3, Qt::RightButton);
        SendAt(fx.V(), QEvent::MouseButtonPress, ClientOf(fx.V(), {fx.V().GetCanvasWidth() + 2, 2}),
               Qt::LeftButton, Qt::LeftButton);
        fx.Type(u"a", Qt::ControlModifier);
        ChooseTool(fx, TOOL_FILL);
        fx.Type(u"\u2190\u2191\ba");
        fx.Tool().ColourCaretCell(fx.V(), RED);
        QVERIFY(Inked(fx.m_doc).empty() && ColorAt(fx.m_doc, 2, 1) != RED);
        QVERIFY(!fx.m_doc.CanUndo() && !fx.m_doc.IsModified());
        ChooseTool(fx, TOOL_TYPE); // the caret waited where it was
        QCOMPARE(fx.Tool().CaretCell(), QPoint(2, 1));

        // Colouring records no step: undo of the typing takes the character only.
        fx.Type(u"a\u2190");
        fx.Tool().ColourCaretCell(fx.V(), RED);
        fx.Type(u"b");
        QCOMPARE(ColorAt(fx.m_doc, 2, 1), RED);
        QCOMPARE(UndoAll(fx.m_doc), 2);
        QVERIFY(CharAt(fx.m_doc, 2, 1) == ' ' && ColorAt(fx.m_doc, 2, 1) == RED);
        fx.Type(u"\u2190");
        fx.Tool().ColourCaretCell(fx.V(), 0); // the layers' key colour: near black instead
        QCOMPARE(ColorAt(fx.m_doc, 2, 1), CR_NEAR_BLACK);
    }

    void theCaretBlinksAsABlueFrameAndAZoomPutsItTopLeft()
    {
        CTypeFixture fx;
        Click(fx.V(), 1, 1);
        // Cell (1, 1) spans (w, h) .. (2w - 1, 2h - 1); the frame is its outermost pixels.
        const QPoint ptFirst = ClientOf(fx.V(), {fx.V().GetCellWidth(), fx.V().GetCellHeight()});
        const QPoint ptLast = ptFirst * 2 - QPoint(1, 1);
        QVERIFY(fx.BlueAt(ptFirst) && fx.BlueAt(ptLast));
        QTRY_VERIFY(!fx.Tool().IsCaretVisible());
        QVERIFY(!fx.BlueAt(ptFirst));
        QTRY_VERIFY(fx.Tool().IsCaretVisible());

        Click(fx.V(), 3, 2);
        fx.V().ZoomIn();
        QVERIFY(fx.m_host.m_nTool == TOOL_CURSOR && !fx.Tool().IsCaretVisible());
        ChooseTool(fx, TOOL_TYPE);
        QVERIFY(fx.Tool().CaretCell() == QPoint(0, 0) && fx.Tool().IsCaretVisible());
    }
};

GW_CANVAS_TEST_MAIN(CTypeToolTest)
#include "type_tool_test.moc"
