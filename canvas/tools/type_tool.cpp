#include "canvas/tools/type_tool.h"

#include "canvas/art_view.h"
#include "canvas/canvas_color.h"
#include "canvas/glyph_cache.h"
#include "canvas/view_host.h"
#include "core/edit_bracket.h"

#include <QKeyEvent>
#include <QPainter>

namespace {
// Blue: the caret's frame.
constexpr COLORREF CR_CARET = 0xFF0000;

// The caret rectangle's right and bottom edges, one past its last pixel.
int RightOf(const QRect& rc) { return rc.x() + rc.width(); }
int BottomOf(const QRect& rc) { return rc.y() + rc.height(); }
} // namespace

void CTypeTool::Activate(CArtView& view)
{
    if (m_nTimerId == 0)
        m_nTimerId = view.startTimer(BLINK_MS);
    m_bCaretVisible = true;
    UpdateCaret(view);
}

void CTypeTool::Deactivate(CArtView& view)
{
    if (m_nTimerId != 0) {
        view.killTimer(m_nTimerId);
        m_nTimerId = 0;
    }
    m_bCaretVisible = false;
    UpdateCaret(view);
}

void CTypeTool::OnLayoutChanged(CArtView& view)
{
    m_rcCaret = QRect(0, 0, view.GetCellWidth(), view.GetCellHeight());
    m_nCaretCol = 1;
    m_nCaretRow = 1;
}

void CTypeTool::OnTimer(CArtView& view, int nTimerId)
{
    if (nTimerId != m_nTimerId || m_nTimerId == 0)
        return;
    m_bCaretVisible = !m_bCaretVisible;
    UpdateCaret(view);
}

void CTypeTool::OnMousePress(CArtView& view, const CToolMouseEvent& ev)
{
    if (ev.button == Qt::LeftButton)
        MoveCaret(view, ev.ptCanvas);
}

bool CTypeTool::OnKeyPress(CArtView& view, QKeyEvent& ev)
{
    switch (ev.key()) {
    case Qt::Key_Backspace:
        Backspace(view);
        return true;
    case Qt::Key_Left:
        MoveCaret(view, PrevCellPoint(view));
        return true;
    case Qt::Key_Right:
        MoveCaret(view, NextCellPoint(view));
        return true;
    case Qt::Key_Up:
        MoveCaret(view, {m_rcCaret.left() + 1, m_rcCaret.top() - 1});
        return true;
    case Qt::Key_Down:
        MoveCaret(view, {m_rcCaret.left() + 1, BottomOf(m_rcCaret) + 1});
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
            TypeChar(view, ch);
            bUsed = true;
        }
    }
    return bUsed;
}

void CTypeTool::OnPaint(CArtView& view, QPainter& painter)
{
    if (!m_bCaretVisible || view.CurTool() != TOOL_TYPE || m_rcCaret.isEmpty())
        return;
    // A cosmetic pen outlines a rectangle one pixel larger than it is; the
    // shrunk one puts the frame on the cell's outermost pixels: its first and
    // last column, its first and last row.
    painter.setPen(ColorRefToQColor(CR_CARET));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_rcCaret.adjusted(0, 0, -1, -1));
}

void CTypeTool::ColourCaretCell(CArtView& view, COLORREF cr)
{
    const int nIndex = CaretIndex(view);
    if (view.CurTool() != TOOL_TYPE || nIndex < 0)
        return;
    {
        // The colour stays, but is no step of its own: undo of an earlier
        // step only undoes that step's own bytes, so it survives that too.
        CUnrecordedEdit edit(view.Document());
        view.SetCell(m_nCaretCol - 1, m_nCaretRow - 1, view.GetCells()[nIndex].chChar, true,
                     DrawingColor(cr));
    }
    view.Refresh(CArtView::REFRESH_ALL);
    if (IViewHost* pHost = view.Host())
        pHost->RefreshFrameThumbnail();
}

int CTypeTool::CaretIndex(const CArtView& view) const
{
    if (!view.GetCells() || m_rcCaret.isEmpty() || m_nCaretCol < 1 || m_nCaretRow < 1
        || m_nCaretCol > view.GetCols() || m_nCaretRow > view.GetRows())
        return -1;
    return (m_nCaretRow - 1) * view.GetCols() + (m_nCaretCol - 1);
}

void CTypeTool::MoveCaret(CArtView& view, QPoint ptCanvas)
{
    if (!view.Geometry().IsOnCanvas(ptCanvas))
        return;
    const int nCellW = view.GetCellWidth();
    const int nCellH = view.GetCellHeight();
    UpdateCaret(view);
    m_rcCaret = QRect(nCellW * (ptCanvas.x() / nCellW), nCellH * (ptCanvas.y() / nCellH), nCellW,
                      nCellH);
    m_nCaretCol = RightOf(m_rcCaret) / nCellW;
    m_nCaretRow = BottomOf(m_rcCaret) / nCellH;
    UpdateCaret(view);
}

QPoint CTypeTool::NextCellPoint(const CArtView& view) const
{
    if (m_nCaretCol == view.GetCols())
        return {1, BottomOf(m_rcCaret) + 1};
    return {RightOf(m_rcCaret) + 1, m_rcCaret.top() + 1};
}

QPoint CTypeTool::PrevCellPoint(const CArtView& view) const
{
    // On the first row this lies above the canvas, so the caret stays.
    if (m_nCaretCol == 1)
        return {view.GetCanvasWidth() - 1, m_rcCaret.top() - 1};
    return {m_rcCaret.left() - 1, m_rcCaret.top() + 1};
}

void CTypeTool::TypeChar(CArtView& view, uint8_t ch)
{
    const int nIndex = CaretIndex(view);
    if (nIndex < 0)
        return;
    view.BeginEdit();
    view.WriteCell(m_nCaretCol - 1, m_nCaretRow - 1, ch, view.GetCells()[nIndex].crColor);
    // At the last cell of the last row the next point is off the canvas.
    MoveCaret(view, NextCellPoint(view));
    view.EndEdit();
    view.Refresh(CArtView::REFRESH_VISIBLE);
    if (IViewHost* pHost = view.Host())
        pHost->RefreshFrameThumbnail();
}

void CTypeTool::Backspace(CArtView& view)
{
    // Nothing before the first cell: no write and no step.
    const int nIndex = CaretIndex(view) - 1;
    if (nIndex < 0)
        return;
    const int nCols = view.GetCols();
    view.BeginEdit();
    view.WriteCell(nIndex % nCols, nIndex / nCols, ' ', view.GetCells()[nIndex].crColor);
    MoveCaret(view, PrevCellPoint(view));
    view.EndEdit();
    view.Refresh(CArtView::REFRESH_VISIBLE);
    if (IViewHost* pHost = view.Host())
        pHost->RefreshFrameThumbnail();
}

void CTypeTool::UpdateCaret(CArtView& view) const
{
    if (m_rcCaret.isEmpty())
        return;
    view.viewport()->update(m_rcCaret.translated(-view.GetScrollX(), -view.GetScrollY())
                                .adjusted(-1, -1, 1, 1));
}
