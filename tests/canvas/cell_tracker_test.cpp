// The cell rectangle tracker driven as the view drives it: rubber bands,
// moves and resizes against the canvas borders and the minimum size, the
// stop sequence, handles and hit codes, and what Draw puts on the image.
#include "canvas/canvas_color.h"
#include "canvas/cell_tracker.h"
#include "canvas_test_main.h"

#include <QObject>

#include <vector>

namespace {
// Cells 7 x 14 on a 140 x 140 canvas.
constexpr CTrackGeometry GEOM{7, 14, 140, 140};
constexpr CTrackRect BLOCK{14, 28, 42, 56}; // 4 x 2 cells, all eight handles shown

struct CRecorder : ICellTrackerClient {
    std::vector<CTrackRect> vChanges;
    int nEnded = 0;
    bool bChanged = false, bTrackingAtEnd = true, bMovingAtLastChange = false;
    void OnTrackerChanged(CCellTracker& tracker) override
    {
        QVERIFY(tracker.IsTracking());
        vChanges.push_back(tracker.Rect());
        bMovingAtLastChange = tracker.IsMoving();
    }
    void OnTrackerEnded(CCellTracker& tracker, bool bChangedArg) override
    {
        ++nEnded;
        bChanged = bChangedArg;
        bTrackingAtEnd = tracker.IsTracking() || tracker.IsMoving();
    }
};

// Starts at ptFrom (rubber band, or on the block), moves to ptTo, releases.
CTrackRect Drag(QPoint ptFrom, QPoint ptTo, bool bRubberBand, CTrackGeometry geom = GEOM,
                CTrackRect rc = BLOCK)
{
    CCellTracker tracker;
    CRecorder rec;
    tracker.SetRect(rc);
    const bool bStarted = bRubberBand ? tracker.TrackRubberBand(geom, ptFrom, &rec)
                                      : tracker.Track(geom, ptFrom, &rec);
    if (!bStarted)
        return {-1, -1, -1, -1};
    tracker.OnMouseMove(ptTo);
    tracker.OnLeftButtonUp();
    for (const CTrackRect& rcSeen : rec.vChanges) { // every change lies on cell borders
        if (rcSeen.left % geom.nCellW || rcSeen.right % geom.nCellW || rcSeen.top % geom.nCellH ||
            rcSeen.bottom % geom.nCellH)
            return {-2, -2, -2, -2};
    }
    return tracker.Rect();
}
} // namespace

class CCellTrackerTest : public QObject {
    Q_OBJECT

private slots:
    void dragsSnapAndStayOnTheCanvas()
    {
        const struct {
            const char* pszName;
            bool bRubberBand;
            QPoint ptFrom, ptTo;
            CTrackRect rcExpected;
        } aCases[] = {
            {"band inside its cell", true, {10, 20}, {13, 27}, {7, 14, 7, 14}},
            {"band up left", true, {30, 50}, {10, 20}, {28, 42, 7, 14}},
            {"band past bottom right", true, {10, 20}, {500, 500}, {7, 14, 140, 140}},
            {"band past top left", true, {10, 20}, {-20, -30}, {7, 14, 0, 0}},
            // Grabbed inside a cell: one cell of mouse is one cell of block either way.
            {"move within cell", false, {20, 35}, {16, 40}, BLOCK},
            {"move a cell right", false, {20, 35}, {27, 35}, {21, 28, 49, 56}},
            {"move a cell left", false, {20, 35}, {13, 35}, {7, 28, 35, 56}},
            {"move past left", false, {20, 35}, {-100, 35}, {0, 28, 28, 56}},
            {"move past right", false, {20, 35}, {1000, 35}, {112, 28, 140, 56}},
            {"move past top", false, {20, 35}, {20, -100}, {14, 0, 42, 28}},
            {"move past bottom", false, {20, 35}, {20, 1000}, {14, 112, 42, 140}},
            {"corner past top left", false, {14, 28}, {-100, -100}, {0, 0, 42, 56}},
            {"right past right", false, {40, 41}, {1000, 41}, {14, 28, 140, 56}},
            {"left past right", false, {15, 41}, {1000, 41}, {140, 28, 42, 56}},
            {"bottom past top", false, {27, 55}, {27, -100}, {14, 28, 42, 0}},
        };
        for (const auto& c : aCases)
            QVERIFY2(Drag(c.ptFrom, c.ptTo, c.bRubberBand) == c.rcExpected, c.pszName);
    }

    // Cells 4 pixels wide: the minimum of 8 pixels makes two cells; a move
    // never changes the size, however small.
    void minimumSizeWidensTheDraggedSide()
    {
        const CTrackGeometry geom{4, 8, 40, 80};
        QCOMPARE(Drag({4, 8}, {9, 17}, true, geom), (CTrackRect{4, 8, 12, 16}));
        const CTrackRect rcSmall{8, 8, 16, 16};
        QCOMPARE(Drag({8, 8}, {20, 8}, false, geom, rcSmall), (CTrackRect{24, 8, 16, 16}));
        QCOMPARE(Drag({5, 11}, {13, 11}, false, geom, {4, 8, 8, 16}), (CTrackRect{12, 8, 16, 16}));
    }

    // On an inverted rectangle the handle grabbed moves the edge under it:
    // the left handle of {14..49} here is its right coordinate.
    void invertedRectangleMovesTheGrabbedEdge()
    {
        QCOMPARE(Drag({15, 34}, {8, 34}, false, GEOM, {49, 14, 14, 56}),
                 (CTrackRect{49, 14, 7, 56}));
    }

    // Every stop snaps, redraws once more and ends once, keeping the rectangle.
    void everyStopEndsOnceWithTheCurrentRectangle()
    {
        for (auto pStop : {&CCellTracker::OnLeftButtonUp, &CCellTracker::OnEscape,
                           &CCellTracker::OnRightButton, &CCellTracker::OnCaptureLost}) {
            CCellTracker tracker;
            CRecorder rec;
            tracker.SetRect(BLOCK);
            QVERIFY(tracker.Track(GEOM, {20, 35}, &rec));
            QVERIFY(!tracker.Track(GEOM, {20, 35}, &rec));
            QVERIFY(!tracker.TrackRubberBand(GEOM, {1, 1}, &rec));
            tracker.OnMouseMove({27, 35});
            (tracker.*pStop)();
            const CTrackRect rcMoved{21, 28, 49, 56};
            QCOMPARE(tracker.Rect(), rcMoved);
            QCOMPARE(rec.vChanges.size(), size_t(2)); // the move, then the stop
            QVERIFY(rec.bMovingAtLastChange);
            QVERIFY(rec.nEnded == 1 && rec.bChanged && !rec.bTrackingAtEnd);
            tracker.OnMouseMove({100, 100});
            tracker.OnEscape();
            QCOMPARE(tracker.Rect(), rcMoved);
            QCOMPARE(rec.nEnded, 1);
        }
    }

    void refusedStartsAndUnchangedEnds()
    {
        CCellTracker tracker;
        CRecorder rec;
        tracker.SetRect(BLOCK);
        QVERIFY(!tracker.Track(GEOM, {60, 35}, &rec)); // outside
        QVERIFY(!tracker.Track({0, 14, 140, 140}, {20, 35}, &rec));
        QVERIFY(!tracker.IsTracking());
        QVERIFY(tracker.Track(GEOM, {20, 35}, &rec));
        tracker.OnMouseMove({18, 30}); // same cell
        tracker.OnLeftButtonUp();
        QVERIFY(rec.nEnded == 1 && !rec.bChanged);
    }

    void hitCodesAndCursors()
    {
        const CTrackRect rcBig{10, 10, 50, 50}, rcInverted{50, 50, 10, 10};
        const struct {
            const char* pszName;
            CTrackRect rc;
            QPoint pt;
            int nHit, nCursor;
        } aCases[] = {
            {"top left", rcBig, {10, 10}, 0, 140},
            {"bottom left, inverted", rcInverted, {10, 49}, 3, 139},
            {"top", rcBig, {29, 11}, 4, 137},
            {"bottom, inverted", rcInverted, {30, 48}, 6, 137},
            {"left", rcBig, {11, 30}, 7, 141},
            {"middle", rcBig, {30, 30}, 8, 138},
            {"right of it", rcBig, {50, 30}, -1, 0},
            {"16 wide: no top handle", {10, 10, 26, 50}, {18, 11}, 8, 138},
            {"17 wide: top handle", {10, 10, 27, 50}, {18, 11}, 4, 137},
            {"6 wide: 3 pixel corner", {10, 10, 16, 50}, {12, 12}, 0, 140},
            {"6 wide: past corner", {10, 10, 16, 50}, {12, 13}, 8, 138},
            {"1 wide: no handles", {10, 10, 11, 50}, {10, 10}, 8, 138},
            {"empty", {10, 10, 10, 50}, {10, 10}, -1, 0},
        };
        for (const auto& c : aCases) {
            CCellTracker tracker;
            tracker.SetRect(c.rc);
            QVERIFY2(tracker.HitTest(c.pt) == c.nHit && tracker.CursorIdAt(c.pt) == c.nCursor,
                     c.pszName);
        }
    }

    void drawPutsFrameAndHandlesOnly()
    {
        const QRgb rgbWhite = qRgb(255, 255, 255);
        QImage img(60, 60, QImage::Format_RGB32);
        img.fill(rgbWhite);
        CCellTracker tracker;
        tracker.SetRect({40, 10, 10, 10}); // empty: nothing drawn
        tracker.Draw(img);
        tracker.SetRect({40, 30, 10, 10});
        tracker.Draw(img);
        const QRgb rgbFrame = ColorRefToRgb(tracker.m_crFrame),
                   rgbHandle = ColorRefToRgb(tracker.m_crHandle);
        int nFrame = 0;
        for (int nY = 0; nY < img.height(); ++nY) {
            for (int nX = 0; nX < img.width(); ++nX) {
                const QRgb rgb = img.pixel(nX, nY);
                bool bInHandle = false;
                for (int nHandle = 0; nHandle < 8; ++nHandle)
                    bInHandle = bInHandle || tracker.HandleRect(nHandle).contains(nX, nY);
                const bool bOnFrame = nX >= 9 && nX <= 39 && nY >= 9 && nY <= 29 &&
                                      (nX == 9 || nX == 39 || nY == 9 || nY == 29);
                QVERIFY2(bInHandle ? rgb == rgbHandle
                                   : rgb == rgbWhite || (bOnFrame && rgb == rgbFrame),
                         qPrintable(QString("pixel %1,%2").arg(nX).arg(nY)));
                nFrame += rgb == rgbFrame;
            }
        }
        QVERIFY(nFrame > 20 && nFrame < 60); // dotted: about half the frame's 100 pixels
        auto nDots = [&](int nX, int nY, int nDX, int nDY) {
            int n = 0;
            for (int i = 0; i <= 20; ++i)
                n += img.pixel(nX + i * nDX, nY + i * nDY) == rgbFrame;
            return n;
        };
        QVERIFY(nDots(9, 9, 0, 1) > 3 && nDots(39, 9, 0, 1) > 3);
        QVERIFY(nDots(9, 9, 1, 0) > 3 && nDots(9, 29, 1, 0) > 3);
        // Clipped: the same pixels inside the clip, none outside.
        QImage imgClip(img.size(), QImage::Format_RGB32);
        imgClip.fill(rgbWhite);
        const QRect rcClip(20, 12, 40, 48);
        tracker.Draw(imgClip, rcClip);
        for (int nY = 0; nY < img.height(); ++nY) {
            for (int nX = 0; nX < img.width(); ++nX)
                QCOMPARE(imgClip.pixel(nX, nY),
                         rcClip.contains(nX, nY) ? img.pixel(nX, nY) : rgbWhite);
        }
        QCOMPARE(tracker.HandleRect(CCellTracker::HIT_BOTTOM_RIGHT), QRect(36, 26, 4, 4));
    }
};

GW_CANVAS_TEST_MAIN(CCellTrackerTest)
#include "cell_tracker_test.moc"
