// The plug point for tools: the view turns each mouse and key event into a
// call on the tool registered for the current tool code, handing it the
// tool context (tool_context.h), all a tool may do. A tool draws its preview
// into the overlay and writes cells through the one cell writer; the view
// itself never branches on the tool code to edit cells.
#pragma once

#include "core/char_cell.h"

#include <QPoint>
#include <QRect>
#include <Qt>

class CToolContext;
class QImage;
class QKeyEvent;
class QPainter;

// One mouse event as the tool sees it.
struct CToolMouseEvent {
    int nCol = 0;            // cell of the point (may lie outside the canvas)
    int nRow = 0;
    QPoint ptCanvas;         // canvas pixel: client pixel plus the scroll position
    QPoint ptClient;         // client pixel
    bool bOnCanvas = false;  // ptCanvas lies inside 0 .. canvas size - 1
    Qt::MouseButton button = Qt::NoButton;    // the button that changed (press, release)
    Qt::MouseButtons buttons = Qt::NoButton;  // buttons held
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

// What a tool with a caret offers beyond its events: the colour picker's
// "Caret on" target. The context hands the current tool's (CurrentCaret).
class IToolCaret {
public:
    // The caret's cell takes the colour, recording no undo step.
    virtual void ColourCaretCell(CToolContext& ctx, COLORREF cr) = 0;
    // The caret's cell, 0-based column (x) and row (y).
    virtual QPoint CaretCell() const = 0;

protected:
    ~IToolCaret() = default;
};

class CViewTool {
public:
    virtual ~CViewTool() = default;

    // The tool's caret, null for tools without one.
    virtual IToolCaret* Caret() { return nullptr; }

    // The tool became current, or stopped being current (OnToolChanged).
    virtual void Activate(CToolContext& /*ctx*/) {}
    virtual void Deactivate(CToolContext& /*ctx*/) {}

    // LayoutCells ran: the cell size or the canvas size may have changed
    // (the caret goes back to the top-left cell).
    virtual void OnLayoutChanged(CToolContext& /*ctx*/) {}

    virtual void OnMousePress(CToolContext& /*ctx*/, const CToolMouseEvent& /*ev*/) {}
    virtual void OnMouseMove(CToolContext& /*ctx*/, const CToolMouseEvent& /*ev*/) {}
    virtual void OnMouseRelease(CToolContext& /*ctx*/, const CToolMouseEvent& /*ev*/) {}
    // The mouse grab ended without a release (another window took it).
    virtual void OnCaptureLost(CToolContext& /*ctx*/) {}
    // True when the tool used the key; otherwise the view passes it on.
    virtual bool OnKeyPress(CToolContext& /*ctx*/, QKeyEvent& /*ev*/) { return false; }
    virtual bool OnKeyRelease(CToolContext& /*ctx*/, QKeyEvent& /*ev*/) { return false; }
    // REFRESH_ALL and REFRESH_LAYERS: draw on the composed canvas (the cell
    // rectangle tracker); canvas pixel coordinates.
    virtual void OnCompose(CToolContext& /*ctx*/, QImage& /*imgComposition*/) {}
    // REFRESH_ALL: true when the tool has a picture to lay between the text
    // and the grid (a floating block), which OnComposeUnderGrid then draws
    // on the composition while it holds the text alone.
    virtual bool DrawsUnderGrid(const CToolContext& /*ctx*/) const { return false; }
    // rcPart is the part being composed (the whole canvas, or the visible
    // part while a block is dragged).
    virtual void OnComposeUnderGrid(CToolContext& /*ctx*/, QImage& /*imgComposition*/,
                                    const QRect& /*rcPart*/)
    {
    }
    // REFRESH_VISIBLE: draw over rcPart, the visible part just composed (the
    // eraser's outline); canvas pixel coordinates.
    virtual void OnComposeVisible(CToolContext& /*ctx*/, QImage& /*imgComposition*/,
                                  const QRect& /*rcPart*/)
    {
    }
    // After the composition is painted into the window (the caret); the
    // painter's origin is the canvas origin.
    virtual void OnPaint(CToolContext& /*ctx*/, QPainter& /*painter*/) {}
    // The cursor resource (gw::IDC_*) the tool wants over a canvas pixel, or
    // 0 for the tool's own cursor.
    virtual int CursorIdAt(const CToolContext& /*ctx*/, QPoint /*ptCanvas*/) const { return 0; }
    // The view's timer fired for this tool (the caret blink).
    virtual void OnTimer(CToolContext& /*ctx*/, int /*nTimerId*/) {}
};
