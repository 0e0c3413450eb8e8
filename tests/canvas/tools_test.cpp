// The stroke tools driven through the real view with mouse events: the brush
// square and its clipping, what a click and a drag write, the right button,
// flood fill and pick, and how strokes become undo steps per frame.
#include "canvas/canvas_color.h"
#include "canvas/tool_codes.h"
#include "canvas/tools/tool_registry.h"
#include "canvas_test_main.h"
#include "core/backup_arena.h"
#include "core/backup_store.h"
#include "res/app_strings.h"
#include "tool_driver.h"
#include "ui/message_box.h"
#include "view_fixture.h"

#include <QMouseEvent>
#include <QObject>

#include <set>
#include <utility>

namespace {
constexpr int ROWS = 12;
constexpr int COLS = 20;

struct CPickHost : CRecordingHost {
    void CharPicked(bool bRight, unsigned char ch) override
    {
        ++m_nPicks;
        m_bRight = bRight;
        m_chPicked = ch;
    }
    int m_nPicks = 0;
    bool m_bRight = false;
    unsigned char m_chPicked = 0;
};

// The fixture's view with a picker-aware host and the whole canvas in sight.
struct CToolsFixture : CViewFixture {
    CToolsFixture() : CViewFixture(ROWS, COLS, {900, 700})
    {
        m_pView->SetLeftChar('L');
        m_pView->SetRightChar('R');
    }
};

} // namespace

class CToolsTest : public QObject {
    Q_OBJECT

private slots:
    void brushCoversItsSquareForEachWidth()
    {
        struct Row {
            int nWidth, nFirst, nLast;
        };
        for (const Row& row : {Row{1, 0, 0}, Row{2, -1, 0}, Row{3, -1, 1}, Row{4, -2, 1},
                               Row{10, -5, 4}}) {
            CToolsFixture fx;
            ChooseTool(fx, TOOL_FREEHAND_1 + row.nWidth - 1);
            Click(fx.View(), 9, 6);
            QCOMPARE(Inked(fx.m_doc),
                     Square(9 + row.nFirst, 6 + row.nFirst, 9 + row.nLast, 6 + row.nLast));
            QCOMPARE(CharAt(fx.m_doc, 9, 6), uint8_t('L'));
            QVERIFY(fx.InkInCell(9, 6) > 0); // drawn into the text layer as well
        }
    }

    void brushIsClippedAtTheCanvasCorners()
    {
        CToolsFixture fx;
        ChooseTool(fx, TOOL_FREEHAND_1 + 3); // width 4: -2 .. 1
        Click(fx.View(), 0, 0);
        QCOMPARE(Inked(fx.m_doc), Square(0, 0, 1, 1));
        ChooseTool(fx, TOOL_FREEHAND_10);
        Click(fx.View(), COLS - 1, ROWS - 1);
        CellSet expected = Square(0, 0, 1, 1);
        const CellSet corner = Square(COLS - 6, ROWS - 6, COLS - 1, ROWS - 1);
        expected.insert(corner.begin(), corner.end());
        QCOMPARE(Inked(fx.m_doc), expected);
        Click(fx.View(), COLS - 1, 0);
        const CellSet topRight = Square(COLS - 6, 0, COLS - 1, 4);
        expected.insert(topRight.begin(), topRight.end());
        QCOMPARE(Inked(fx.m_doc), expected);
    }

    void aClickWithoutMovingIsOneStepOfTheSquare()
    {
        CToolsFixture fx;
        ChooseTool(fx, TOOL_FREEHAND_1 + 1);
        const int nThumbs = fx.m_host.m_nThumbnailRefreshes;
        Press(fx.View(), 5, 5);
        Move(fx.View(), 5, 5); // inside the same cell: nothing more
        Release(fx.View(), 5, 5);
        QCOMPARE(Inked(fx.m_doc), Square(4, 4, 5, 5));
        QVERIFY(fx.m_doc.IsModified());
        QVERIFY(!fx.View().IsEditing());
        QCOMPARE(fx.m_host.m_nThumbnailRefreshes, nThumbs + 1);
        QCOMPARE(UndoAll(fx.m_doc), 1);
        QVERIFY(Inked(fx.m_doc).empty());
    }

    // When the system refuses the undo history's memory, a stroke writes
    // nothing (a write outside a step would end the program) or, refused only
    // at its end, keeps its cells without an undo step; either way once told.
    void aRefusedStepNeverCrashesAndIsTold()
    {
        QStringList vShown;
        *GwMessageBoxHook() = [&](const QString& str) { vShown << str; };
        CToolsFixture fx;
        ChooseTool(fx, TOOL_FREEHAND_1);
        BackupFailAllSystemCalls(true);
        Drag(fx.View(), {{2, 2}, {3, 2}, {4, 2}});
        BackupFailAllSystemCalls(false);
        QVERIFY(Inked(fx.m_doc).empty());
        QVERIFY(!fx.m_doc.IsModified());
        QCOMPARE(vShown, QStringList{QString::fromLatin1(gw::IDS_EDIT_NOT_STARTED)});

        vShown.clear();
        Press(fx.View(), 6, 6);
        BackupFailNthSystemCall(1);
        Release(fx.View(), 6, 6);
        BackupFailNthSystemCall(0);
        QCOMPARE(Inked(fx.m_doc), (CellSet{{6, 6}}));
        QVERIFY(fx.m_doc.IsModified());
        QCOMPARE(vShown, QStringList{QString::fromLatin1(gw::IDS_EDIT_UNRECORDED)});
        QCOMPARE(UndoAll(fx.m_doc), 0);
        *GwMessageBoxHook() = nullptr;
    }

    void theReleasedCellIsWrittenOnlyIfTheMouseLeftIt()
    {
        CToolsFixture fx;
        ChooseTool(fx, TOOL_FREEHAND_1);
        Press(fx.View(), 2, 2);
        Move(fx.View(), 5, 2);
        Move(fx.View(), 5, 5);
        Release(fx.View(), 5, 5);
        CellSet expected = Square(2, 2, 4, 2);
        expected.insert({{5, 2}, {5, 3}, {5, 4}});
        QCOMPARE(Inked(fx.m_doc), expected);
        QCOMPARE(UndoAll(fx.m_doc), 1); // the whole drag is one step

        // Leaving a cell and coming back writes it when it is left the second time.
        Press(fx.View(), 8, 8);
        Move(fx.View(), 9, 8);
        Move(fx.View(), 10, 8);
        Release(fx.View(), 10, 8);
        QCOMPARE(Inked(fx.m_doc), (CellSet{{8, 8}, {9, 8}}));
    }

    void theRightButtonDrawsItsCharacterOnlyWithTheNamedTools()
    {
        CToolsFixture fx;
        ChooseTool(fx, TOOL_FREEHAND_1);
        Press(fx.View(), 1, 1, Qt::RightButton);
        Move(fx.View(), 3, 1, Qt::RightButton);
        Release(fx.View(), 3, 1, Qt::RightButton);
        QCOMPARE(CharAt(fx.m_doc, 1, 1), uint8_t('R'));
        QCOMPARE(CharAt(fx.m_doc, 2, 1), uint8_t('R'));
        QVERIFY(!fx.View().Drawing().IsRightButton());
        Click(fx.View(), 1, 3); // and the left button draws its own again
        QCOMPARE(CharAt(fx.m_doc, 1, 3), uint8_t('L'));

        ChooseTool(fx, TOOL_ERASE);
        Click(fx.View(), 1, 1, Qt::RightButton);
        QCOMPARE(CharAt(fx.m_doc, 1, 1), uint8_t('R'));
        Click(fx.View(), 1, 1);
        QCOMPARE(CharAt(fx.m_doc, 1, 1), uint8_t(' '));

        for (int nTool : {TOOL_TYPE, TOOL_LINE, TOOL_CURVE, TOOL_RECTANGLE, TOOL_ELLIPSE}) {
            ChooseTool(fx, nTool);
            const CellSet before = Inked(fx.m_doc);
            Press(fx.View(), 6, 6, Qt::RightButton);
            Move(fx.View(), 8, 6, Qt::RightButton);
            Release(fx.View(), 8, 6, Qt::RightButton);
            QCOMPARE(Inked(fx.m_doc), before);
        }

        ChooseTool(fx, TOOL_FILL);
        fx.WriteCell(0, '|', 0x010101); // a wall keeps the fill off the rest
        Click(fx.View(), 10, 10, Qt::RightButton);
        QCOMPARE(CharAt(fx.m_doc, 10, 10), uint8_t('R'));
    }

    void fillStopsAtAnyCharacterKeepsColoursAndNeverGoesDiagonally()
    {
        CToolsFixture fx;
        // A closed box 1..4 x 1..3 whose inside is 2..3 x 2; a gap only at a corner.
        for (int c = 1; c <= 4; ++c) {
            fx.WriteCell(1 * COLS + c, '-', 0x010101);
            fx.WriteCell(3 * COLS + c, static_cast<uint8_t>(0xA0), 0x010101);
        }
        fx.WriteCell(2 * COLS + 1, '|', 0x010101);
        fx.WriteCell(2 * COLS + 4, '.', 0x010101);
        fx.WriteCell(1 * COLS + 4, ' ', 0x010101); // the corner opens only diagonally
        fx.WriteCell(2 * COLS + 3, ' ', 0x0000FF);
        const int nSteps = UndoAll(fx.m_doc);
        for (int i = 0; i < nSteps; ++i)
            fx.m_doc.OnEditRedo();
        const CellSet before = Inked(fx.m_doc);

        ChooseTool(fx, TOOL_FILL);
        Click(fx.View(), 2, 2);
        CellSet expected = before;
        expected.insert({{2, 2}, {3, 2}});
        QCOMPARE(Inked(fx.m_doc), expected);
        QCOMPARE(CharAt(fx.m_doc, 3, 2), uint8_t('L'));
        QCOMPARE(fx.m_doc.GetCurCells()[2 * COLS + 3].crColor, COLORREF(0x0000FF));
        QVERIFY(fx.InkInCell(3, 2) > 0);
        QCOMPARE(UndoAll(fx.m_doc), nSteps + 1);
    }

    void aSpaceFillOrAFillOnACharacterChangesNothing()
    {
        CToolsFixture fx;
        fx.WriteCell(0, 'x', 0x010101);
        UndoAll(fx.m_doc);
        fx.m_doc.OnEditRedo();
        fx.m_doc.SetModifiedFlag(false);
        const int nThumbs = fx.m_host.m_nThumbnailRefreshes;
        ChooseTool(fx, TOOL_FILL);
        fx.View().SetLeftChar(' ');
        Click(fx.View(), 5, 5);
        fx.View().SetLeftChar('o');
        Click(fx.View(), 0, 0);
        QCOMPARE(Inked(fx.m_doc), (CellSet{{0, 0}}));
        QVERIFY(!fx.m_doc.IsModified());
        QCOMPARE(fx.m_host.m_nThumbnailRefreshes, nThumbs);
        QCOMPARE(UndoAll(fx.m_doc), 1); // only the setup's step
    }

    void pickIgnoresBytesAbove126()
    {
        CPickHost host;
        CArtDoc doc;
        doc.SetCanvasSize(ROWS, COLS);
        doc.OnNewDocument();
        {
            CArtView view(doc, &host);
            RegisterStandardTools(view);
            view.resize(900, 700);
            view.show();
            QCoreApplication::processEvents();
            view.OnInitialUpdate();
            view.SetLeftChar('L');
            view.SetRightChar('R');
            CEditBracket bracket(doc);
            bracket.BeginEdit();
            doc.GetCurCells()[0].chChar = 0xE9;
            doc.GetCurCells()[1].chChar = 127;
            doc.GetCurCells()[2].chChar = '~';
            bracket.EndEdit();
            host.m_nTool = TOOL_PICK;
            view.OnToolChanged();
            Click(view, 0, 0);
            Click(view, 1, 0, Qt::RightButton);
            QCOMPARE(host.m_nPicks, 0);
            QCOMPARE(view.Drawing().LeftChar(), uchar('L'));
            QCOMPARE(view.Drawing().RightChar(), uchar('R'));
            Click(view, 2, 0, Qt::RightButton);
            QCOMPARE(host.m_nPicks, 1);
            QVERIFY(host.m_bRight);
            QCOMPARE(host.m_chPicked, uchar('~'));
            QCOMPARE(view.Drawing().RightChar(), uchar('~'));
            QCOMPARE(view.Drawing().LeftChar(), uchar('L'));
            QCOMPARE(doc.GetCurCells()[2].chChar, uint8_t('~'));
            QVERIFY(!doc.CanRedo());
            doc.OnEditUndo(); // the setup's step only: picking made none
            QVERIFY(!doc.CanUndo());
        }
    }

    // Pictures the tools compose themselves: the eraser's outline over the
    // visible part, a select tool's floating block between text and grid.
    void theEraserOutlineFollowsTheMouseAndGoesWithTheTool()
    {
        CToolsFixture fx;
        CArtView& view = fx.View();
        ChooseTool(fx, TOOL_ERASE);
        view.Drawing().SetBrushWidth(3);
        Move(view, 5, 5, Qt::NoButton);
        const int nCellW = view.GetCellWidth(), nCellH = view.GetCellHeight();
        const QPoint ptCorner(4 * nCellW, 4 * nCellH + 1);
        const QRgb rgbOutline = ColorRefToRgb(CR_NEAR_BLACK);
        QCOMPARE(view.CompositionLayer().pixel(ptCorner), rgbOutline);
        QVERIFY(view.CompositionLayer().pixel(5 * nCellW + 2, 5 * nCellH + 2) != rgbOutline);
        ChooseTool(fx, TOOL_CURSOR);
        view.Refresh(CArtView::REFRESH_VISIBLE);
        QVERIFY(view.CompositionLayer().pixel(ptCorner) != rgbOutline);
    }

    void aFloatingBlockLiesUnderTheGridWhileASelectToolIsCurrent()
    {
        CToolsFixture fx;
        CArtView& view = fx.View();
        const int nCellW = view.GetCellWidth(), nCellH = view.GetCellHeight();
        const QPoint ptInside(2, 2), ptGrid(nCellW - 1, 2);
        for (int nTool : {TOOL_SELECT_TRANSPARENT, TOOL_SELECT_OPAQUE, TOOL_CURSOR}) {
            ChooseTool(fx, nTool); // which also forgets any selection rectangle
            view.SelectionLayer() = QImage(2, 2, QImage::Format_RGB32);
            view.SelectionLayer().fill(qRgb(255, 0, 0));
            view.SetSelectionRect(QRect(0, 0, 2 * nCellW, 2 * nCellH));
            view.Refresh(CArtView::REFRESH_ALL);
            QCOMPARE(view.CompositionLayer().pixel(ptInside) == qRgb(255, 0, 0), nTool != TOOL_CURSOR);
            QCOMPARE(view.CompositionLayer().pixel(ptGrid), qRgb(200, 200, 200));
        }
    }

    void strokesAreUndoneOnTheirOwnFrame()
    {
        CToolsFixture fx;
        ChooseTool(fx, TOOL_FREEHAND_1);
        Click(fx.View(), 1, 1);
        const int nSecond = AddFrame(fx);
        Click(fx.View(), 2, 2);
        Click(fx.View(), 3, 3);
        ShowFrame(fx, 0);
        QCOMPARE(UndoAll(fx.m_doc), 1);
        QVERIFY(Inked(fx.m_doc).empty());
        ShowFrame(fx, nSecond);
        QCOMPARE(Inked(fx.m_doc), (CellSet{{2, 2}, {3, 3}}));
        QCOMPARE(UndoAll(fx.m_doc), 2);
    }

    void aLimitOfThreeKeepsThreeOfFourStrokes()
    {
        const unsigned nOldLimit = g_nUndoRedoStep;
        g_nUndoRedoStep = 3;
        {
            CToolsFixture fx;
            ChooseTool(fx, TOOL_FREEHAND_1);
            for (int i = 0; i < 4; ++i)
                Click(fx.View(), i, 0);
            QCOMPARE(UndoAll(fx.m_doc), 3);
            QCOMPARE(Inked(fx.m_doc), (CellSet{{0, 0}}));
        }
        g_nUndoRedoStep = nOldLimit;
    }

    void choosingAnyToolCommitsAPendingStroke()
    {
        for (int nNext : {TOOL_FREEHAND_1, TOOL_FILL, TOOL_CURSOR}) {
            CToolsFixture fx;
            ChooseTool(fx, TOOL_FREEHAND_1);
            Press(fx.View(), 4, 4);
            Move(fx.View(), 6, 4);
            QVERIFY(!fx.m_doc.CanUndo()); // still open
            const int nThumbs = fx.m_host.m_nThumbnailRefreshes;
            ChooseTool(fx, nNext); // even the same tool again
            QVERIFY(!fx.View().IsEditing());
            QVERIFY(fx.m_doc.IsModified());
            QCOMPARE(fx.m_host.m_nThumbnailRefreshes, nThumbs + 1);
            // The stroke is over: moving on with the button still down draws nothing.
            Move(fx.View(), 9, 4);
            Release(fx.View(), 9, 4);
            QCOMPARE(Inked(fx.m_doc), (CellSet{{4, 4}, {5, 4}}));
            QCOMPARE(UndoAll(fx.m_doc), 1);
        }
    }

    void aStrokeWhoseFrameIsLeftIsCommittedOnThatFrame()
    {
        CToolsFixture fx;
        const int nSecond = AddFrame(fx);
        ShowFrame(fx, 0);
        ChooseTool(fx, TOOL_FREEHAND_1);
        Press(fx.View(), 1, 5);
        Move(fx.View(), 3, 5);
        ShowFrame(fx, nSecond);
        Move(fx.View(), 6, 5);
        Release(fx.View(), 6, 5);
        QVERIFY(Inked(fx.m_doc).empty());
        QVERIFY(!fx.m_doc.CanUndo());
        ShowFrame(fx, 0);
        QCOMPARE(Inked(fx.m_doc), (CellSet{{1, 5}, {2, 5}}));
        QCOMPARE(UndoAll(fx.m_doc), 1);
        QVERIFY(Inked(fx.m_doc).empty());
        // The next stroke on the second frame opens and closes its own step.
        ShowFrame(fx, nSecond);
        Click(fx.View(), 0, 0);
        QCOMPARE(UndoAll(fx.m_doc), 1);
    }

    void endPendingEditEndsTheStrokeAndRenewsTheThumbnail()
    {
        CToolsFixture fx;
        ChooseTool(fx, TOOL_ERASE);
        fx.WriteCell(3 * COLS + 3, 'x', 0x010101);
        Press(fx.View(), 3, 3);
        const int nThumbs = fx.m_host.m_nThumbnailRefreshes;
        fx.View().EndPendingEdit();
        QCOMPARE(fx.m_host.m_nThumbnailRefreshes, nThumbs + 1);
        QVERIFY(!fx.View().IsEditing());
        QCOMPARE(CharAt(fx.m_doc, 3, 3), uint8_t(' '));
        QCOMPARE(UndoAll(fx.m_doc), 2);
        const int nAfterUndo = fx.m_host.m_nThumbnailRefreshes;
        fx.View().EndPendingEdit(); // nothing pending: no thumbnail
        QCOMPARE(fx.m_host.m_nThumbnailRefreshes, nAfterUndo);
    }
};

GW_CANVAS_TEST_MAIN(CToolsTest)
#include "tools_test.moc"
