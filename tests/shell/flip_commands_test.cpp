// The Flip commands through the main window, against hand-made pictures: a
// floating block flipped before its drop, the whole frame when no block
// floats, glyph-aware and by position only; one Undo gives the picture back.
#include "canvas/art_view.h"
#include "res/command_ids.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"

using namespace gw;

namespace {
// Rows nRow0.. of the current frame, columns nCol0 .. nCol0 + nWidth - 1,
// joined by '|'.
QByteArray Shown(const CArtView& view, int nCol0, int nWidth, int nRow0, int nRows)
{
    QByteArray ab;
    for (int r = nRow0; r < nRow0 + nRows; ++r) {
        if (r > nRow0)
            ab += '|';
        for (int c = nCol0; c < nCol0 + nWidth; ++c)
            ab += char(view.GetCells()[r * view.GetCols() + c].chChar);
    }
    return ab;
}

// "/(b" over "n M" at columns 1 to 3, rows 1 and 2, as one step.
void DrawPicture(CArtView& view)
{
    view.BeginEdit();
    const char* apszRows[] = {"/(b", "n M"};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            view.SetCell(1 + c, 1 + r, uint8_t(apszRows[r][c]), CArtView::COLOUR_TEXT, 0);
    view.EndEdit();
}
} // namespace

class CFlipCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClearSettings(); }

    void blockIsFlippedBeforeItsDrop()
    {
        CMainFrame frame;
        CArtView& view = *frame.View();
        DrawPicture(view);
        frame.RunCommand(ID_TOOL_SELECT);
        DragCells(view, 1, 1, 4, 3);
        QCOMPARE(view.Selection().BlockWidth(), 3);
        frame.RunCommand(ID_FLIP_TOP_BOTTOM);
        view.Selection().DropAndForgetRects();
        QCOMPARE(Shown(view, 0, 5, 0, 4), QByteArray("     | u W | \\(p |     "));
        frame.RunCommand(ID_EDIT_UNDO);
        QCOMPARE(Shown(view, 0, 5, 0, 4), QByteArray("     | /(b | n M |     "));

        // Undo while the flipped block still floats puts the lifted cells
        // back, not the flipped ones.
        DragCells(view, 1, 1, 4, 3);
        frame.RunCommand(ID_FLIP_LEFT_RIGHT_PLAIN);
        QVERIFY(view.Selection().IsFloating());
        frame.RunCommand(ID_EDIT_UNDO);
        QVERIFY(!view.Selection().IsFloating());
        QCOMPARE(Shown(view, 0, 5, 0, 4), QByteArray("     | /(b | n M |     "));
    }

    void frameIsFlippedAsOneUndoStep()
    {
        CMainFrame frame;
        CArtView& view = *frame.View();
        DrawPicture(view);
        const int nCols = view.GetCols();
        const int nRows = view.GetRows();
        frame.RunCommand(ID_FLIP_LEFT_RIGHT);
        QCOMPARE(Shown(view, nCols - 5, 5, 0, 4), QByteArray("     | d)\\ | M n |     "));
        QCOMPARE(Shown(view, 0, 5, 0, 4), QByteArray("     |     |     |     "));
        frame.RunCommand(ID_FLIP_TOP_BOTTOM_PLAIN);
        QCOMPARE(Shown(view, nCols - 5, 5, nRows - 3, 3), QByteArray(" M n | d)\\ |     "));
        frame.RunCommand(ID_EDIT_UNDO);
        frame.RunCommand(ID_EDIT_UNDO);
        QCOMPARE(Shown(view, 0, 5, 0, 4), QByteArray("     | /(b | n M |     "));
        QCOMPARE(Shown(view, nCols - 5, 5, 0, 4), QByteArray("     |     |     |     "));
    }
};

GW_SHELL_TEST_MAIN(CFlipCommandsTest)

#include "flip_commands_test.moc"
