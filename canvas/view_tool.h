// The plug point for tools: the view turns each mouse and key event into a
// call on the tool registered for the current tool code. A tool draws its
// preview into the view's overlay layer and writes cells through the edit
// bracket; the view itself never branches on the tool code to edit cells.
#pragma once

#include <QPoint>
#include <QRect>
#include <Qt>

class CArtView;
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

class CViewTool {
public:
    virtual ~CViewTool() = default;

    // The tool became current, or stopped being current (OnToolChanged).
    virtual void Activate(CArtView& /*view*/) {}
    virtual void Deactivate(CArtView& /*view*/) {}

    // LayoutCells ran: the cell size or the canvas size may have changed
    // (the caret goes back to the top-left cell).
    virtual void OnLayoutChanged(CArtView& /*view*/) {}

    virtual void OnMousePress(CArtView& /*view*/, const CToolMouseEvent& /*ev*/) {}
    virtual void OnMouseMove(CArtView& /*view*/, const CToolMouseEvent& /*ev*/) {}
    virtual void OnMouseRelease(CArtView& /*view*/, const CToolMouseEvent& /*ev*/) {}
    // The mouse grab ended without a release (another window took it).
    virtual void OnCaptureLost(CArtView& /*view*/) {}
    // True when the tool used the key; otherwise the view passes it on.
    virtual bool OnKeyPress(CArtView& /*view*/, QKeyEvent& /*ev*/) { return false; }
    virtual bool OnKeyRelease(CArtView& /*view*/, QKeyEvent& /*ev*/) { return false; }
    // REFRESH_ALL and REFRESH_LAYERS: draw on the composed canvas (the cell
    // rectangle tracker); canvas pixel coordinates.
    virtual void OnCompose(CArtView& /*view*/, QImage& /*imgComposition*/) {}
    // REFRESH_ALL: true when the tool has a picture to lay between the text
    // and the grid (a floating block), which OnComposeUnderGrid then draws
    // on the composition while it holds the text alone.
    virtual bool DrawsUnderGrid(const CArtView& /*view*/) const { return false; }
    // rcPart is the part being composed (the whole canvas, or the visible
    // part while a block is dragged).
    virtual void OnComposeUnderGrid(CArtView& /*view*/, QImage& /*imgComposition*/,
                                    const QRect& /*rcPart*/)
    {
    }
    // REFRESH_VISIBLE: draw over rcPart, the visible part just composed (the
    // eraser's outline); canvas pixel coordinates.
    virtual void OnComposeVisible(CArtView& /*view*/, QImage& /*imgComposition*/,
                                  const QRect& /*rcPart*/)
    {
    }
    // After the composition is painted into the window (the caret); the
    // painter's origin is the canvas origin.
    virtual void OnPaint(CArtView& /*view*/, QPainter& /*painter*/) {}
    // The cursor resource (gw::IDC_*) the tool wants over a canvas pixel, or
    // 0 for the tool's own cursor.
    virtual int CursorIdAt(const CArtView& /*view*/, QPoint /*ptCanvas*/) const { return 0; }
    // The view's timer fired for this tool (the caret blink).
    virtual void OnTimer(CArtView& /*view*/, int /*nTimerId*/) {}
};
