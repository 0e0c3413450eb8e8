// A tool context without a window or a view: the cells live in a vector,
// steps are counted, and a write outside a step is counted and skipped, as
// the view skips it. Cells are 8 x 12 pixels.
#pragma once

#include "canvas/canvas_color.h"
#include "canvas/selection.h"
#include "canvas/shape_preview.h"
#include "canvas/tool_context.h"
#include "canvas/view_host.h"
#include "canvas/view_tool.h"
#include "core/art_doc.h"

#include <QImage>

#include <vector>

struct CFakeHost : IViewHost {
    void RefreshFrameThumbnail() override { ++m_nThumbnails; }
    void CharPicked(bool bRight, unsigned char ch) override { m_vPicks.push_back({bRight, ch}); }
    int m_nThumbnails = 0;
    std::vector<std::pair<bool, unsigned char>> m_vPicks;
};

class CFakeToolContext : public CToolContext {
public:
    CFakeToolContext(int nRows, int nCols)
        : m_vCells(static_cast<size_t>(nRows * nCols), CharCell{CR_NEAR_BLACK, 0, 0, ' ', {}})
    {
        m_geom.SetCellSize(8, 12);
        m_geom.SetGridSize(nRows, nCols);
        m_imgOverlay = QImage(m_geom.CanvasSize(), QImage::Format_RGB32);
    }
    CFakeToolContext(const CFakeToolContext&) = delete;
    CFakeToolContext& operator=(const CFakeToolContext&) = delete;

    CharCell& Cell(int nCol, int nRow)
    {
        return m_vCells[static_cast<size_t>(nRow * GetCols() + nCol)];
    }
    // A mouse event in the middle of a cell.
    CToolMouseEvent At(int nCol, int nRow, Qt::MouseButton button = Qt::LeftButton) const
    {
        CToolMouseEvent ev;
        ev.nCol = nCol;
        ev.nRow = nRow;
        ev.ptCanvas = ev.ptClient = {nCol * 8 + 4, nRow * 12 + 6};
        ev.bOnCanvas = m_geom.IsOnCanvas(ev.ptCanvas);
        ev.button = button;
        ev.buttons = button;
        return ev;
    }

    const CharCell* GetCells() const override { return m_vCells.data(); }
    const CCellGeometry& Geometry() const override { return m_geom; }
    bool BeginEdit() override
    {
        m_bOpen = true;
        return true;
    }
    void EndEdit() override
    {
        m_nSteps += m_bOpen ? 1 : 0;
        m_bOpen = false;
    }
    void SetCell(int nCol, int nRow, uint8_t ch, ECellColour colour, COLORREF cr) override
    {
        if (nCol < 0 || nRow < 0 || nCol >= GetCols() || nRow >= GetRows())
            return;
        if (!m_bOpen) {
            ++m_nStrayWrites;
            return;
        }
        Cell(nCol, nRow).chChar = ch;
        Cell(nCol, nRow).crColor = colour == COLOUR_GIVEN ? cr : GetTextColor();
    }
    void WriteCell(int nCol, int nRow, uint8_t ch, COLORREF cr) override
    {
        SetCell(nCol, nRow, ch, COLOUR_GIVEN, cr);
    }
    CArtDoc& Document() override { return m_doc; }
    void ReportStoreFailure(const char*) override {}
    CDrawingState& Drawing() override { return m_drawing; }
    const CDrawingState& Drawing() const override { return m_drawing; }
    IViewHost* Host() const override { return &m_host; }
    int CurTool() const override { return m_nTool; }
    void SwitchTool(int nTool) override { m_nTool = nTool; }
    void Refresh(ERefresh) override {}
    void ClearOverlay() override { m_imgOverlay.fill(RGB_KEY); }
    void SetOverlayShown(bool) override {}
    QImage& OverlayMarked(const QRect&) override { return m_imgOverlay; }
    void MarkOverlayLine(QPoint, QPoint) override {}
    void DrawOverlayGlyph(int, int, uint8_t, COLORREF) override {}
    bool IsOverlayInk(QPoint) const override { return false; }
    QImage& SelectionLayer() override { return m_imgSelection; }
    void DrawGlyph(QImage&, int, int, uint8_t, COLORREF) override {}
    CCellTracker& Tracker() override { return m_tracker; }
    CSelection& Selection() override { return m_selection; }
    CShapePreview& Shapes() override { return m_shapes; }
    void SetSelectionRect(const QRect& rc) override { m_rcSelection = rc; }
    const QRect& GetSelectionRect() const override { return m_rcSelection; }
    int StartTimer(int) override { return 1; }
    void KillTimer(int) override {}
    void RepaintCanvas(const QRect&) override {}
    QPoint MapToGlobal(QPoint pt) const override { return pt; }
    void UpdateCursor() override {}
    IToolCaret* CurrentCaret() const override { return nullptr; }

    int m_nSteps = 0;       // steps closed
    int m_nStrayWrites = 0; // writes outside a step
    mutable CFakeHost m_host;

private:
    std::vector<CharCell> m_vCells;
    CCellGeometry m_geom;
    CDrawingState m_drawing;
    CArtDoc m_doc;
    CCellTracker m_tracker;
    CShapePreview m_shapes{*this};
    CSelection m_selection{*this};
    QImage m_imgOverlay;
    QImage m_imgSelection;
    QRect m_rcSelection;
    int m_nTool = 0;
    bool m_bOpen = false;
};
