#include "canvas/selection.h"

#include "canvas/canvas_color.h"
#include "canvas/tool_codes.h"
#include "canvas/tool_context.h"
#include "canvas/tools/view_cell_writer.h"
#include "canvas/view_host.h"
#include "core/text_block.h"
#include "res/app_strings.h"

#include <algorithm>

CSelection::CSelection(CToolContext& ctx) : m_ctx(ctx), m_liftEdit(ctx.Document()) {}

void CSelection::SetRects(const QRect& rc)
{
    m_ctx.Tracker().SetRect({rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height()});
    m_ctx.SetSelectionRect(rc);
}

void CSelection::LiftSelection(ESource source)
{
    if (source == SOURCE_CLIPBOARD)
        Lift(&m_vClipboard, m_nClipWidth, m_nClipHeight);
    else
        Lift(nullptr, 0, 0);
}

void CSelection::Lift(const std::vector<CharCell>* pFrom, int nWidth, int nHeight)
{
    const QRect rc = m_ctx.GetSelectionRect();
    const int nCellW = m_ctx.GetCellWidth();
    const int nCellH = m_ctx.GetCellHeight();
    if (pFrom) {
        m_nWidth = nWidth;
        m_nHeight = nHeight;
        m_vBlock = *pFrom;
    } else {
        m_nWidth = std::max(0, rc.width() / nCellW);
        m_nHeight = std::max(0, rc.height() / nCellH);
        m_vBlock.assign(static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight), CharCell{});
    }
    m_bFloating = false;
    const CharCell* pCells = m_ctx.GetCells();
    if (!pCells || m_nWidth <= 0 || m_nHeight <= 0)
        return;
    const int nCol0 = rc.left() / nCellW;
    const int nRow0 = rc.top() / nCellH;
    const int nCols = m_ctx.GetCols();
    const int nRows = m_ctx.GetRows();
    if (!pFrom) {
        bool bAnyChar = false;
        for (int r = 0; r < m_nHeight; ++r) {
            for (int c = 0; c < m_nWidth; ++c) {
                const int nCol = nCol0 + c;
                const int nRow = nRow0 + r;
                if (nCol < 0 || nRow < 0 || nCol >= nCols || nRow >= nRows)
                    continue;
                const CharCell& cell = pCells[nRow * nCols + nCol];
                m_vBlock[static_cast<size_t>(r * m_nWidth + c)] = cell;
                bAnyChar = bAnyChar || cell.chChar != ' ';
            }
        }
        // A block of spaces alone lifts nothing; the rectangle stays shown.
        if (!bAnyChar)
            return;
    }
    // Refused, nothing is lifted: the cells under the block would stay.
    if (!m_liftEdit.BeginEdit()) {
        m_ctx.ReportStoreFailure(gw::IDS_EDIT_NOT_STARTED);
        return;
    }
    if (!pFrom) {
        // The area becomes spaces that keep their colours.
        CViewCellWriter writer(m_ctx, false);
        for (int r = 0; r < m_nHeight; ++r)
            for (int c = 0; c < m_nWidth; ++c)
                writer.SetCell(nCol0 + c, nRow0 + r, ' ',
                               m_vBlock[static_cast<size_t>(r * m_nWidth + c)].crColor);
    }
    m_bFromCanvas = pFrom == nullptr;
    m_vLifted.clear();
    m_nLiftCol = nCol0;
    m_nLiftRow = nRow0;
    BuildLayer();
    m_bFloating = true;
    if (IViewHost* pHost = m_ctx.Host()) {
        pHost->PendingWorkChanged();
        pHost->OnEditStateChanged();
    }
}

void CSelection::BuildLayer()
{
    const int nCellW = m_ctx.GetCellWidth();
    const int nCellH = m_ctx.GetCellHeight();
    QImage& img = m_ctx.SelectionLayer();
    img = QImage(std::max(1, m_nWidth * nCellW), std::max(1, m_nHeight * nCellH),
                 QImage::Format_RGB32);
    img.fill(RGB_KEY);
    // Drawn where each cell's index puts it in the block, at the cell size of
    // now: a block kept from before a zoom still matches the canvas.
    const bool bTransparent = m_ctx.CurTool() == TOOL_SELECT_TRANSPARENT;
    for (int r = 0; r < m_nHeight; ++r) {
        for (int c = 0; c < m_nWidth; ++c) {
            const CharCell& cell = m_vBlock[static_cast<size_t>(r * m_nWidth + c)];
            if (!bTransparent || cell.chChar != ' ')
                m_ctx.DrawGlyph(img, c * nCellW, r * nCellH, cell.chChar, cell.crColor);
        }
    }
}

template <typename Fn>
void CSelection::ForEachDropCell(Fn&& fnWrite) const
{
    const QRect rc = m_ctx.GetSelectionRect();
    const int nCol0 = rc.left() / m_ctx.GetCellWidth();
    const int nRow0 = rc.top() / m_ctx.GetCellHeight();
    const bool bTransparent = (m_ctx.Host() ? m_ctx.Host()->GetSelectMode()
                                            : TOOL_SELECT_TRANSPARENT) == TOOL_SELECT_TRANSPARENT;
    for (int r = 0; r < m_nHeight; ++r) {
        for (int c = 0; c < m_nWidth; ++c) {
            const CharCell& cell = m_vBlock[static_cast<size_t>(r * m_nWidth + c)];
            if (!bTransparent || cell.chChar != ' ')
                fnWrite(nCol0 + c, nRow0 + r, cell);
        }
    }
}

void CSelection::DropSelection()
{
    if (!m_bFloating)
        return;
    CViewCellWriter writer(m_ctx, false);
    ForEachDropCell([&writer](int nCol, int nRow, const CharCell& cell) {
        writer.SetCell(nCol, nRow, cell.chChar, cell.crColor);
    });
    const EEditEnd end = m_liftEdit.EndEdit();
    if (end == EEditEnd::Unrecorded)
        m_ctx.ReportStoreFailure(gw::IDS_EDIT_UNRECORDED);
    else if (end == EEditEnd::StillOpen)
        m_ctx.ReportStoreFailure(gw::IDS_EDIT_STILL_OPEN);
    m_ctx.SelectionLayer().fill(RGB_KEY);
    m_bFloating = false;
    m_ctx.Refresh(CToolContext::REFRESH_ALL);
    if (IViewHost* pHost = m_ctx.Host()) {
        pHost->RefreshFrameThumbnail();
        pHost->OnEditStateChanged();
    }
}

void CSelection::DropInto(CharCell* pCells) const
{
    if (!m_bFloating)
        return;
    const int nCols = m_ctx.GetCols();
    const int nRows = m_ctx.GetRows();
    ForEachDropCell([&](int nCol, int nRow, const CharCell& cell) {
        if (nCol < 0 || nRow < 0 || nCol >= nCols || nRow >= nRows)
            return;
        CharCell& dst = pCells[nRow * nCols + nCol];
        dst.chChar = cell.chChar;
        dst.crColor = cell.crColor;
    });
}

void CSelection::DropAndForgetRects()
{
    // The rectangles go first, so the drop's redraw leaves no frame behind.
    m_ctx.Tracker().Empty();
    if (m_bFloating)
        DropSelection();
    m_ctx.SetSelectionRect({});
}

void CSelection::ToClipboard(bool bBlank)
{
    if (!m_bFloating)
        return;
    const int nCellW = m_ctx.GetCellWidth();
    const int nCellH = m_ctx.GetCellHeight();
    m_vClipboard = m_vBlock;
    m_nClipWidth = m_nWidth;
    m_nClipHeight = m_nHeight;
    for (int r = 0; r < m_nHeight; ++r) {
        for (int c = 0; c < m_nWidth; ++c) {
            CharCell& cell = m_vClipboard[static_cast<size_t>(r * m_nWidth + c)];
            cell.nX = c * nCellW;
            cell.nY = r * nCellH;
        }
    }
    // Held before the drop tells the host, so Paste follows at once.
    m_bHasClipboard = true;
    DropAndEnd(bBlank);
}

void CSelection::DropAndEnd(bool bBlank)
{
    if (bBlank) {
        for (CharCell& cell : m_vBlock)
            cell.chChar = ' ';
    }
    m_ctx.Tracker().Empty();
    m_ctx.SelectionLayer().fill(RGB_KEY);
    // The lift left the area blank, so a blanked block leaves it blank in
    // either select mode.
    DropSelection();
    m_ctx.SetSelectionRect({});
}

void CSelection::Cut() { ToClipboard(true); }
void CSelection::Copy() { ToClipboard(false); }

void CSelection::Delete()
{
    if (m_bFloating)
        DropAndEnd(true);
}

bool CSelection::Flip(EMirrorAxis nAxis, EFlipGlyphs glyphs)
{
    if (!m_bFloating)
        return false;
    if (m_bFromCanvas && m_vLifted.empty())
        m_vLifted = m_vBlock;
    FlipCells(m_vBlock.data(), m_nWidth, m_nHeight, m_nWidth, nAxis, glyphs);
    BuildLayer();
    m_ctx.Refresh(CToolContext::REFRESH_ALL);
    return true;
}

void CSelection::ColourSelection(COLORREF cr)
{
    if (!m_bFloating)
        return;
    for (CharCell& cell : m_vBlock)
        cell.crColor = cr;
    m_ctx.Tracker().Empty();
    DropSelection();
    m_ctx.SetSelectionRect({});
}

void CSelection::LiftAtOrigin(const std::vector<CharCell>& vCells, int nWidth, int nHeight)
{
    if (m_bFloating)
        DropSelection();
    SetRects(QRect(0, 0, nWidth * m_ctx.GetCellWidth(), nHeight * m_ctx.GetCellHeight()));
    if (IViewHost* pHost = m_ctx.Host())
        m_ctx.SwitchTool(pHost->GetSelectMode());
    Lift(&vCells, nWidth, nHeight);
    m_ctx.Refresh(CToolContext::REFRESH_ALL);
}

void CSelection::Paste()
{
    if (!m_bHasClipboard)
        return;
    LiftAtOrigin(m_vClipboard, m_nClipWidth, m_nClipHeight);
}

bool CSelection::PlaceTextBlock(std::string_view text, bool bExpandTabs)
{
    CTextBlock block;
    if (!m_ctx.GetCells() ||
        !ScanTextBlock(text, m_ctx.GetCols(), m_ctx.GetRows(), block, bExpandTabs))
        return false;
    const int nCellW = m_ctx.GetCellWidth();
    const int nCellH = m_ctx.GetCellHeight();
    std::vector<CharCell> vCells(static_cast<size_t>(block.nWidth) *
                                 static_cast<size_t>(block.nHeight));
    for (int r = 0; r < block.nHeight; ++r) {
        for (int c = 0; c < block.nWidth; ++c) {
            CharCell& cell = vCells[static_cast<size_t>(r * block.nWidth + c)];
            cell.nX = c * nCellW;
            cell.nY = r * nCellH;
            cell.chChar = block.At(c, r);
            cell.crColor = m_ctx.GetTextColor();
        }
    }
    LiftAtOrigin(vCells, block.nWidth, block.nHeight);
    return true;
}

bool CSelection::PasteClipboardText(std::string_view text)
{
    m_bHasClipboard = false;
    return PlaceTextBlock(text, true);
}

void CSelection::Forget()
{
    m_bFloating = false;
    m_liftEdit.Forget();
    m_ctx.SelectionLayer().fill(RGB_KEY);
    if (IViewHost* pHost = m_ctx.Host())
        pHost->OnEditStateChanged();
}

bool CSelection::CancelLift()
{
    if (!m_bFloating)
        return true;
    // Cancelling a step keeps its writes: the area is written back first,
    // with the cells as lifted (not as a flip left them).
    const std::vector<CharCell>& vArea = m_vLifted.empty() ? m_vBlock : m_vLifted;
    const auto writeArea = [this, &vArea](bool bBlank) {
        if (!m_bFromCanvas)
            return;
        CViewCellWriter writer(m_ctx, false);
        for (int r = 0; r < m_nHeight; ++r) {
            for (int c = 0; c < m_nWidth; ++c) {
                const CharCell& cell = vArea[static_cast<size_t>(r * m_nWidth + c)];
                writer.SetCell(m_nLiftCol + c, m_nLiftRow + r, bBlank ? ' ' : cell.chChar,
                               cell.crColor);
            }
        }
    };
    writeArea(false);
    if (!m_liftEdit.CancelEdit()) {
        // Refused, the step stays open: the area is blanked again, so the
        // block floats on as before.
        writeArea(true);
        m_ctx.ReportStoreFailure(gw::IDS_UNDO_REFUSED);
        return false;
    }
    m_bFloating = false;
    m_ctx.Tracker().Empty();
    m_ctx.SelectionLayer().fill(RGB_KEY);
    m_ctx.SetSelectionRect({});
    m_ctx.Refresh(CToolContext::REFRESH_ALL);
    if (IViewHost* pHost = m_ctx.Host()) {
        pHost->RefreshFrameThumbnail();
        pHost->OnEditStateChanged();
    }
    return true;
}
