// All a tool may do with the canvas: the one thing every CViewTool call
// receives. The view implements it; the canvas tests implement it with a
// fake that has no window.
//
// A tool
// - reads the current frame's cells and the canvas size (GetCells, Geometry);
// - writes cells only through CViewCellWriter, inside an undo step: a
//   CToolEdit (canvas/tools/view_cell_writer.h) opens one, writes and closes
//   it; a gesture that writes over several events (a stroke) calls
//   BeginEdit on its press and EndEdit on its release, and the view closes
//   the step itself when the gesture ends any other way (a lost grab, a tool
//   or frame change);
// - reads and sets the drawing state (Drawing: colour, brush, characters,
//   Auto draw, the gesture's button) and asks for the select mode (Host);
// - draws previews into the overlay and asks for refreshes;
// - drives the cell rectangle tracker, the floating block (Selection) and
//   the pending shape (Shapes);
// - starts and stops its timer (the caret's blink), repaints a part of the
//   window and asks for its cursor to be renewed.
#pragma once

#include "canvas/cell_geometry.h"
#include "canvas/cell_tracker.h"
#include "canvas/drawing_state.h"
#include "core/char_cell.h"

#include <QPoint>
#include <QRect>

#include <cstdint>

class CArtDoc;
class CSelection;
class CShapePreview;
class IToolCaret;
class IViewHost;
class QImage;

class CToolContext {
public:
    // REFRESH_ALL: redraw every cell and compose everything; REFRESH_VISIBLE:
    // compose only the visible part; REFRESH_LAYERS: compose everything
    // without redrawing cells.
    enum ERefresh { REFRESH_ALL = 0, REFRESH_VISIBLE = 1, REFRESH_LAYERS = 2 };
    // The colour SetCell writes: the drawing state's text colour, or the one given.
    enum ECellColour { COLOUR_TEXT = 0, COLOUR_GIVEN = 1 };

    // ---- the cells and their size ----
    // The current frame's cells, row by row; null before the first drawing.
    virtual const CharCell* GetCells() const = 0;
    virtual const CCellGeometry& Geometry() const = 0;
    int GetCols() const { return Geometry().Cols(); }
    int GetRows() const { return Geometry().Rows(); }
    int GetCellWidth() const { return Geometry().CellWidth(); }
    int GetCellHeight() const { return Geometry().CellHeight(); }
    int GetCanvasWidth() const { return Geometry().CanvasWidth(); }
    int GetCanvasHeight() const { return Geometry().CanvasHeight(); }
    CTrackGeometry TrackGeometry() const
    {
        return {GetCellWidth(), GetCellHeight(), GetCanvasWidth(), GetCanvasHeight()};
    }

    // ---- writing (through CViewCellWriter only) ----
    // BeginEdit opens an undo step on the current frame unless one is open;
    // false, and the user told, when the system refused one: the writes that
    // follow are skipped. EndEdit commits the step it opened, on the frame it
    // was opened on, and tells the user when it could not be recorded.
    virtual bool BeginEdit() = 0;
    virtual void EndEdit() = 0;
    // One cell of the current frame; SetCell draws nothing, WriteCell also
    // draws it into the text layer. Cells off the canvas, and writes outside
    // a step, are skipped.
    virtual void SetCell(int nCol, int nRow, uint8_t ch, ECellColour colour, COLORREF cr) = 0;
    virtual void WriteCell(int nCol, int nRow, uint8_t ch, COLORREF cr) = 0;
    // For brackets of their own (the floating block's lift, a write kept out
    // of the undo history).
    virtual CArtDoc& Document() = 0;
    // A message box about memory the system refused (res/app_strings.h).
    virtual void ReportStoreFailure(const char* pszText) = 0;

    // ---- the drawing state and the window around ----
    virtual CDrawingState& Drawing() = 0;
    virtual const CDrawingState& Drawing() const = 0;
    COLORREF GetTextColor() const { return Drawing().TextColor(); }
    // The main window: thumbnails, the select mode, the pickers, the menu.
    virtual IViewHost* Host() const = 0;
    // The host's current tool code; SwitchTool makes nTool current without
    // the ending a tool command brings.
    virtual int CurTool() const = 0;
    virtual void SwitchTool(int nTool) = 0;

    // ---- the overlay and the refresh ----
    virtual void Refresh(ERefresh nMode) = 0;
    // Clears the overlay to the key colour; while shown it is composed in
    // modes 1 and 2.
    virtual void ClearOverlay() = 0;
    virtual void SetOverlayShown(bool bShown) = 0;
    // The overlay for drawing inside rcDirty (canvas pixels), which the next
    // ClearOverlay clears; MarkOverlayLine marks the pixels near a line.
    virtual QImage& OverlayMarked(const QRect& rcDirty) = 0;
    virtual void MarkOverlayLine(QPoint pt0, QPoint pt1) = 0;
    // A character drawn into the overlay at a cell, in cr on the background.
    virtual void DrawOverlayGlyph(int nCol, int nRow, uint8_t ch, COLORREF cr) = 0;
    // True where the overlay holds something other than the key colour.
    virtual bool IsOverlayInk(QPoint ptCanvas) const = 0;
    // The floating block's picture, and a glyph drawn into such a picture.
    virtual QImage& SelectionLayer() = 0;
    virtual void DrawGlyph(QImage& img, int nX, int nY, uint8_t ch, COLORREF cr) = 0;

    // ---- the tracker, the floating block, the pending shape ----
    // While the tracker tracks, the view feeds it the mouse and Escape
    // instead of the tool.
    virtual CCellTracker& Tracker() = 0;
    virtual CSelection& Selection() = 0;
    virtual CShapePreview& Shapes() = 0;
    // The floating block's rectangle, canvas pixels.
    virtual void SetSelectionRect(const QRect& rcBlock) = 0;
    virtual const QRect& GetSelectionRect() const = 0;

    // ---- the window: timer, repaint, cursor ----
    // Timer events come back as CViewTool::OnTimer; 0 when none started.
    virtual int StartTimer(int nMs) = 0;
    virtual void KillTimer(int nTimerId) = 0;
    // Repaints the part of the window over rcCanvas (canvas pixels).
    virtual void RepaintCanvas(const QRect& rcCanvas) = 0;
    // The part of the canvas the window shows, in canvas pixels; null when
    // there is no window to show it.
    virtual QRect VisibleCanvasRect() const { return {}; }
    // A client pixel on the screen (menus open there).
    virtual QPoint MapToGlobal(QPoint ptClient) const = 0;
    // The tool's CursorIdAt may give another answer now.
    virtual void UpdateCursor() = 0;
    // The current tool's caret (the type tool), null when it has none.
    virtual IToolCaret* CurrentCaret() const = 0;

protected:
    ~CToolContext() = default;
};
