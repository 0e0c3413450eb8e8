// The Flip commands in the main window: a floating block flipped before its
// drop, else the whole frame, glyph-aware or plain; one Undo takes each back.
#include "shell_test_support.h"

using namespace gw;

namespace {
// Rows nRow0.. of the current frame from column nCol0, nWidth wide, joined by '|'.
QByteArray Shown(const CArtView& view, int nCol0, int nWidth, int nRow0, int nRows)
{
    QByteArray ab;
    for (int r = nRow0; r < nRow0 + nRows; ++r) {
        ab += r > nRow0 ? "|" : "";
        for (int c = nCol0; c < nCol0 + nWidth; ++c)
            ab += char(view.GetCells()[r * view.GetCols() + c].chChar);
    }
    return ab;
}

// "/(b" over "n M" at columns 1 to 3, rows 1 and 2, as one step.
void DrawPicture(CArtView& view)
{
    view.BeginEdit();
    for (int i = 0; i < 6; ++i)
        view.SetCell(1 + i % 3, 1 + i / 3, uint8_t("/(bn M"[i]), CArtView::COLOUR_TEXT, 0);
    view.EndEdit();
}
const QByteArray PICTURE("     | /(b | n M |     "), BLANK("     |     |     |     ");
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
        QCOMPARE(Shown(view, 0, 5, 0, 4), PICTURE);
        // Undo while the flipped block floats puts back the lifted cells, not the flipped ones.
        DragCells(view, 1, 1, 4, 3);
        frame.RunCommand(ID_FLIP_LEFT_RIGHT_PLAIN);
        QVERIFY(view.Selection().IsFloating());
        frame.RunCommand(ID_EDIT_UNDO);
        QVERIFY(!view.Selection().IsFloating());
        QCOMPARE(Shown(view, 0, 5, 0, 4), PICTURE);
    }

    void frameIsFlippedAsOneUndoStep()
    {
        CMainFrame frame;
        CArtView& view = *frame.View();
        DrawPicture(view);
        const int nCols = view.GetCols(), nRows = view.GetRows();
        frame.RunCommand(ID_FLIP_LEFT_RIGHT);
        QCOMPARE(Shown(view, nCols - 5, 5, 0, 4), QByteArray("     | d)\\ | M n |     "));
        QCOMPARE(Shown(view, 0, 5, 0, 4), BLANK);
        frame.RunCommand(ID_FLIP_TOP_BOTTOM_PLAIN);
        QCOMPARE(Shown(view, nCols - 5, 5, nRows - 3, 3), QByteArray(" M n | d)\\ |     "));
        frame.RunCommand(ID_EDIT_UNDO);
        frame.RunCommand(ID_EDIT_UNDO);
        QCOMPARE(Shown(view, 0, 5, 0, 4), PICTURE);
        QCOMPARE(Shown(view, nCols - 5, 5, 0, 4), BLANK);
    }
};

GW_SHELL_TEST_MAIN(CFlipCommandsTest)
#include "flip_commands_test.moc"
