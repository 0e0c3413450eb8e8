// The drawing pieces under the view: colour-keyed and clipped copies between
// layers, the grid layer's exact lines, and glyphs from the cache against
// the same character drawn by QPainter.
#include "canvas/canvas_color.h"
#include "canvas/cell_geometry.h"
#include "canvas/glyph_cache.h"
#include "canvas/view_layers.h"
#include "canvas_test_main.h"

#include <QFontMetrics>
#include <QObject>
#include <QPainter>

#include <array>
#include <cstdlib>

namespace {
QImage Filled(QSize sz, QRgb rgb)
{
    QImage img(sz, QImage::Format_RGB32);
    img.fill(rgb);
    return img;
}

int MaxChannelDiff(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}
} // namespace

class CViewLayersTest : public QObject {
    Q_OBJECT

private slots:
    void colourConversionSwapsRedAndBlue()
    {
        QCOMPARE(ColorRefToRgb(0x0000FF), qRgb(255, 0, 0));
        QCOMPARE(ColorRefToRgb(0xFF0000), qRgb(0, 0, 255));
        QCOMPARE(RgbToColorRef(qRgb(1, 2, 3)), COLORREF(0x030201));
        QCOMPARE(DrawingColor(0), CR_NEAR_BLACK);
        QCOMPARE(DrawingColor(0xFF000000u), CR_NEAR_BLACK);
        QCOMPARE(DrawingColor(0x12345678u), COLORREF(0x345678));
    }

    void keyedCopyLeavesKeyPixelsTransparent()
    {
        QImage dst = Filled({4, 1}, qRgb(9, 9, 9));
        QImage src = Filled({4, 1}, RGB_KEY);
        src.setPixel(1, 0, qRgb(200, 0, 0));
        src.setPixel(2, 0, qRgb(1, 1, 1)); // near black is a colour, not the key
        KeyedCopyImageRect(dst, {0, 0}, src, src.rect());
        QCOMPARE(dst.pixel(0, 0), qRgb(9, 9, 9));
        QCOMPARE(dst.pixel(1, 0), qRgb(200, 0, 0));
        QCOMPARE(dst.pixel(2, 0), qRgb(1, 1, 1));
        QCOMPARE(dst.pixel(3, 0), qRgb(9, 9, 9));
    }

    // Partly outside either image: the part inside lands where it belongs.
    void copiesClipWithoutShifting_data()
    {
        QTest::addColumn<QPoint>("ptDst");
        QTest::addColumn<QRect>("rcSrc");
        QTest::newRow("target left of and above dst") << QPoint(-2, -3) << QRect(0, 0, 8, 8);
        QTest::newRow("source rect beyond src") << QPoint(1, 1) << QRect(-2, -1, 9, 9);
        QTest::newRow("target past the right") << QPoint(5, 4) << QRect(1, 1, 8, 8);
        QTest::newRow("inside") << QPoint(2, 1) << QRect(1, 2, 3, 3);
    }
    void copiesClipWithoutShifting()
    {
        QFETCH(QPoint, ptDst);
        QFETCH(QRect, rcSrc);
        QImage src(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                src.setPixel(x, y, qRgb(10 + x, 10 + y, 50));
        for (bool bKeyed : {false, true}) {
            QImage dst = Filled({7, 6}, qRgb(1, 2, 3));
            if (bKeyed)
                KeyedCopyImageRect(dst, ptDst, src, rcSrc);
            else
                CopyImageRect(dst, ptDst, src, rcSrc);
            const QPoint ptDelta = ptDst - rcSrc.topLeft();
            for (int y = 0; y < dst.height(); ++y) {
                for (int x = 0; x < dst.width(); ++x) {
                    const QPoint ptS = QPoint(x, y) - ptDelta;
                    const bool bCopied = rcSrc.contains(ptS) && src.rect().contains(ptS);
                    const QRgb rgbWant = bCopied ? src.pixel(ptS) : qRgb(1, 2, 3);
                    QVERIFY2(dst.pixel(x, y) == rgbWant,
                             qPrintable(QString("keyed %1 at %2,%3").arg(bKeyed).arg(x).arg(y)));
                }
            }
        }
    }

    // The one-pass composition (base, a keyed layer, then keyed rows) gives
    // what three separate copies give, for any part, width and key pattern.
    void composeEqualsSeparateKeyedCopies_data()
    {
        QTest::addColumn<QRect>("rcPart");
        QTest::addColumn<bool>("bOverlay");
        QTest::addColumn<int>("nGridWidth"); // the top layer's; the others are 37 wide
        QTest::newRow("whole, odd width") << QRect(0, 0, 37, 23) << true << 37;
        QTest::newRow("inner part") << QRect(3, 2, 17, 9) << true << 37;
        QTest::newRow("part beyond the images") << QRect(30, -4, 20, 40) << true << 37;
        QTest::newRow("no overlay") << QRect(1, 1, 30, 20) << false << 37;
        QTest::newRow("top layer narrower than the part") << QRect(2, 0, 30, 23) << true << 25;
    }
    void composeEqualsSeparateKeyedCopies()
    {
        QFETCH(QRect, rcPart);
        QFETCH(bool, bOverlay);
        QFETCH(int, nGridWidth);
        const QSize sz(37, 23);
        QImage base(sz, QImage::Format_RGB32);
        QImage over = Filled(sz, RGB_KEY);
        QImage grid = Filled({nGridWidth, sz.height()}, RGB_KEY);
        unsigned nSeed = 12345;
        const auto next = [&nSeed] { return nSeed = nSeed * 1103515245u + 12345u, nSeed >> 16; };
        for (int y = 0; y < sz.height(); ++y) {
            for (int x = 0; x < sz.width(); ++x) {
                base.setPixel(x, y, qRgb(next() & 255, next() & 255, next() & 255));
                if (next() % 4 == 0)
                    over.setPixel(x, y, qRgb(next() & 255, 1, 2));
                // Runs of various lengths and two colours, as well as single pixels.
                if ((y % 5 == 0 ? x > 3 && x < 30 : next() % 3 == 0) && x < nGridWidth)
                    grid.setPixel(x, y, x % 7 < 4 ? qRgb(200, 200, 200) : qRgb(9, 0, 0));
            }
        }
        CKeyRows rows;
        rows.Build(grid);
        QImage imgWant = Filled(sz, qRgb(3, 3, 3));
        const QRect rc = rcPart.intersected(QRect(QPoint(0, 0), sz));
        CopyImageRect(imgWant, rc.topLeft(), base, rc);
        if (bOverlay)
            KeyedCopyImageRect(imgWant, rc.topLeft(), over, rc);
        KeyedCopyImageRect(imgWant, rc.topLeft(), grid, rc);
        QImage imgGot = Filled(sz, qRgb(3, 3, 3));
        ComposeLayers(imgGot, rcPart, base, bOverlay ? &over : nullptr, &rows);
        QCOMPARE(imgGot, imgWant);
        // The rows alone over a copy: the same.
        QImage imgRows = Filled(sz, qRgb(3, 3, 3));
        ComposeLayers(imgRows, rcPart, base, bOverlay ? &over : nullptr, nullptr);
        ApplyKeyRows(imgRows, rcPart, CKeyRows(rows));
        QCOMPARE(imgRows, imgWant);
    }

    void stretchedKeyedCopyScalesAndKeys()
    {
        QImage src = Filled({2, 1}, RGB_KEY);
        src.setPixel(1, 0, qRgb(0, 200, 0));
        QImage dst = Filled({4, 2}, qRgb(5, 5, 5));
        KeyedStretchImage(dst, QRect(0, 0, 4, 2), src);
        QCOMPARE(dst.pixel(1, 1), qRgb(5, 5, 5));
        QCOMPARE(dst.pixel(2, 0), qRgb(0, 200, 0));
        QCOMPARE(dst.pixel(3, 1), qRgb(0, 200, 0));
    }

    // Every pixel of the grid layer, for a few cell sizes: the top row of
    // each row of cells, the last column of each cell with a neighbour to its
    // right, nothing along the bottom and right borders, key colour elsewhere.
    void gridLinesLieExactly_data()
    {
        QTest::addColumn<int>("nCellW");
        QTest::addColumn<int>("nCellH");
        QTest::newRow("4x7") << 4 << 7;
        QTest::newRow("7x14") << 7 << 14;
        QTest::newRow("14x28") << 14 << 28;
    }
    void gridLinesLieExactly()
    {
        QFETCH(int, nCellW);
        QFETCH(int, nCellH);
        CCellGeometry geom;
        geom.SetGridSize(5, 9);
        geom.SetCellSize(nCellW, nCellH);
        CViewLayers layers;
        layers.Create(geom.CanvasSize(), qRgb(255, 255, 255));
        layers.DrawGrid(geom);
        const QImage& img = layers.GridImage();
        QCOMPARE(img.size(), geom.CanvasSize());
        const QRgb rgbGrid = qRgb(200, 200, 200);
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const bool bRowTop = y % nCellH == 0;
                const bool bColEnd = (x + 1) % nCellW == 0 && x != img.width() - 1;
                const QRgb rgbWant = bRowTop || bColEnd ? rgbGrid : RGB_KEY;
                QVERIFY2(img.pixel(x, y) == rgbWant, qPrintable(QString("%1,%2").arg(x).arg(y)));
            }
        }
    }

    // Every pair of canvas-sized layers, at widths whose plain rows would be
    // whole pages (1024 px) or odd sizes: a row of one starts at least a
    // quarter page from the same row of any other, modulo 4 KiB, so copies
    // between them never read what the processor takes for a pending write.
    void layerRowsStartApartWithinPages_data()
    {
        QTest::addColumn<QSize>("sz");
        QTest::newRow("1024 wide") << QSize(1024, 480);
        QTest::newRow("2048 wide") << QSize(2048, 64);
        QTest::newRow("odd") << QSize(1283, 97);
        QTest::newRow("one pixel") << QSize(0, 0);
    }
    void layerRowsStartApartWithinPages()
    {
        QFETCH(QSize, sz);
        CViewLayers layers;
        layers.Create(sz, qRgb(255, 255, 255));
        const std::array<const QImage*, 4> vLayers = {&layers.m_imgText, &layers.m_imgOverlay,
                                                      &layers.m_imgGrid, &layers.m_imgComposition};
        for (const QImage* pImg : vLayers) {
            QCOMPARE(pImg->size(), sz.expandedTo(QSize(1, 1)));
            QVERIFY(pImg->bytesPerLine() % 4096 != 0);
        }
        const int h = vLayers[0]->height();
        for (int y : {0, 1, h / 2, h - 1}) {
            for (size_t i = 0; i < vLayers.size(); ++i) {
                for (size_t j = i + 1; j < vLayers.size(); ++j) {
                    const auto nA = reinterpret_cast<quintptr>(vLayers[i]->constScanLine(y));
                    const auto nB = reinterpret_cast<quintptr>(vLayers[j]->constScanLine(y));
                    const quintptr nDist = (nA - nB) % 4096;
                    QVERIFY2(std::min(nDist, 4096 - nDist) >= 1024,
                             qPrintable(QString("layers %1 and %2, row %3").arg(i).arg(j).arg(y)));
                }
            }
        }
    }

    // Layers of an unchanged size are the same memory, the grid with its
    // lines and the overlay blank again; a new size brings new, blank layers.
    void resizeKeepsLayersOfTheSameSize()
    {
        CCellGeometry geom;
        geom.SetGridSize(4, 6);
        geom.SetCellSize(5, 9);
        CViewLayers layers;
        QVERIFY(layers.Resize(geom.CanvasSize()));
        layers.DrawGrid(geom);
        const QImage imgGrid = layers.GridImage().copy();
        const uchar* pText = layers.m_imgText.constBits();
        layers.MarkOverlayAll();
        layers.m_imgOverlay.fill(qRgb(9, 9, 9));
        QVERIFY(!layers.Resize(geom.CanvasSize()));
        layers.DrawGrid(geom);
        QCOMPARE(layers.m_imgText.constBits(), pText);
        QCOMPARE(layers.GridImage(), imgGrid);
        QCOMPARE(layers.m_imgOverlay, Filled(geom.CanvasSize(), RGB_KEY));
        geom.SetGridSize(5, 6);
        QVERIFY(layers.Resize(geom.CanvasSize()));
        // New layers come blank without a fill: their zero bytes are the key.
        QCOMPARE(layers.m_imgOverlay, Filled(geom.CanvasSize(), RGB_KEY));
        QCOMPARE(layers.GridImage(), Filled(geom.CanvasSize(), RGB_KEY));
    }

    // The clear wipes what was marked and nothing else: a block marked as a
    // rectangle, a line drawn by QPainter and marked by its ends (steep,
    // shallow, diagonal, rising), and a pixel never marked, which stays.
    void clearOverlayWipesWhatWasMarked_data()
    {
        QTest::addColumn<QPoint>("pt1");
        QTest::newRow("diagonal") << QPoint(63, 47);
        QTest::newRow("shallow") << QPoint(63, 5);
        QTest::newRow("steep") << QPoint(4, 47);
        QTest::newRow("rising") << QPoint(63, 0);
    }
    void clearOverlayWipesWhatWasMarked()
    {
        QFETCH(QPoint, pt1);
        const QRgb rgbInk = qRgb(200, 0, 0);
        CViewLayers layers;
        layers.Create({64, 48}, qRgb(255, 255, 255));
        {
            QPainter painter(&layers.m_imgOverlay);
            painter.fillRect(QRect(3, 30, 5, 6), rgbInk);
            painter.setPen(QColor::fromRgb(rgbInk));
            painter.drawLine(QPoint(1, 1), pt1);
        }
        layers.MarkOverlay(QRect(3, 30, 5, 6));
        layers.MarkOverlayLine(QPoint(1, 1), pt1, 3);
        layers.m_imgOverlay.setPixel(62, 45 - pt1.x() / 2, rgbInk);
        layers.ClearOverlay();
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                const bool bKept = x == 62 && y == 45 - pt1.x() / 2;
                QVERIFY2(layers.m_imgOverlay.pixel(x, y) == (bKept ? rgbInk : RGB_KEY),
                         qPrintable(QString("%1,%2").arg(x).arg(y)));
            }
        }
    }

    // Marks on both sides of rows and more between them are all wiped; a
    // pixel right of them all, never marked, stays.
    void clearOverlayWipesSeveralMarksInARow()
    {
        const QRgb rgbInk = qRgb(200, 0, 0);
        CViewLayers layers;
        layers.Create({64, 8}, qRgb(255, 255, 255));
        for (const QRect& rc : {QRect(2, 1, 4, 3), QRect(40, 2, 4, 3), QRect(20, 0, 4, 8), QRect(50, 1, 2, 2)}) {
            QPainter(&layers.m_imgOverlay).fillRect(rc, rgbInk);
            layers.MarkOverlay(rc);
        }
        layers.m_imgOverlay.setPixel(60, 3, rgbInk);
        layers.ClearOverlay();
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 64; ++x)
                QVERIFY2(layers.m_imgOverlay.pixel(x, y) == (x == 60 && y == 3 ? rgbInk : RGB_KEY),
                         qPrintable(QString("%1,%2").arg(x).arg(y)));
        }
    }

    void cp1252BytesMapToTheirCharacters()
    {
        QCOMPARE(Cp1252ToUnicode('A'), u'A');
        QCOMPARE(Cp1252ToUnicode(0x80), u'\u20AC');
        QCOMPARE(Cp1252ToUnicode(0x8A), u'\u0160');
        QCOMPARE(Cp1252ToUnicode(0x81), u'\u0081');
        QCOMPARE(Cp1252ToUnicode(0x99), u'\u2122');
        QCOMPARE(Cp1252ToUnicode(0x9F), u'\u0178');
        QCOMPARE(Cp1252ToUnicode(0xA0), u'\u00A0');
        QCOMPARE(Cp1252ToUnicode(0xFF), u'\u00FF');
    }

    // A cached glyph looks like the same character drawn by QPainter at the
    // cell's baseline, in any colour, on any background (small differences
    // from blending allowed), and is clipped to the image.
    void cachedGlyphMatchesDrawnText_data()
    {
        QTest::addColumn<int>("nZoom");
        QTest::addColumn<int>("nChar");
        QTest::addColumn<uint>("rgbText");
        QTest::addColumn<uint>("rgbBack");
        QTest::newRow("A dark on white") << 2 << int('A') << uint(qRgb(1, 1, 1)) << uint(qRgb(255, 255, 255));
        QTest::newRow("g red on white, descender") << 4 << int('g') << uint(qRgb(255, 0, 0)) << uint(qRgb(255, 255, 255));
        QTest::newRow("euro yellow on blue") << 3 << 0x80 << uint(qRgb(255, 255, 0)) << uint(qRgb(0, 0, 128));
        QTest::newRow("@ smallest") << 0 << int('@') << uint(qRgb(0, 128, 0)) << uint(qRgb(240, 240, 240));
    }
    void cachedGlyphMatchesDrawnText()
    {
        QFETCH(int, nZoom);
        QFETCH(int, nChar);
        QFETCH(uint, rgbText);
        QFETCH(uint, rgbBack);
        const QFont font = CCellGeometry::ZoomFont(nZoom);
        CCellGeometry geom;
        geom.SetZoom(nZoom);
        geom.MeasureFont();
        const QSize szCell(geom.CellWidth(), geom.CellHeight());

        QImage imgWant = Filled(szCell, rgbBack);
        {
            QPainter painter(&imgWant);
            painter.setFont(font);
            painter.setPen(QColor::fromRgb(rgbText));
            painter.drawText(QPoint(0, QFontMetrics(font).ascent()),
                             QString(QChar(Cp1252ToUnicode(static_cast<uint8_t>(nChar)))));
        }
        CGlyphCache cache;
        cache.SetFont(font, szCell);
        cache.SetBackground(rgbBack);
        QImage imgGot = Filled(szCell, qRgb(7, 7, 7));
        cache.Draw(imgGot, 0, 0, static_cast<uint8_t>(nChar), rgbText);

        int nInk = 0;
        for (int y = 0; y < szCell.height(); ++y) {
            for (int x = 0; x < szCell.width(); ++x) {
                QVERIFY2(MaxChannelDiff(imgGot.pixel(x, y), imgWant.pixel(x, y)) <= 24,
                         qPrintable(QString("%1,%2").arg(x).arg(y)));
                nInk += imgWant.pixel(x, y) != rgbBack;
            }
        }
        QVERIFY(nInk > 0);

        // Half outside the image: the rest of the glyph lands shifted, nothing else changes.
        QImage imgClip = Filled(szCell, qRgb(7, 7, 7));
        const int nDx = szCell.width() / 2;
        cache.Draw(imgClip, -nDx, 1, static_cast<uint8_t>(nChar), rgbText);
        for (int y = 0; y < szCell.height(); ++y) {
            for (int x = 0; x < szCell.width(); ++x) {
                const bool bInside = y >= 1 && x < szCell.width() - nDx;
                const QRgb rgbWant = bInside ? imgGot.pixel(x + nDx, y - 1) : qRgb(7, 7, 7);
                QCOMPARE(imgClip.pixel(x, y), rgbWant);
            }
        }
    }

    void controlBytesDrawAsBlankCells()
    {
        CGlyphCache cache;
        cache.SetFont(CCellGeometry::ZoomFont(2), {7, 14});
        cache.SetBackground(qRgb(255, 255, 255));
        QImage img = Filled({7, 14}, qRgb(7, 7, 7));
        for (int ch : {0, 9, 0x81, 32}) {
            cache.Draw(img, 0, 0, static_cast<uint8_t>(ch), qRgb(0, 0, 255));
            QVERIFY(img == Filled({7, 14}, qRgb(255, 255, 255)));
        }
    }
};

GW_CANVAS_TEST_MAIN(CViewLayersTest)
#include "view_layers_test.moc"
