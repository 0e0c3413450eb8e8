// The cell rectangle tracker: a rectangle with a dotted frame and eight
// sizing handles that the select, rectangle and ellipse tools drag about.
// It works in canvas pixels, every position snaps to cell borders and the
// rectangle stays on the canvas. There is no loop of its own: the view starts
// a drag with Track or TrackRubberBand and then feeds in the mouse and key
// events until the tracker stops; the client hears of every change.
#pragma once

#include "core/char_cell.h"

#include <QPoint>
#include <QRect>

class QImage;

// Canvas pixels, right and bottom exclusive. May be inverted (right < left or
// bottom < top) after a handle was dragged across the opposite side.
struct CTrackRect {
    int left = 0, top = 0, right = 0, bottom = 0;

    CTrackRect Normalized() const;
    bool IsNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool IsEmpty() const { return left == right || top == bottom; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const CTrackRect&) const = default;
};

// What the view tells the tracker when a drag starts.
struct CTrackGeometry {
    int nCellW = 1, nCellH = 1, nCanvasW = 0, nCanvasH = 0;
};

class CCellTracker;

class ICellTrackerClient {
public:
    virtual ~ICellTrackerClient() = default;
    // The rectangle moved or changed size during a drag (redraw).
    virtual void OnTrackerChanged(CCellTracker& tracker) = 0;
    // The drag stopped; bChanged: the rectangle differs from the one at the start.
    virtual void OnTrackerEnded(CCellTracker& tracker, bool bChanged) = 0;
};

class CCellTracker {
public:
    enum EHit {
        HIT_NOTHING = -1,
        HIT_TOP_LEFT = 0,
        HIT_TOP_RIGHT = 1,
        HIT_BOTTOM_RIGHT = 2,
        HIT_BOTTOM_LEFT = 3,
        HIT_TOP = 4,
        HIT_RIGHT = 5,
        HIT_BOTTOM = 6,
        HIT_LEFT = 7,
        HIT_MIDDLE = 8
    };
    // The coordinate of an axis a drag moves: none, the low one (left or
    // top) or the high one (right or bottom).
    enum ESide { SIDE_NONE = 0, SIDE_LOW = 1, SIDE_HIGH = 2 };
    static constexpr int HANDLE_SIZE = 4;
    static constexpr int MIN_SIZE = 2 * HANDLE_SIZE;

    const CTrackRect& Rect() const { return m_rect; }
    void SetRect(const CTrackRect& rc) { m_rect = rc; }
    void Empty() { m_rect = {}; }

    // -1 outside the normalised rectangle, the code of a shown handle (0..7,
    // on the normalised rectangle), 8 elsewhere inside.
    int HitTest(QPoint ptCanvas) const;
    // The cursor resource for the hit code at the point, 0 for none.
    int CursorIdAt(QPoint ptCanvas) const;
    static int CursorIdForHit(int nHit);
    // A handle's square on the normalised rectangle; empty when not shown.
    QRect HandleRect(int nHandle) const;
    // The dotted frame just outside the top and left and on the last column
    // and row, and the filled handles. Nothing for an empty rectangle. The
    // second form touches only the pixels inside rcClip.
    void Draw(QImage& img) const;
    void Draw(QImage& img, const QRect& rcClip) const;

    // Start a drag. False, doing nothing, while a drag runs, for a cell size
    // below 1, and (Track) for a point outside the rectangle.
    bool TrackRubberBand(const CTrackGeometry& geom, QPoint ptCanvas, ICellTrackerClient* pClient);
    bool Track(const CTrackGeometry& geom, QPoint ptCanvas, ICellTrackerClient* pClient);

    // Events the view feeds in while IsTracking(); ignored otherwise.
    // ptCanvas is the client pixel plus the scroll position, not clamped.
    void OnMouseMove(QPoint ptCanvas);
    void OnLeftButtonUp();
    void OnEscape();
    void OnRightButton();
    void OnCaptureLost();

    bool IsTracking() const { return m_bTracking; }
    // True once a drag of the whole rectangle has moved it.
    bool IsMoving() const { return m_bMoving; }
    // The handle whose coordinates the drag moves (HIT_MIDDLE when moving),
    // HIT_NOTHING when not tracking.
    int TrackedHandle() const { return m_bTracking ? m_nHandle : HIT_NOTHING; }

    COLORREF m_crFrame = 0x010101;
    COLORREF m_crHandle = 0x00FFFF;

private:
    bool Start(const CTrackGeometry& geom, QPoint ptCanvas, int nHandle,
               ICellTrackerClient* pClient);
    bool IsHandleShown(int nHandle) const;
    int HandleSide() const;
    void KeepInsideCanvas(const CTrackRect& rcPrev);
    void SnapToCells();
    void Stop();

    CTrackRect m_rect;
    CTrackRect m_rcStart;
    CTrackGeometry m_geom;
    ICellTrackerClient* m_pClient = nullptr;
    int m_nHandle = HIT_NOTHING;
    ESide m_sideX = SIDE_NONE; // the coordinates the drag moves
    ESide m_sideY = SIDE_NONE;
    int m_nOffsetX = 0;
    int m_nOffsetY = 0;
    QPoint m_ptLastSnapped;
    bool m_bTracking = false;
    bool m_bMoving = false;
    bool m_bStopping = false;
};
