// The canvas view: shows the current frame as a grid of character cells at
// one of five zoom levels, and routes mouse and key input to the current
// tool. It owns the off-screen layers and composes them; the cell geometry,
// the layers and the glyph drawing live in their own classes.
#pragma once

#include "canvas/cell_geometry.h"
#include "canvas/cell_tracker.h"
#include "canvas/selection.h"
#include "canvas/shape_preview.h"
#include "canvas/tool_codes.h"
#include "canvas/view_tool.h"
#include "core/art_doc.h"
#include "core/char_cell.h"
#include "core/edit_bracket.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QImage>
#include <QRect>

#include <array>
#include <functional>
#include <map>
#include <memory>

class IViewHost;
class CGlyphCache;
class CThumbnailRenderer;
class CViewLayers;
class QPainter;
class QPrinter;

class CArtView : public QAbstractScrollArea, public IArtDocListener {
    Q_OBJECT
public:
    // Reads the two colours from the settings ("GWColor": "FTCLR", "BKCLR").
    CArtView(CArtDoc& doc, IViewHost* pHost, QWidget* pParent = nullptr);
    // Writes the two colours back to the settings.
    ~CArtView() override;
    CArtView(const CArtView&) = delete;
    CArtView& operator=(const CArtView&) = delete;

    // Takes the size and cells from the document, lays out the cells, clears
    // the frame (not undoable), rebuilds the layers, registers the first frame
    // and hands it to the host (AddFirstFrame), then RefreshFrameThumbnail.
    void OnInitialUpdate();
    // After the document adopted a drawing read from a file: the same
    // layout for the new size, but the cells are the file's (not cleared,
    // their stored positions kept) and no frame is registered; the current
    // frame is drawn once.
    void OnDrawingLoaded();
    // Cell size from the zoom font, scroll range, scroll to the origin, rulers (mode 4).
    void LayoutCells();
    // New layers at canvas size, the grid, every cell's nX/nY rewritten
    // (recording no undo step) and drawn, then composed.
    void RebuildLayers();
    // REFRESH_ALL: redraw every cell and compose everything; REFRESH_VISIBLE:
    // compose only the visible part; REFRESH_LAYERS: compose everything
    // without redrawing cells.
    enum ERefresh { REFRESH_ALL = 0, REFRESH_VISIBLE = 1, REFRESH_LAYERS = 2 };
    void Refresh(ERefresh nMode);
    // Every cell a space in m_crText; not undoable and not a modification.
    void ClearCanvas();
    // The current frame in a 64 x 64 grey (0xAAAAAA) picture, aspect kept.
    QImage MakeThumbnail() const;
    // The same picture of any frame of the document, from its cells.
    QImage MakeFrameThumbnail(const CharCell* pCells) const;

    void ZoomIn();
    void ZoomOut();
    int GetZoom() const { return m_geom.GetZoom(); }
    // Command "Show grid": flips the flag and refreshes in mode 2.
    void ToggleGrid();
    bool IsGridShown() const { return m_bShowGrid; }
    // After every tool command: the previous tool ends what it left pending,
    // the new one starts, and the canvas is refreshed (mode 2).
    void OnToolChanged();

    // Prints the composed canvas scaled by a whole factor to fit the page.
    void Print(QPrinter* pPrinter);
    void OnPrint(QPainter& painter, const QRect& rcPage);

    // The main window sets the cells whenever the current frame changes.
    void SetCells(CharCell* pCells);
    CharCell* GetCells() const { return m_pCells; }

    // Colours, 0x00BBGGRR. Pure black is the layers' key colour and never a
    // drawing colour: setters store near black 0x010101 instead.
    COLORREF GetTextColor() const { return m_crText; }
    void SetTextColor(COLORREF cr);
    COLORREF GetBackColor() const { return m_crBack; }
    void SetBackColor(COLORREF cr);

    int GetCellWidth() const { return m_geom.CellWidth(); }
    int GetCellHeight() const { return m_geom.CellHeight(); }
    int GetCanvasWidth() const { return m_geom.CanvasWidth(); }
    int GetCanvasHeight() const { return m_geom.CanvasHeight(); }
    int GetRows() const { return m_geom.Rows(); }
    int GetCols() const { return m_geom.Cols(); }
    int GetScrollX() const { return m_nScrollX; }
    int GetScrollY() const { return m_nScrollY; }
    // Scrolls to a pixel position, rounded down to a cell border and kept in range.
    void ScrollTo(int nX, int nY);
    const CCellGeometry& Geometry() const { return m_geom; }

    // Undo and redo of the current frame: redraw everything, renew the thumbnail.
    void OnHistoryApplied() override;

    // Tools. The view routes events to the tool registered for the host's
    // current tool code; codes without a tool do nothing (the plain cursor).
    void SetTool(int nCode, std::unique_ptr<CViewTool> pTool);
    CViewTool* GetTool(int nCode) const;
    // Cursor of each tool code; the default gives Qt's standard cursors.
    void SetCursorProvider(std::function<QCursor(int)> fnCursor);
    static QCursor StandardToolCursor(int nTool);

    // For tools: the document, the host, the layers and single-cell drawing.
    CArtDoc& Document() { return m_doc; }
    IViewHost* Host() const { return m_pHost; }
    int CurTool() const;
    QImage& TextLayer();
    // The overlay for any drawing: all of it counts as drawn on, so the next
    // clear wipes it whole. Tools that know where they draw use OverlayMarked.
    QImage& OverlayLayer();
    const QImage& Overlay() const;
    // The overlay for drawing inside rcDirty (canvas pixels), which the next
    // ClearOverlay clears; MarkOverlayLine marks the pixels near a line.
    QImage& OverlayMarked(const QRect& rcDirty);
    void MarkOverlayLine(QPoint pt0, QPoint pt1);
    // A character drawn into the overlay at a cell, in cr on m_crBack.
    void DrawOverlayGlyph(int nCol, int nRow, uint8_t ch, COLORREF cr);
    // True where the overlay holds something other than the key colour: a
    // pending shape, its guide or its handles.
    bool IsOverlayInk(QPoint ptCanvas) const;
    const QImage& GridLayer() const;
    const QImage& CompositionLayer() const;
    // Draws one cell (at its nX/nY, in its colour on m_crBack) into the text layer.
    void DrawCell(int nIndex);
    // Clears the overlay to the key colour; while shown it is composed in modes 1 and 2.
    void ClearOverlay();
    void SetOverlayShown(bool bShown) { m_bOverlayShown = bShown; }
    bool IsOverlayShown() const { return m_bOverlayShown; }
    // The floating block of a selection: the select tools compose it in
    // REFRESH_ALL, stretched to rcBlock (canvas pixels) when sizes differ.
    QImage& SelectionLayer();

    // The pending shape of the shape tools and the auto-draw line's state.
    CShapePreview& Shapes() { return m_shapes; }
    // Writes a pending shape as one undo step (a new shape, a tool change, a
    // frame change).
    void CommitPreview() { m_shapes.CommitPreview(); }
    // An auto-draw line written into the cells (freehand with Auto draw): one
    // character per cell chosen from the stroke's direction, in m_crText;
    // then the visible part is refreshed.
    void DrawAutoLine(int nX0, int nY0, int nX1, int nY1);

    // The floating block of the select tools and the internal clipboard.
    CSelection& Selection() { return m_selection; }
    // Paste Clipboard: the system clipboard's text, as Windows-1252 bytes
    // (characters it cannot hold become '?', a bare LF ends a line as CR LF),
    // becomes a floating block; the internal clipboard then counts as empty.
    void PasteClipboard();
    // The colour picker's targets: the floating block (every cell, then it is
    // dropped) and, with the type tool, the caret's cell (no undo step).
    void ColourSelection(COLORREF cr) { m_selection.ColourSelection(cr); }
    void ColourCaretCell(COLORREF cr);
    // The imports' entry: a CR LF separated text becomes a floating block at
    // the top-left corner; false when it holds no character.
    bool PlaceTextBlock(std::string_view text) { return m_selection.PlaceTextBlock(text); }
    // The host's tool becomes nTool without the ending a tool command brings
    // (Paste and text blocks choose the select tool this way).
    void SwitchTool(int nTool);
    // A glyph drawn into any layer-like image, in cr on m_crBack.
    void DrawGlyph(QImage& img, int nX, int nY, uint8_t ch, COLORREF cr);

    // The cell rectangle tracker of the rectangle, ellipse and select tools.
    // While it tracks, the view feeds it the mouse and Escape instead of the tool.
    CCellTracker& Tracker() { return m_tracker; }
    CTrackGeometry TrackGeometry() const;
    void SetSelectionRect(const QRect& rcBlock) { m_rcSelection = rcBlock; }
    const QRect& GetSelectionRect() const { return m_rcSelection; }

    // The one write path for cells. BeginEdit opens an undo step on the
    // current frame unless one is open; EndEdit commits the step it opened,
    // on the frame it was opened on. SetCell writes one cell of the current
    // frame (colour m_crText unless bUseColour) and draws nothing; WriteCell
    // also draws it into the text layer. Cells off the canvas are skipped.
    // BeginEdit is false, and the user told, when the system refused a step:
    // the writes that follow are skipped. EndEdit tells the user when the
    // step could not be recorded for undo.
    bool BeginEdit();
    void EndEdit();
    bool IsEditing() const { return m_edit.IsEditing(); }
    // True while a step is open on the current frame: the only time its
    // cells may be written.
    bool CanWriteCells() const;
    // A message box about memory the system refused (res/app_strings.h).
    void ReportStoreFailure(const char* pszText);
    void SetCell(int nCol, int nRow, uint8_t ch, bool bUseColour, COLORREF cr);
    void WriteCell(int nCol, int nRow, uint8_t ch, COLORREF cr);
    // Ends a gesture in progress and commits what the view has open, then
    // renews the thumbnail; drops a floating block and writes a pending
    // shape. The caret stays. What the user sees is then what the cells hold.
    void EndPendingEdit();
    // Work shown that the cells do not hold yet: a stroke in progress, a
    // floating block, a pending shape.
    bool HasPendingEdits() const;
    // Writes the floating block and the pending shape into pCells, a copy of
    // the current frame's cells, as dropping and committing them would; the
    // view keeps both as they are.
    void WritePendingEditsInto(CharCell* pCells) const;

    // The characters of the two mouse buttons (the character picker's choice).
    void SetLeftChar(unsigned char ch) { m_chLeft = ch; }
    void SetRightChar(unsigned char ch) { m_chRight = ch; }

    COLORREF m_crText = 0x010101; // colour of new cells
    COLORREF m_crBack = 0xFFFFFF; // background of every cell
    int m_nBrushWidth = 1;        // brush side in cells, 1 .. 10
    unsigned char m_chLeft = ' ';
    unsigned char m_chRight = ' ';
    bool m_bRightButton = false;  // the gesture in progress uses m_chRight
    bool m_bAutoDraw = false;     // "Auto draw": strokes choose their own characters

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void scrollContentsBy(int nDx, int nDy) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void keyReleaseEvent(QKeyEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

private:
    void WriteColorSettings() const;
    void UpdateScrollBars();
    void ReadScrollPosition();
    void ComposeWhole(bool bRedrawCells);
    void ComposeVisible();
    CToolMouseEvent MakeToolEvent(const QMouseEvent& ev) const;
    void ReportCell(QPoint ptClampedClient);
    void UpdateCursor();
    QCursor ResourceCursor(int nId);
    void ResetForZoom();
    // What every new drawing starts with: size, layout, no tool state.
    void ResetForDrawing();
    void DrawAllCells();
    void ComposeCommon(const QRect& rcPart, bool bOverlay);
    // Ends the current tool's gesture and commits the view's open step; true
    // when a step was still open after the tool had ended its gesture.
    bool EndGesture();
    void ReportEditEnd(EEditEnd end);

    CArtDoc& m_doc;
    IViewHost* m_pHost;
    CharCell* m_pCells = nullptr;
    CEditBracket m_edit{m_doc};
    CCellGeometry m_geom;
    std::unique_ptr<CViewLayers> m_pLayers;
    std::unique_ptr<CGlyphCache> m_pGlyphs;
    std::unique_ptr<CThumbnailRenderer> m_pThumbs;
    std::array<std::unique_ptr<CViewTool>, TOOL_COUNT> m_tools;
    std::function<QCursor(int)> m_fnCursor;
    int m_nScrollX = 0;
    int m_nScrollY = 0;
    bool m_bShowGrid = true;
    bool m_bOverlayShown = false;
    bool m_bLayoutDone = false;
    bool m_bSnapping = false;
    bool m_bButtonDown = false;
    bool m_bStoreFailureShown = false;
    int m_nActiveTool = 0;     // the tool that last got Activate
    QPoint m_ptLastCell{-1, -1}; // cell of the previous mouse move
    QRect m_rcSelection;
    CShapePreview m_shapes{*this};
    CSelection m_selection{*this};
    CCellTracker m_tracker;
    QPoint m_ptMouse{-1, -1};          // client pixel of the last mouse event
    int m_nCursorKey = 0;              // what the cursor was last set to
    std::map<int, QCursor> m_mapCursors; // the project's cursors by resource id
};
