// Typing (TOOL_TYPE): a blinking caret on one cell. Printable characters
// typed on the keyboard replace the caret cell's character, keeping its
// colour, and move the caret on like a typewriter over the grid; Backspace
// blanks the cell before it and the arrow keys move it. Each character and
// each Backspace is one undo step. The caret's cell survives tool changes;
// a new layout puts it back on the top-left cell.
#pragma once

#include "canvas/view_tool.h"
#include "core/char_cell.h"

#include <QPoint>
#include <QRect>

class CTypeTool : public CViewTool, public IToolCaret {
public:
    IToolCaret* Caret() override { return this; }
    void Activate(CToolContext& ctx) override;
    void Deactivate(CToolContext& ctx) override;
    void OnLayoutChanged(CToolContext& ctx) override;
    void OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev) override;
    bool OnKeyPress(CToolContext& ctx, QKeyEvent& ev) override;
    void OnPaint(CToolContext& ctx, QPainter& painter) override;
    void OnTimer(CToolContext& ctx, int nTimerId) override;

    // The colour picker's "Caret on" target: while this is the current tool,
    // the caret cell takes the colour. Records no undo step.
    void ColourCaretCell(CToolContext& ctx, COLORREF cr) override;

    // The caret's cell, 0-based, and its blink phase.
    QPoint CaretCell() const override { return {m_nCaretCol - 1, m_nCaretRow - 1}; }
    bool IsCaretVisible() const { return m_bCaretVisible; }

private:
    static constexpr int BLINK_MS = 400;

    // Index of the caret cell in the frame, -1 when it is not on the canvas.
    int CaretIndex(const CToolContext& ctx) const;
    // The caret goes to the cell under a canvas pixel; a pixel off the canvas
    // leaves it where it is.
    void MoveCaret(CToolContext& ctx, QPoint ptCanvas);
    // Points inside the next and the previous cell, wrapping across rows.
    QPoint NextCellPoint(const CToolContext& ctx) const;
    QPoint PrevCellPoint(const CToolContext& ctx) const;
    void TypeChar(CToolContext& ctx, uint8_t ch);
    void Backspace(CToolContext& ctx);
    // Repaints the caret's part of the window.
    void UpdateCaret(CToolContext& ctx) const;

    QRect m_rcCaret;     // the caret cell, canvas pixels
    int m_nCaretCol = 1; // 1-based
    int m_nCaretRow = 1;
    bool m_bCaretVisible = true;
    int m_nTimerId = 0; // the blink timer on the view, 0 when stopped
};
