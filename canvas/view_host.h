// What the canvas view needs from the window around it. The main window
// implements it; tests implement it with recorders. Every call has an empty
// default so a host implements only what it shows.
#pragma once

#include "canvas/ruler_state.h"

#include <QImage>
#include <QPoint>
#include <QString>

class IViewHost {
public:
    virtual ~IViewHost() = default;

    // The current tool code (tool_codes.h); the view asks on every mouse message.
    virtual int GetCurTool() const { return 0; }
    virtual void SetCurTool(int /*nTool*/) {}
    // Status bar pane 1: "Row:%1,Col:%2".
    virtual void SetStatusPosText(const QString& /*strText*/) {}
    // After every finished edit: renew the current frame's picture in the frame panel.
    virtual void RefreshFrameThumbnail() {}
    // A floating block or a pending shape was made or moved: work on screen
    // that the cells do not hold yet, which the host counts as unsaved.
    virtual void PendingWorkChanged() {}
    // What Undo, Redo, Cut, Copy, Delete or Paste could do has changed: a
    // block was lifted or dropped, a step was recorded, undone or redone.
    // The host renews its commands' states at once, not at its next menu.
    virtual void OnEditStateChanged() {}
    // The pick tool took a character for the left or right button: show it
    // in the character picker as that button's choice.
    virtual void CharPicked(bool /*bRight*/, unsigned char /*ch*/) {}
    // Passed on to the rulers: what changed, and the mouse position in
    // client pixels.
    enum ERulerUpdate { RULER_VSCROLL = 1, RULER_HSCROLL = 2, RULER_MOUSE = 3, RULER_LAYOUT = 4 };
    virtual void UpdateRulers(ERulerUpdate /*nMode*/, const CRulerState& /*state*/) {}
    // The select tool the tools bar's drop-down chose last; a floating block
    // drops by it, and Paste makes it the tool.
    virtual int GetSelectMode() const { return 1; }
    // The canvas's context menu of the select tools, at a screen position.
    virtual void OpenCanvasMenu(const QPoint& /*ptGlobal*/) {}
    // OnInitialUpdate asks for the rulers to be shown.
    virtual void ShowRulers() {}
    // OnInitialUpdate registers the document's first frame and hands its key
    // and its 64 x 64 picture here, for the frame panel's first item.
    virtual void AddFirstFrame(int /*nFrameKey*/, const QImage& /*imgThumb*/) {}
    // The canvas background changed: every frame's picture is drawn on it.
    virtual void BackColorChanged() {}
    // A freehand stroke began on an empty cell with both drawing characters
    // spaces: it shows nothing, which a new user may not understand.
    virtual void StrokeDrawsNothing() {}
};
