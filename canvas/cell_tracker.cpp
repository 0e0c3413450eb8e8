#include "canvas/cell_tracker.h"

#include "canvas/canvas_color.h"
#include "res/command_table.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

// The coordinates each hit code moves on an upright rectangle.
using ESide = CCellTracker::ESide;
constexpr ESide NONE = CCellTracker::SIDE_NONE;
constexpr ESide LOW = CCellTracker::SIDE_LOW;
constexpr ESide HIGH = CCellTracker::SIDE_HIGH;

struct SHandleSides {
    ESide sideX;
    ESide sideY;
};
constexpr SHandleSides HANDLE_SIDES[9] = {
    {LOW, LOW},  {HIGH, LOW},  {HIGH, HIGH}, {LOW, HIGH}, // corners
    {NONE, LOW}, {HIGH, NONE}, {NONE, HIGH}, {LOW, NONE}, // sides
    {LOW, LOW},                                           // middle: left and top, the rest follows
};

ESide Opposite(ESide side)
{
    return side == LOW ? HIGH : side == HIGH ? LOW : NONE;
}

// Middle handles show only on sides longer than this.
constexpr int MIDDLE_HANDLE_MIN = 3 * CCellTracker::HANDLE_SIZE + 4;

bool IsValid(const CTrackGeometry& geom)
{
    return geom.nCellW >= 1 && geom.nCellH >= 1;
}

// The top-left pixel of the cell under a canvas pixel. Integer division
// truncates, so the pixels just left of or above the canvas count as cell 0.
QPoint SnapToCell(QPoint pt, const CTrackGeometry& geom)
{
    return {pt.x() / geom.nCellW * geom.nCellW, pt.y() / geom.nCellH * geom.nCellH};
}

// One axis of a resize: lo/hi are left/right or top/bottom.
void KeepAxisInside(int& nLo, int& nHi, int nLoPrev, int nHiPrev, int nMax)
{
    if (nLo < 0) {
        nLo = 0;
        nHi = nHiPrev;
    } else if (nLo > nMax && nHi <= nMax) {
        nLo = nMax;
        nHi = nHiPrev;
    }
    if (nHi < 0) {
        nHi = 0;
        nLo = nLoPrev;
    } else if (nHi > nMax) {
        nHi = nMax;
        nLo = nLoPrev;
    }
}

// One axis of the minimum size, widening the dragged side; an inverted
// rectangle stays inverted.
void WidenAxis(int& nLo, int& nHi, ESide side)
{
    const int nSize = nHi - nLo;
    if (side == NONE || std::abs(nSize) >= CCellTracker::MIN_SIZE)
        return;
    const int nNew = nSize < 0 ? -CCellTracker::MIN_SIZE : CCellTracker::MIN_SIZE;
    if (side == HIGH)
        nHi = nLo + nNew;
    else
        nLo = nHi - nNew;
}

int& Coord(CTrackRect& rc, bool bX, ESide side)
{
    if (bX)
        return side == LOW ? rc.left : rc.right;
    return side == LOW ? rc.top : rc.bottom;
}

} // namespace

CTrackRect CTrackRect::Normalized() const
{
    return {std::min(left, right), std::min(top, bottom), std::max(left, right),
            std::max(top, bottom)};
}

int CCellTracker::HandleSide() const
{
    const CTrackRect rc = m_rect.Normalized();
    const int nSmaller = std::min(rc.Width(), rc.Height());
    return nSmaller < 2 * HANDLE_SIZE ? nSmaller / 2 : HANDLE_SIZE;
}

bool CCellTracker::IsHandleShown(int nHandle) const
{
    const CTrackRect rc = m_rect.Normalized();
    switch (nHandle) {
    case HIT_TOP:
    case HIT_BOTTOM:
        return rc.Width() > MIDDLE_HANDLE_MIN;
    case HIT_LEFT:
    case HIT_RIGHT:
        return rc.Height() > MIDDLE_HANDLE_MIN;
    default:
        return nHandle >= HIT_TOP_LEFT && nHandle <= HIT_BOTTOM_LEFT;
    }
}

QRect CCellTracker::HandleRect(int nHandle) const
{
    const int nSide = HandleSide();
    if (nSide <= 0 || !IsHandleShown(nHandle))
        return {};
    const CTrackRect rc = m_rect.Normalized();
    const SHandleSides sides = HANDLE_SIDES[nHandle];
    const int nX = sides.sideX == LOW    ? rc.left
                   : sides.sideX == HIGH ? rc.right - nSide
                                         : rc.left + (rc.Width() - nSide) / 2;
    const int nY = sides.sideY == LOW    ? rc.top
                   : sides.sideY == HIGH ? rc.bottom - nSide
                                         : rc.top + (rc.Height() - nSide) / 2;
    return {nX, nY, nSide, nSide};
}

int CCellTracker::HitTest(QPoint ptCanvas) const
{
    const CTrackRect rc = m_rect.Normalized();
    if (ptCanvas.x() < rc.left || ptCanvas.x() >= rc.right || ptCanvas.y() < rc.top ||
        ptCanvas.y() >= rc.bottom)
        return HIT_NOTHING;
    for (int nHandle = HIT_TOP_LEFT; nHandle <= HIT_LEFT; ++nHandle) {
        if (HandleRect(nHandle).contains(ptCanvas))
            return nHandle;
    }
    return HIT_MIDDLE;
}

int CCellTracker::CursorIdForHit(int nHit)
{
    switch (nHit) {
    case HIT_TOP_LEFT:
    case HIT_BOTTOM_RIGHT:
        return gw::IDC_SIZE_FDIAG;
    case HIT_TOP_RIGHT:
    case HIT_BOTTOM_LEFT:
        return gw::IDC_SIZE_BDIAG;
    case HIT_TOP:
    case HIT_BOTTOM:
        return gw::IDC_SIZE_NS;
    case HIT_RIGHT:
    case HIT_LEFT:
        return gw::IDC_SIZE_WE;
    case HIT_MIDDLE:
        return gw::IDC_MOVE;
    default:
        return 0;
    }
}

int CCellTracker::CursorIdAt(QPoint ptCanvas) const
{
    return CursorIdForHit(HitTest(ptCanvas));
}

void CCellTracker::Draw(QImage& img) const
{
    Draw(img, img.rect());
}

void CCellTracker::Draw(QImage& img, const QRect& rcClip) const
{
    const QRect rcArea = rcClip.intersected(img.rect());
    if (m_rect.IsEmpty() || rcArea.isEmpty())
        return;
    // The frame runs one pixel outside the top and left edges and on the last
    // column and row; every other pixel along it is set, starting at its
    // top-left corner. Only the part in the area is walked.
    const CTrackRect rc = m_rect.Normalized();
    const int nX0 = rc.left - 1, nY0 = rc.top - 1, nX1 = rc.right - 1, nY1 = rc.bottom - 1;
    const int nW = nX1 - nX0, nH = nY1 - nY0;
    const int nMinX = std::max(nX0, rcArea.left()), nMaxX = std::min(nX1, rcArea.right());
    const int nMinY = std::max(nY0, rcArea.top()), nMaxY = std::min(nY1, rcArea.bottom());
    QPolygon dots;
    auto dot = [&dots](int nX, int nY, int nIndex) {
        if (nIndex % 2 == 0)
            dots << QPoint(nX, nY);
    };
    for (int nX = nMinX; nX <= nMaxX; ++nX) {
        dot(nX, nY0, nX - nX0);
        if (nX < nX1)
            dot(nX, nY1, nW + nH + (nX1 - nX));
    }
    for (int nY = nMinY; nY <= nMaxY; ++nY) {
        if (nY > nY0)
            dot(nX1, nY, nW + (nY - nY0));
        if (nY > nY0 && nY < nY1)
            dot(nX0, nY, 2 * nW + nH + (nY1 - nY));
    }

    QPainter painter(&img);
    painter.setClipRect(rcArea);
    painter.setPen(QPen(ColorRefToQColor(m_crFrame), 0));
    painter.drawPoints(dots);
    const QColor crHandle = ColorRefToQColor(m_crHandle);
    for (int nHandle = HIT_TOP_LEFT; nHandle <= HIT_LEFT; ++nHandle) {
        const QRect rcHandle = HandleRect(nHandle);
        if (!rcHandle.isEmpty())
            painter.fillRect(rcHandle, crHandle);
    }
}

bool CCellTracker::TrackRubberBand(const CTrackGeometry& geom, QPoint ptCanvas,
                                   ICellTrackerClient* pClient)
{
    if (m_bTracking || !IsValid(geom))
        return false;
    m_rect = {ptCanvas.x(), ptCanvas.y(), ptCanvas.x(), ptCanvas.y()};
    return Start(geom, ptCanvas, HIT_BOTTOM_RIGHT, pClient);
}

bool CCellTracker::Track(const CTrackGeometry& geom, QPoint ptCanvas, ICellTrackerClient* pClient)
{
    if (m_bTracking || !IsValid(geom))
        return false;
    const int nHit = HitTest(ptCanvas);
    if (nHit == HIT_NOTHING)
        return false;
    return Start(geom, ptCanvas, nHit, pClient);
}

bool CCellTracker::Start(const CTrackGeometry& geom, QPoint ptCanvas, int nHandle,
                         ICellTrackerClient* pClient)
{
    m_geom = geom;
    m_pClient = pClient;
    m_rcStart = m_rect;

    // Hit codes name handles where they are seen, on the normalised
    // rectangle. On an inverted rectangle the coordinate under a handle is
    // the opposite one, so the sides swap: the edge grabbed is the edge moved.
    SHandleSides sides = HANDLE_SIDES[nHandle];
    if (nHandle != HIT_MIDDLE) {
        if (m_rect.left > m_rect.right)
            sides.sideX = Opposite(sides.sideX);
        if (m_rect.top > m_rect.bottom)
            sides.sideY = Opposite(sides.sideY);
        for (int n = HIT_TOP_LEFT; n <= HIT_LEFT; ++n) {
            if (HANDLE_SIDES[n].sideX == sides.sideX && HANDLE_SIDES[n].sideY == sides.sideY)
                nHandle = n;
        }
    }
    m_nHandle = nHandle;
    m_sideX = sides.sideX;
    m_sideY = sides.sideY;

    // Offsets are taken from the top-left corner of the cell clicked, not from
    // the pixel clicked: with the raw pixel, a rectangle grabbed inside a cell
    // lagged a cell behind the mouse, jumped two cells on the first move the
    // other way, and moved while the mouse stayed in the cell it was grabbed in.
    const QPoint ptSnapped = SnapToCell(ptCanvas, geom);
    m_nOffsetX = m_sideX != NONE ? ptSnapped.x() - Coord(m_rect, true, m_sideX) : 0;
    m_nOffsetY = m_sideY != NONE ? ptSnapped.y() - Coord(m_rect, false, m_sideY) : 0;
    m_ptLastSnapped = ptSnapped;
    m_bMoving = false;
    m_bTracking = true;
    return true;
}

void CCellTracker::OnMouseMove(QPoint ptCanvas)
{
    if (!m_bTracking || m_bStopping)
        return;
    const QPoint ptSnapped = SnapToCell(ptCanvas, m_geom);
    if (ptSnapped == m_ptLastSnapped)
        return;
    m_ptLastSnapped = ptSnapped;

    const CTrackRect rcPrev = m_rect;
    if (m_sideX != NONE)
        Coord(m_rect, true, m_sideX) = ptSnapped.x() - m_nOffsetX;
    if (m_sideY != NONE)
        Coord(m_rect, false, m_sideY) = ptSnapped.y() - m_nOffsetY;
    if (m_nHandle == HIT_MIDDLE) {
        // A move keeps the size it started with, however small.
        m_rect.right = m_rect.left + m_rcStart.Width();
        m_rect.bottom = m_rect.top + m_rcStart.Height();
        m_bMoving = true;
    } else {
        WidenAxis(m_rect.left, m_rect.right, m_sideX);
        WidenAxis(m_rect.top, m_rect.bottom, m_sideY);
    }
    KeepInsideCanvas(rcPrev);
    SnapToCells();
    if (m_pClient)
        m_pClient->OnTrackerChanged(*this);
}

void CCellTracker::KeepInsideCanvas(const CTrackRect& rcPrev)
{
    const int nMaxX = m_geom.nCanvasW, nMaxY = m_geom.nCanvasH;
    if (m_nHandle != HIT_MIDDLE) {
        KeepAxisInside(m_rect.left, m_rect.right, rcPrev.left, rcPrev.right, nMaxX);
        KeepAxisInside(m_rect.top, m_rect.bottom, rcPrev.top, rcPrev.bottom, nMaxY);
        return;
    }
    // A moved rectangle stops flush against the border it passed. Worked out
    // on the normalised rectangle, so an inverted one moves the same way.
    const CTrackRect rc = m_rect.Normalized();
    int nDX = 0, nDY = 0;
    if (rc.left < 0)
        nDX = -rc.left;
    if (rc.right + nDX > nMaxX)
        nDX = nMaxX - rc.right;
    if (rc.top < 0)
        nDY = -rc.top;
    if (rc.bottom + nDY > nMaxY)
        nDY = nMaxY - rc.bottom;
    m_rect.left += nDX;
    m_rect.right += nDX;
    m_rect.top += nDY;
    m_rect.bottom += nDY;
}

void CCellTracker::SnapToCells()
{
    const int nW = m_geom.nCellW, nH = m_geom.nCellH;
    m_rect.left = nW * (m_rect.left / nW);
    m_rect.right = nW * (m_rect.right / nW);
    m_rect.top = nH * (m_rect.top / nH);
    m_rect.bottom = nH * (m_rect.bottom / nH);
}

void CCellTracker::OnLeftButtonUp()
{
    Stop();
}
void CCellTracker::OnEscape()
{
    Stop();
}
void CCellTracker::OnRightButton()
{
    Stop();
}
void CCellTracker::OnCaptureLost()
{
    Stop();
}

void CCellTracker::Stop()
{
    if (!m_bTracking || m_bStopping)
        return;
    m_bStopping = true;
    SnapToCells();
    if (m_pClient)
        m_pClient->OnTrackerChanged(*this);
    m_bMoving = false;
    m_bTracking = false;
    m_bStopping = false;
    ICellTrackerClient* pClient = std::exchange(m_pClient, nullptr);
    m_nHandle = HIT_NOTHING;
    if (pClient)
        pClient->OnTrackerEnded(*this, m_rect != m_rcStart);
}
