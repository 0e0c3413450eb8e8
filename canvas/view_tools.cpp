// CArtView: the tools installed by code and the changes between them, the
// tools' window services (caret, timer, cursor), and Paste Clipboard.
#include "canvas/art_view.h"

#include "canvas/glyph_cache.h"
#include "canvas/view_host.h"
#include "core/text_block.h"
#include "res/command_table.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>

namespace {
// The most a paste reserves for the clipboard text in bytes: a little over the
// 65,535 bytes a text block keeps (TEXT_BLOCK_MAX_BYTES), so a long text is
// converted without growing the buffer.
constexpr qsizetype PASTE_RESERVE_BYTES = 70000;
} // namespace

int CArtView::CurTool() const
{
    const int nTool = m_pHost ? m_pHost->GetCurTool() : TOOL_CURSOR;
    return nTool >= 0 && nTool < TOOL_COUNT ? nTool : TOOL_CURSOR;
}

void CArtView::SetTool(int nCode, std::unique_ptr<CViewTool> pTool)
{
    if (nCode >= 0 && nCode < TOOL_COUNT)
        m_tools[static_cast<size_t>(nCode)] = std::move(pTool);
}

CViewTool* CArtView::GetTool(int nCode) const
{
    if (nCode < 0 || nCode >= TOOL_COUNT)
        return nullptr;
    return m_tools[static_cast<size_t>(nCode)].get();
}

void CArtView::OnToolChanged()
{
    // Runs also when the same tool is chosen again: that too ends what the
    // tool had pending (a shape is written, a floating block dropped).
    if (m_tracker.IsTracking())
        m_tracker.OnCaptureLost();
    if (CViewTool* pOld = GetTool(m_nActiveTool))
        pOld->Deactivate(*this);
    ReportEditEnd(m_edit.EndEdit());
    m_drawing.SetRightButton(false);
    // Any tool command drops a floating block and forgets its rectangles.
    m_selection.DropAndForgetRects();
    // Any tool command writes a pending shape and forgets the tracker.
    m_shapes.CommitPreview();
    m_tracker.Empty();
    m_bOverlayShown = false;
    m_nActiveTool = CurTool();
    if (CViewTool* pNew = GetTool(m_nActiveTool))
        pNew->Activate(*this);
    UpdateCursor();
    Refresh(REFRESH_LAYERS);
}

void CArtView::SwitchTool(int nTool)
{
    if (m_pHost)
        m_pHost->SetCurTool(nTool);
    const int nNew = CurTool();
    if (nNew == m_nActiveTool)
        return;
    if (CViewTool* pOld = GetTool(m_nActiveTool))
        pOld->Deactivate(*this);
    m_nActiveTool = nNew;
    if (CViewTool* pNew = GetTool(m_nActiveTool))
        pNew->Activate(*this);
    UpdateCursor();
}

void CArtView::ColourCaretCell(COLORREF cr)
{
    if (IToolCaret* pCaret = CurrentCaret())
        pCaret->ColourCaretCell(*this, cr);
}

IToolCaret* CArtView::CurrentCaret() const
{
    CViewTool* pTool = CurrentTool();
    return pTool ? pTool->Caret() : nullptr;
}

void CArtView::RepaintCanvas(const QRect& rcCanvas)
{
    viewport()->update(rcCanvas.translated(-m_nScrollX, -m_nScrollY));
}

QPoint CArtView::MapToGlobal(QPoint ptClient) const
{
    return viewport()->mapToGlobal(ptClient);
}

void CArtView::PasteClipboard()
{
    const QMimeData* pMime = QGuiApplication::clipboard()->mimeData();
    if (!pMime || !pMime->hasText())
        return;
    const QString strText = pMime->text();
    // Only as much as a block can use is converted: the scan keeps 65,535 bytes.
    std::string strBytes;
    strBytes.reserve(static_cast<size_t>(std::min(strText.size(), PASTE_RESERVE_BYTES)));
    for (qsizetype i = 0; i < strText.size() && strBytes.size() < TEXT_BLOCK_MAX_BYTES; ++i) {
        const char16_t ch = strText[i].unicode();
        if (ch == u'\n' && (i == 0 || strText[i - 1] != u'\r'))
            strBytes += '\r';
        strBytes += static_cast<char>(UnicodeToCp1252(ch, '?'));
    }
    m_selection.PasteClipboardText(strBytes);
}

void CArtView::SetCursorProvider(std::function<QCursor(int)> fnCursor)
{
    m_fnCursor = std::move(fnCursor);
    m_nCursorKey = 0;
    UpdateCursor();
}

QCursor CArtView::StandardToolCursor(int nTool)
{
    // Stand-ins until the project's own cursor images are handed in through
    // SetCursorProvider.
    if (IsFreehandTool(nTool) || nTool == TOOL_FILL || nTool == TOOL_PICK)
        return QCursor(Qt::PointingHandCursor);
    if (IsSelectTool(nTool) || nTool == TOOL_LINE || nTool == TOOL_CURVE ||
        nTool == TOOL_RECTANGLE || nTool == TOOL_ELLIPSE)
        return QCursor(Qt::CrossCursor);
    return QCursor(Qt::ArrowCursor);
}

QCursor CArtView::ResourceCursor(int nId)
{
    auto it = m_mapCursors.find(nId);
    if (it == m_mapCursors.end())
        it = m_mapCursors.emplace(nId, gw::ToolCursor(nId)).first;
    return it->second;
}

void CArtView::UpdateCursor()
{
    const int nTool = CurTool();
    // Over the tracker's rectangle its own cursor wins; then what the tool
    // wants where the mouse is; else the tool's cursor.
    const QPoint ptCanvas = m_ptMouse + QPoint(m_nScrollX, m_nScrollY);
    int nId = m_tracker.CursorIdAt(ptCanvas);
    if (nId == 0) {
        if (const CViewTool* pTool = GetTool(nTool))
            nId = pTool->CursorIdAt(*this, ptCanvas);
    }
    // Resource ids are positive; a tool's own cursor is keyed by its code.
    const int nKey = nId != 0 ? nId : -1 - nTool;
    if (nKey == m_nCursorKey)
        return;
    m_nCursorKey = nKey;
    if (nId != 0)
        viewport()->setCursor(ResourceCursor(nId));
    else
        viewport()->setCursor(m_fnCursor ? m_fnCursor(nTool) : StandardToolCursor(nTool));
}
