// The canvas view: shows the current frame as a grid of character cells at
// one of five zoom levels, and routes mouse and key input to the current
// tool. It owns the off-screen layers and composes them; the cell geometry,
// the layers and the glyph drawing live in their own classes. It is the
// tools' context (tool_context.h) and knows no tool: the tools are
// installed from outside (canvas/tools/tool_registry.h).
#pragma once

#include "canvas/cell_geometry.h"
#include "canvas/cell_tracker.h"
#include "canvas/drawing_state.h"
#include "canvas/onion_skin.h"
#include "canvas/ruler_state.h"
#include "canvas/selection.h"
#include "canvas/shape_preview.h"
#include "canvas/tool_codes.h"
#include "canvas/tool_context.h"
#include "canvas/view_tool.h"
#include "core/art_doc.h"
#include "core/char_cell.h"
#include "core/edit_bracket.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QTimer>

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

class CArtView final : public QAbstractScrollArea, public IArtDocListener, public CToolContext {
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
    // frame is drawn once, where it is seen first (as RebuildLayers does).
    void OnDrawingLoaded();
    // Cell size from the zoom font, scroll range, scroll to the origin, rulers (mode 4).
    void LayoutCells();
    // Layers at canvas size (kept while the size stays), the grid, every
    // cell's nX/nY rewritten (recording no undo step). The cells are drawn
    // and composed where they are seen: the visible part at the next paint,
    // the rest when scrolled into view or when the event loop is idle, all
    // of them by a REFRESH_ALL that follows (a frame switch draws them once).
    void RebuildLayers();
    void Refresh(ERefresh nMode) override;
    // Every cell a space in the text colour; not undoable and not a modification.
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
    // Onion skin (onion_skin.cpp): the neighbouring frames behind the current
    // one. PauseOnion returns whether it was paused before (playback, printing).
    void SetOnionShown(bool bShown);
    bool IsOnionShown() const;
    void SetOnionSettings(const SOnionSettings& settings);
    const SOnionSettings& OnionSettings() const;
    bool PauseOnion(bool bPaused);
    // The frames around the current one changed places.
    void OnFramesReordered();
    // After every tool command: the previous tool ends what it left pending,
    // the new one starts, and the canvas is refreshed (mode 2).
    void OnToolChanged();

    // Prints the composed canvas scaled by a whole factor to fit the page.
    void Print(QPrinter* pPrinter);
    void OnPrint(QPainter& painter, const QRect& rcPage);

    // The main window sets the cells whenever the current frame changes.
    void SetCells(CharCell* pCells);
    CharCell* GetCells() const override { return m_pCells; }

    // Colours, 0x00BBGGRR. Pure black is the layers' key colour and never a
    // drawing colour: setters store near black 0x010101 instead, and save
    // both colours in the settings. The text colour is the drawing state's.
    void SetTextColor(COLORREF cr);
    COLORREF GetBackColor() const { return m_crBack; }
    void SetBackColor(COLORREF cr);
    // The brush, the buttons' characters, Auto draw (the main window's and
    // the character picker's choices).
    CDrawingState& Drawing() override { return m_drawing; }
    const CDrawingState& Drawing() const override { return m_drawing; }
    void SetLeftChar(unsigned char ch) { m_drawing.SetLeftChar(ch); }
    void SetRightChar(unsigned char ch) { m_drawing.SetRightChar(ch); }
    // Mirror drawing (canvas/view_mirror.cpp): the mode and axes, drawn as
    // guides over the canvas; the type tool's caret cell places the axes.
    void SetMirror(const CMirrorSettings& mirror);
    QPoint TypeCaretCell() const;

    int GetScrollX() const { return m_nScrollX; }
    int GetScrollY() const { return m_nScrollY; }
    // Scrolls to a pixel position, rounded down to a cell border and kept in range.
    void ScrollTo(int nX, int nY);
    const CCellGeometry& Geometry() const override { return m_geom; }

    // Undo and redo of the current frame: redraw everything, renew the thumbnail.
    void OnHistoryApplied() override;

    // Tools. The view routes events to the tool installed for the host's
    // current tool code; codes without a tool do nothing (the plain cursor).
    // A new view has no tool: RegisterStandardTools installs them.
    void SetTool(int nCode, std::unique_ptr<CViewTool> pTool);
    CViewTool* GetTool(int nCode) const;
    // Cursor of each tool code; the default gives Qt's standard cursors.
    void SetCursorProvider(std::function<QCursor(int)> fnCursor);
    static QCursor StandardToolCursor(int nTool);

    // The tools' context: what tool_context.h says of each.
    CArtDoc& Document() override { return m_doc; }
    IViewHost* Host() const override { return m_pHost; }
    int CurTool() const override;
    QImage& OverlayMarked(const QRect& rcDirty) override;
    void MarkOverlayLine(QPoint pt0, QPoint pt1) override;
    void DrawOverlayGlyph(int nCol, int nRow, uint8_t ch, COLORREF cr) override;
    bool IsOverlayInk(QPoint ptCanvas) const override;
    void ClearOverlay() override;
    void SetOverlayShown(bool bShown) override { m_bOverlayShown = bShown; }
    QImage& SelectionLayer() override;
    void DrawGlyph(QImage& img, int nX, int nY, uint8_t ch, COLORREF cr) override;
    CCellTracker& Tracker() override { return m_tracker; }
    CSelection& Selection() override { return m_selection; }
    CShapePreview& Shapes() override { return m_shapes; }
    void SetSelectionRect(const QRect& rcBlock) override { m_rcSelection = rcBlock; }
    const QRect& GetSelectionRect() const override { return m_rcSelection; }
    void SwitchTool(int nTool) override;
    int StartTimer(int nMs) override { return startTimer(nMs); }
    void KillTimer(int nTimerId) override { killTimer(nTimerId); }
    void RepaintCanvas(const QRect& rcCanvas) override;
    QRect VisibleCanvasRect() const override;
    QPoint MapToGlobal(QPoint ptClient) const override;
    void UpdateCursor() override;
    IToolCaret* CurrentCaret() const override;
    bool BeginEdit() override;
    void EndEdit() override;
    void SetCell(int nCol, int nRow, uint8_t ch, ECellColour colour, COLORREF cr) override;
    void WriteCell(int nCol, int nRow, uint8_t ch, COLORREF cr) override;
    void ReportStoreFailure(const char* pszText) override;

    // The layers and single-cell drawing.
    QImage& TextLayer();
    // The overlay for any drawing: all of it counts as drawn on, so the next
    // clear wipes it whole. Tools that know where they draw use OverlayMarked.
    QImage& OverlayLayer();
    const QImage& Overlay() const;
    const QImage& GridLayer() const;
    const QImage& CompositionLayer() const;
    // Draws one cell (at its nX/nY, in its colour on m_crBack) into the text layer.
    void DrawCell(int nIndex);
    bool IsOverlayShown() const { return m_bOverlayShown; }

    // Writes a pending shape as one undo step (a new shape, a tool change, a
    // frame change).
    void CommitPreview() { m_shapes.CommitPreview(); }

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

    bool IsEditing() const { return m_edit.IsEditing(); }
    // True while a step is open on the current frame: the only time its
    // cells may be written.
    bool CanWriteCells() const;
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
    CViewTool* CurrentTool() const { return GetTool(CurTool()); }
    // The rulers' news: the scroll position, the canvas size and the mouse
    // (client pixels; none for scrolls and layouts).
    CRulerState RulerState(QPoint ptMouse = {}) const;
    QCursor ResourceCursor(int nId);
    void ResetForZoom();
    // What every new drawing starts with: size, layout, no tool state.
    void ResetForDrawing();
    void DrawAllCells();
    void ComposeCommon(const QRect& rcPart, bool bOverlay);
    // The cells of the part of rcCanvas not drawn since the last rebuild,
    // drawn into the text layer and composed as the rebuild would have.
    void DrawUndrawn(const QRect& rcCanvas);
    // One idle step of that: the visible part, then a band of rows.
    void DrawUndrawnStep();
    // Every cell left to DrawUndrawn: at the next paint, when read, or idle.
    void DrawAllLater();
    // The text layer as composed: with the onion skin in it while that is drawn.
    const QImage& TextBase(const QRect& rcPart);
    void OnionFrameChanged();
    void DrawMirrorAxes(QPainter& painter) const;
    // Ends the current tool's gesture and commits the view's open step; true
    // when a step was still open after the tool had ended its gesture.
    bool EndGesture();
    void ReportEditEnd(EEditEnd end);

    CArtDoc& m_doc;
    IViewHost* m_pHost;
    CharCell* m_pCells = nullptr;
    CDrawingState m_drawing;
    COLORREF m_crBack = 0xFFFFFF; // background of every cell
    CEditBracket m_edit{m_doc};
    CCellGeometry m_geom;
    std::unique_ptr<CViewLayers> m_pLayers;
    QRegion m_rgnUndrawn; // canvas pixels whose cells the text layer and the composition lack
    QTimer m_timerUndrawn; // an idle step of drawing them
    std::unique_ptr<CGlyphCache> m_pGlyphs;
    std::unique_ptr<CThumbnailRenderer> m_pThumbs;
    std::unique_ptr<COnionSkin> m_pOnion;
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
