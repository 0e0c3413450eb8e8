#include "canvas/tools/type_tool.h"

#include "canvas/canvas_color.h"
#include "canvas/glyph_cache.h"
#include "canvas/tool_codes.h"
#include "canvas/tools/view_cell_writer.h"
#include "canvas/view_host.h"
#include "core/edit_bracket.h"
#include "core/mirror_writer.h"

#include <QKeyEvent>
#include <QPainter>

namespace {
// Blue: the caret's frame.
constexpr COLORREF CR_CARET = 0xFF0000;

// The caret rectangle's right and bottom edges, one past its last pixel.
int RightOf(const QRect& rc) { return rc.x() + rc.width(); }
int BottomOf(const QRect& rc) { return rc.y() + rc.height(); }
} // namespace

void CTypeTool::Activate(CToolContext& ctx)
{
    if (m_nTimerId == 0)
        m_nTimerId = ctx.StartTimer(BLINK_MS);
    m_bCaretVisible = true;
    UpdateCaret(ctx);
}

void CTypeTool::Deactivate(CToolContext& ctx)
{
    if (m_nTimerId != 0) {
        ctx.KillTimer(m_nTimerId);
        m_nTimerId = 0;
    }
    m_bCaretVisible = false;
    UpdateCaret(ctx);
}

void CTypeTool::OnLayoutChanged(CToolContext& ctx)
{
    m_rcCaret = QRect(0, 0, ctx.GetCellWidth(), ctx.GetCellHeight());
    m_nCaretCol = 1;
    m_nCaretRow = 1;
}

void CTypeTool::OnTimer(CToolContext& ctx, int nTimerId)
{
    if (nTimerId != m_nTimerId || m_nTimerId == 0)
        return;
    m_bCaretVisible = !m_bCaretVisible;
    UpdateCaret(ctx);
}

void CTypeTool::OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (ev.button == Qt::LeftButton)
        MoveCaret(ctx, ev.ptCanvas);
}

bool CTypeTool::OnKeyPress(CToolContext& ctx, QKeyEvent& ev)
{
    switch (ev.key()) {
    case Qt::Key_Backspace:
        Backspace(ctx);
        return true;
    case Qt::Key_Left:
        MoveCaret(ctx, PrevCellPoint(ctx));
        return true;
    case Qt::Key_Right:
        MoveCaret(ctx, NextCellPoint(ctx));
        return true;
    case Qt::Key_Up:
        MoveCaret(ctx, {m_rcCaret.left() + 1, m_rcCaret.top() - 1});
        return true;
    case Qt::Key_Down:
        MoveCaret(ctx, {m_rcCaret.left() + 1, BottomOf(m_rcCaret) + 1});
        return true;
    default:
        break;
    }
    // Shortcuts do not type: with Ctrl, Alt or Meta the text is left alone.
    if (ev.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    bool bUsed = false;
    for (const QChar qch : ev.text()) {
        const uint8_t ch = UnicodeToCp1252(qch.unicode(), 0);
        if (ch >= 32 && ch <= 126) {
            TypeChar(ctx, ch);
            bUsed = true;
        }
    }
    return bUsed;
}

void CTypeTool::OnPaint(CToolContext& ctx, QPainter& painter)
{
    if (!m_bCaretVisible || ctx.CurTool() != TOOL_TYPE || m_rcCaret.isEmpty())
        return;
    // A cosmetic pen outlines a rectangle one pixel larger than it is; the
    // shrunk one puts the frame on the cell's outermost pixels: its first and
    // last column, its first and last row.
    painter.setPen(ColorRefToQColor(CR_CARET));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_rcCaret.adjusted(0, 0, -1, -1));
}

void CTypeTool::ColourCaretCell(CToolContext& ctx, COLORREF cr)
{
    const int nIndex = CaretIndex(ctx);
    if (ctx.CurTool() != TOOL_TYPE || nIndex < 0)
        return;
    {
        // The colour stays, but is no step of its own: undo of an earlier
        // step only undoes that step's own bytes, so it survives that too.
        CUnrecordedEdit edit(ctx.Document());
        CViewCellWriter(ctx, false)
            .SetCell(m_nCaretCol - 1, m_nCaretRow - 1, ctx.GetCells()[nIndex].chChar,
                     DrawingColor(cr));
    }
    ctx.Refresh(CToolContext::REFRESH_ALL);
    if (IViewHost* pHost = ctx.Host())
        pHost->RefreshFrameThumbnail();
}

int CTypeTool::CaretIndex(const CToolContext& ctx) const
{
    if (!ctx.GetCells() || m_rcCaret.isEmpty() || m_nCaretCol < 1 || m_nCaretRow < 1 ||
        m_nCaretCol > ctx.GetCols() || m_nCaretRow > ctx.GetRows())
        return -1;
    return (m_nCaretRow - 1) * ctx.GetCols() + (m_nCaretCol - 1);
}

void CTypeTool::MoveCaret(CToolContext& ctx, QPoint ptCanvas)
{
    if (!ctx.Geometry().IsOnCanvas(ptCanvas))
        return;
    const int nCellW = ctx.GetCellWidth();
    const int nCellH = ctx.GetCellHeight();
    UpdateCaret(ctx);
    m_rcCaret = QRect(nCellW * (ptCanvas.x() / nCellW), nCellH * (ptCanvas.y() / nCellH), nCellW,
                      nCellH);
    m_nCaretCol = RightOf(m_rcCaret) / nCellW;
    m_nCaretRow = BottomOf(m_rcCaret) / nCellH;
    UpdateCaret(ctx);
}

QPoint CTypeTool::NextCellPoint(const CToolContext& ctx) const
{
    if (m_nCaretCol == ctx.GetCols())
        return {1, BottomOf(m_rcCaret) + 1};
    return {RightOf(m_rcCaret) + 1, m_rcCaret.top() + 1};
}

QPoint CTypeTool::PrevCellPoint(const CToolContext& ctx) const
{
    // On the first row this lies above the canvas, so the caret stays.
    if (m_nCaretCol == 1)
        return {ctx.GetCanvasWidth() - 1, m_rcCaret.top() - 1};
    return {m_rcCaret.left() - 1, m_rcCaret.top() + 1};
}

void CTypeTool::TypeChar(CToolContext& ctx, uint8_t ch)
{
    const int nIndex = CaretIndex(ctx);
    if (nIndex < 0)
        return;
    {
        CToolEdit edit(ctx);
        CMirrorWriter(edit.Writer(), ctx.Drawing().Mirror())
            .SetCell(m_nCaretCol - 1, m_nCaretRow - 1, ch, ctx.GetCells()[nIndex].crColor);
        // At the last cell of the last row the next point is off the canvas.
        MoveCaret(ctx, NextCellPoint(ctx));
    }
    ctx.Refresh(CToolContext::REFRESH_VISIBLE);
    if (IViewHost* pHost = ctx.Host())
        pHost->RefreshFrameThumbnail();
}

void CTypeTool::Backspace(CToolContext& ctx)
{
    // Nothing before the first cell: no write and no step.
    const int nIndex = CaretIndex(ctx) - 1;
    if (nIndex < 0)
        return;
    const int nCols = ctx.GetCols();
    {
        CToolEdit edit(ctx);
        CMirrorWriter(edit.Writer(), ctx.Drawing().Mirror())
            .SetCell(nIndex % nCols, nIndex / nCols, ' ', ctx.GetCells()[nIndex].crColor);
        MoveCaret(ctx, PrevCellPoint(ctx));
    }
    ctx.Refresh(CToolContext::REFRESH_VISIBLE);
    if (IViewHost* pHost = ctx.Host())
        pHost->RefreshFrameThumbnail();
}

void CTypeTool::UpdateCaret(CToolContext& ctx) const
{
    if (m_rcCaret.isEmpty())
        return;
    ctx.RepaintCanvas(m_rcCaret.adjusted(-1, -1, 1, 1));
}
