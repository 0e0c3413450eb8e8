// The floating block of the select tools: cells lifted off the current frame
// (or out of the internal clipboard, or made from a text) that float over
// the canvas until they are dropped back into the cells. A lift opens one
// undo step and the drop closes it, so a lift, any number of moves and the
// drop are undone together. The view owns one for its lifetime, together
// with the internal clipboard; the system clipboard is only ever read.
#pragma once

#include "core/cell_flip.h"
#include "core/char_cell.h"
#include "core/edit_bracket.h"

#include <QRect>

#include <string_view>
#include <vector>

class CToolContext;

class CSelection {
public:
    explicit CSelection(CToolContext& ctx);
    CSelection(const CSelection&) = delete;
    CSelection& operator=(const CSelection&) = delete;

    enum ESource { SOURCE_CANVAS = 0, SOURCE_CLIPBOARD = 1 };

    bool IsFloating() const { return m_bFloating; }
    bool HasClipboard() const { return m_bHasClipboard; }
    int BlockWidth() const { return m_nWidth; }
    int BlockHeight() const { return m_nHeight; }
    const CharCell& BlockCell(int nCol, int nRow) const
    {
        return m_vBlock[static_cast<size_t>(nRow * m_nWidth + nCol)];
    }

    // Lifts the block under the view's selection rectangle: from the canvas
    // (its area becomes spaces that keep their colours; a block of spaces
    // alone lifts nothing) or from the clipboard (the canvas is untouched).
    void LiftSelection(ESource source);
    // Writes the block where it floats, by the main window's select mode
    // (transparent: its spaces are not written), closes the lift's undo step
    // and redraws.
    void DropSelection();
    // Drops a floating block and forgets both rectangles (Escape, a frame
    // change).
    void DropAndForgetRects();
    // Writes the floating block into pCells, a copy of the current frame's
    // cells, as DropSelection would write it into the frame; the block goes
    // on floating.
    void DropInto(CharCell* pCells) const;

    // The edit commands; each does nothing without a floating block (Paste:
    // without clipboard content).
    void Cut();
    void Copy();
    void Delete();
    void Paste();
    // Flips the floating block where it floats, within the lift's undo step;
    // false when no block floats.
    bool Flip(EMirrorAxis nAxis, EFlipGlyphs glyphs);
    // Every cell of the floating block gets the colour, then it is dropped.
    void ColourSelection(COLORREF cr);
    // A text, lines ended by CR LF, becomes a floating block at the canvas's
    // top-left corner in the text colour, through the clipboard buffer. False when
    // the text holds no character. TABs stay characters unless bExpandTabs.
    bool PlaceTextBlock(std::string_view text, bool bExpandTabs = false);
    // The same for the system clipboard's text, its TABs expanded to 8-column
    // stops, after which the internal clipboard counts as empty (Paste is
    // disabled until the next Cut or Copy).
    bool PasteClipboardText(std::string_view text);
    // A new drawing: the block is forgotten, not dropped.
    void Forget();
    // Undo while a block floats: the lift is taken back as if it never
    // happened (a canvas lift's area gets its cells back, the open step is
    // cancelled, so nothing is left to redo) and both rectangles are
    // forgotten. False, the block going on floating, when the system refused.
    bool CancelLift();

private:
    // Cut and Copy: the block into the clipboard buffer, with its own
    // positions; then, blanked or not, it is dropped.
    void ToClipboard(bool bBlank);
    // Blanks the block if asked, then drops it and forgets both rectangles.
    void DropAndEnd(bool bBlank);
    // Lifts from pFrom (w x h cells), or from the canvas under the selection
    // rectangle when it is null.
    void Lift(const std::vector<CharCell>* pFrom, int nWidth, int nHeight);
    // Lifts a copy of cells (w x h) as a floating block at the canvas's
    // top-left corner, in the current select mode; the clipboard buffer keeps
    // what was cut or copied.
    void LiftAtOrigin(const std::vector<CharCell>& vCells, int nWidth, int nHeight);
    void BuildLayer();
    // Calls fnWrite(col, row, cell) for each block cell the drop writes: by
    // the main window's select mode, spaces left out when transparent.
    template <typename Fn>
    void ForEachDropCell(Fn&& fnWrite) const;
    void SetRects(const QRect& rc);

    CToolContext& m_ctx;
    CEditBracket m_liftEdit;
    std::vector<CharCell> m_vBlock;
    std::vector<CharCell> m_vClipboard;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nClipWidth = 0;
    int m_nClipHeight = 0;
    bool m_bFloating = false;
    bool m_bHasClipboard = false;
    // Where a canvas lift took its block from, for CancelLift; false for a
    // block out of the clipboard or a text, which blanked nothing.
    bool m_bFromCanvas = false;
    int m_nLiftCol = 0;
    int m_nLiftRow = 0;
    // The block as a canvas lift took it, kept once a flip changes the block,
    // so CancelLift gives the area back its own cells; empty otherwise.
    std::vector<CharCell> m_vLifted;
};
