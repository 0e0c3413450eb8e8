// Cell geometry: pixels to cells at and around cell borders, scroll snapping
// and range, and the zoom index limits and font-derived cell sizes.
#include "canvas/cell_geometry.h"
#include "canvas_test_main.h"

#include <QFontMetrics>
#include <QObject>

class CCellGeometryTest : public QObject {
    Q_OBJECT

    static CCellGeometry Make(int nRows, int nCols, int nCellW, int nCellH)
    {
        CCellGeometry geom;
        geom.SetGridSize(nRows, nCols);
        geom.SetCellSize(nCellW, nCellH);
        return geom;
    }

private slots:
    void pixelToCellAtBorders_data()
    {
        QTest::addColumn<QPoint>("ptPixel");
        QTest::addColumn<QPoint>("ptCell");
        QTest::addColumn<bool>("bOnCanvas");
        // 10 x 20 cells of 7 x 14 pixels: canvas 140 x 140.
        QTest::newRow("origin") << QPoint(0, 0) << QPoint(0, 0) << true;
        QTest::newRow("last pixel of first cell") << QPoint(6, 13) << QPoint(0, 0) << true;
        QTest::newRow("first pixel of next cell") << QPoint(7, 14) << QPoint(1, 1) << true;
        QTest::newRow("last canvas pixel") << QPoint(139, 139) << QPoint(19, 9) << true;
        QTest::newRow("right of canvas") << QPoint(140, 0) << QPoint(20, 0) << false;
        QTest::newRow("below canvas") << QPoint(0, 140) << QPoint(0, 10) << false;
        QTest::newRow("left of canvas") << QPoint(-1, 0) << QPoint(-1, 0) << false;
        QTest::newRow("far above") << QPoint(3, -15) << QPoint(0, -2) << false;
    }
    void pixelToCellAtBorders()
    {
        QFETCH(QPoint, ptPixel);
        QFETCH(QPoint, ptCell);
        QFETCH(bool, bOnCanvas);
        const CCellGeometry geom = Make(10, 20, 7, 14);
        QCOMPARE(geom.PixelToCell(ptPixel), ptCell);
        QCOMPARE(geom.IsOnCanvas(ptPixel), bOnCanvas);
    }

    void clampKeepsPointsOnTheCanvas()
    {
        const CCellGeometry geom = Make(10, 20, 7, 14);
        QCOMPARE(geom.ClampToCanvas({-30, 500}), QPoint(0, 139));
        QCOMPARE(geom.ClampToCanvas({1000, -1}), QPoint(139, 0));
        QCOMPARE(geom.PixelToCell(geom.ClampToCanvas({1000, 1000})), QPoint(19, 9));
    }

    void scrollSnapsDownToCellBorders_data()
    {
        QTest::addColumn<QPoint>("ptScroll");
        QTest::addColumn<QPoint>("ptSnapped");
        QTest::newRow("on a border") << QPoint(14, 28) << QPoint(14, 28);
        QTest::newRow("inside a cell") << QPoint(20, 41) << QPoint(14, 28);
        QTest::newRow("negative") << QPoint(-5, -1) << QPoint(0, 0);
        // 40 x 60 cells of 7 x 14: scroll size 427 x 574, viewport 100 x 100
        // gives maxima 327 x 474, snapped to 322 x 462.
        QTest::newRow("beyond the range") << QPoint(5000, 5000) << QPoint(322, 462);
    }
    void scrollSnapsDownToCellBorders()
    {
        QFETCH(QPoint, ptScroll);
        QFETCH(QPoint, ptSnapped);
        const CCellGeometry geom = Make(40, 60, 7, 14);
        QCOMPARE(geom.ScrollSize(), QSize(60 * 7 + 7, 40 * 14 + 14));
        QCOMPARE(geom.SnapScroll(ptScroll, {100, 100}), ptSnapped);
    }

    // The spare cell right and below exists so the last column and row can
    // always be scrolled fully into view at a snapped position.
    void lastCellReachableAtEverySnappedMaximum()
    {
        for (int nCellW : {4, 7, 11, 14}) {
            const CCellGeometry geom = Make(80, 128, nCellW, nCellW * 2);
            for (int nView = 1; nView < geom.CanvasWidth(); nView += 13) {
                const QPoint pt = geom.SnapScroll({1 << 20, 1 << 20}, {nView, nView});
                QVERIFY2(pt.x() % nCellW == 0 && pt.y() % (nCellW * 2) == 0, "not snapped");
                QVERIFY2(pt.x() + nView >= geom.CanvasWidth(),
                         qPrintable(QString("cell %1 view %2 scroll %3").arg(nCellW).arg(nView).arg(pt.x())));
                QVERIFY(pt.y() + nView >= geom.CanvasHeight());
            }
        }
    }

    void viewportLargerThanCanvasDoesNotScroll()
    {
        const CCellGeometry geom = Make(5, 5, 7, 14);
        QCOMPARE(geom.MaxScroll({1000, 1000}), QPoint(0, 0));
        QCOMPARE(geom.SnapScroll({30, 30}, {1000, 1000}), QPoint(0, 0));
    }

    void zoomStopsAtTheLimits()
    {
        CCellGeometry geom;
        QCOMPARE(geom.GetZoom(), 2);
        QVERIFY(geom.ZoomIn());
        QVERIFY(geom.ZoomIn());
        QVERIFY(!geom.ZoomIn());
        QCOMPARE(geom.GetZoom(), 4);
        for (int i = 0; i < 4; ++i)
            QVERIFY(geom.ZoomOut());
        QVERIFY(!geom.ZoomOut());
        QCOMPARE(geom.GetZoom(), 0);
    }

    // Cells come from the font actually obtained, and grow with the zoom.
    void cellSizeFollowsTheZoomFont()
    {
        CCellGeometry geom;
        QSize szPrev(0, 0);
        for (int nZoom = 0; nZoom <= 4; ++nZoom) {
            geom.SetZoom(nZoom);
            geom.MeasureFont();
            const QFontMetrics fm(CCellGeometry::ZoomFont(nZoom));
            QCOMPARE(geom.CellHeight(), fm.height());
            QVERIFY(geom.CellWidth() > szPrev.width());
            QVERIFY(geom.CellHeight() > szPrev.height());
            // A monospace font: every printable character has the cell's advance.
            QCOMPARE(fm.horizontalAdvance(QLatin1Char('i')), geom.CellWidth());
            QCOMPARE(fm.horizontalAdvance(QChar(0x20AC)), geom.CellWidth());
            szPrev = {geom.CellWidth(), geom.CellHeight()};
        }
    }
};

GW_CANVAS_TEST_MAIN(CCellGeometryTest)
#include "cell_geometry_test.moc"
