// Glyphs coloured as they are drawn, pixel for pixel against a plain
// per-channel blend of the character's coverage mask.
#include "canvas/cell_geometry.h"
#include "canvas/glyph_cache.h"
#include "canvas_test_main.h"

#include <QFontMetrics>
#include <QObject>
#include <QPainter>

#include <algorithm>
#include <array>
#include <vector>

namespace {
constexpr QRgb RGB_UNTOUCHED = 0xFF070707u;

QSize CellSize(int nZoom)
{
    CCellGeometry geom;
    geom.SetZoom(nZoom);
    geom.MeasureFont();
    return {geom.CellWidth(), geom.CellHeight()};
}

// The character white on black at the cell's baseline.
QImage CoverageMask(int nZoom, uint8_t ch)
{
    const QFont font = CCellGeometry::ZoomFont(nZoom);
    QImage img(CellSize(nZoom), QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter painter(&img);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QChar qch(Cp1252ToUnicode(ch));
    if (qch.isPrint())
        painter.drawText(QPoint(0, QFontMetrics(font).ascent()), QString(qch));
    return img;
}

QRgb Blend(QRgb rgbText, QRgb rgbBack, QRgb rgbCov)
{
    QRgb rgbOut = 0xFF000000u;
    for (int nShift : {0, 8, 16}) {
        const int nText = (rgbText >> nShift) & 0xFF;
        const int nBack = (rgbBack >> nShift) & 0xFF;
        const int nCov = (rgbCov >> nShift) & 0xFF;
        const int nMix = nBack + ((nText - nBack) * nCov + (nText >= nBack ? 127 : -127)) / 255;
        rgbOut |= static_cast<QRgb>(nMix) << nShift;
    }
    return rgbOut;
}

// Where Draw(img, ptAt, ...) must have blended the mask; elsewhere img is untouched.
QString FirstMismatch(const QImage& img, QPoint ptAt, const QImage& imgMask, QRgb rgbText,
                      QRgb rgbBack)
{
    const QRect rcCell(ptAt, imgMask.size());
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QPoint pt(x, y);
            const QRgb rgbWant = rcCell.contains(pt)
                                     ? Blend(rgbText, rgbBack, imgMask.pixel(pt - ptAt))
                                     : RGB_UNTOUCHED;
            if (img.pixel(pt) != rgbWant)
                return QString("at %1,%2: %3").arg(x).arg(y).arg(img.pixel(pt), 8, 16);
        }
    }
    return {};
}
} // namespace

class CGlyphCacheTest : public QObject {
    Q_OBJECT

    // One cache for all rows: the zoom changes between rows and back again.
    CGlyphCache m_cache;

private slots:
    void drawnGlyphIsTheBlendOfItsMask_data()
    {
        QTest::addColumn<int>("nZoom");
        QTest::addColumn<QByteArray>("strChars");
        QTest::addColumn<uint>("rgbText");
        QTest::addColumn<uint>("rgbBack");
        QTest::addColumn<QPoint>("ptAt");
        // The image is the cell grown by this: placed at (1, 1) a glyph in a
        // cell + (2, 2) image has a margin on every side; elsewhere it is cut.
        QTest::addColumn<QSize>("szGrow");
        const QByteArray strMix("Ag@#W\x80\xE9 ");
        const auto rgb = [](int r, int g, int b) { return uint(qRgb(r, g, b)); };
        QTest::newRow("dark on white, inside")
            << 2 << strMix << rgb(1, 1, 1) << rgb(255, 255, 255) << QPoint(1, 1) << QSize(2, 2);
        QTest::newRow("red on white, left and top cut")
            << 4 << strMix << rgb(255, 0, 0) << rgb(255, 255, 255) << QPoint(-4, -5) << QSize(2, 2);
        QTest::newRow("yellow on navy, right and bottom cut")
            << 3 << strMix << rgb(255, 255, 0) << rgb(0, 0, 128) << QPoint(5, 6) << QSize(2, 2);
        QTest::newRow("channels on both sides of the back")
            << 0 << strMix << rgb(200, 10, 128) << rgb(100, 200, 128) << QPoint(1, 1)
            << QSize(2, 2);
        QTest::newRow("white on black, cut on all sides")
            << 1 << strMix << rgb(255, 255, 255) << rgb(0, 0, 0) << QPoint(-1, -2) << QSize(-3, -4);
        QTest::newRow("back to zoom 2, odd colours")
            << 2 << QByteArray("MiQ~") << rgb(37, 201, 99) << rgb(140, 7, 250) << QPoint(-3, 4)
            << QSize(2, 2);
    }
    void drawnGlyphIsTheBlendOfItsMask()
    {
        QFETCH(int, nZoom);
        QFETCH(QByteArray, strChars);
        QFETCH(uint, rgbText);
        QFETCH(uint, rgbBack);
        QFETCH(QPoint, ptAt);
        QFETCH(QSize, szGrow);
        const QSize szCell = CellSize(nZoom);
        m_cache.SetFont(CCellGeometry::ZoomFont(nZoom), szCell);
        m_cache.SetBackground(rgbBack);
        int nInk = 0;
        for (char ch : strChars) {
            const auto nChar = static_cast<uint8_t>(ch);
            QImage img(szCell + szGrow, QImage::Format_RGB32);
            img.fill(RGB_UNTOUCHED);
            m_cache.Draw(img, ptAt.x(), ptAt.y(), nChar, rgbText);
            const QImage imgMask = CoverageMask(nZoom, nChar);
            const QString strWrong = FirstMismatch(img, ptAt, imgMask, rgbText, rgbBack);
            QVERIFY2(strWrong.isEmpty(),
                     qPrintable(QString("char %1 %2").arg(int(nChar)).arg(strWrong)));
            nInk += imgMask != CoverageMask(nZoom, ' ');
            // Every colour drawn is one the GIF's table is made from.
            std::vector<QRgb> vColors;
            m_cache.InkColors(nChar, rgbText, vColors);
            for (int n = 0; n < img.width() * img.height(); ++n) {
                const QRgb rgb = img.pixel(n % img.width(), n / img.width());
                QVERIFY2(rgb == RGB_UNTOUCHED || std::find(vColors.begin(), vColors.end(), rgb) != vColors.end(),
                         qPrintable(QString("char %1 colour %2").arg(int(nChar)).arg(rgb, 8, 16)));
            }
        }
        QVERIFY(nInk >= strChars.size() - 1); // all but the space
    }

    // A colour per cell, far more character-and-colour pairs than any cache
    // of coloured glyphs would hold, drawn side by side and then checked.
    void everyCellKeepsItsOwnColour()
    {
        constexpr int COLS = 200;
        constexpr int ROWS = 100;
        const int nZoom = 1;
        const QSize szCell = CellSize(nZoom);
        const QRgb rgbBack = qRgb(250, 245, 240);
        m_cache.SetFont(CCellGeometry::ZoomFont(nZoom), szCell);
        m_cache.SetBackground(rgbBack);
        const auto charOf = [](int i) { return static_cast<uint8_t>(33 + i % 94); };
        const auto colourOf = [](int i) { return qRgb(i % 256, i / 256 * 3, i * 7 % 256); };
        const auto originOf = [&](int i) {
            return QPoint(i % COLS * szCell.width(), i / COLS * szCell.height());
        };
        QImage img(COLS * szCell.width(), ROWS * szCell.height(), QImage::Format_RGB32);
        for (int i = 0; i < COLS * ROWS; ++i)
            m_cache.Draw(img, originOf(i).x(), originOf(i).y(), charOf(i), colourOf(i));

        std::array<QImage, 94> vMasks;
        for (int i = 0; i < 94; ++i)
            vMasks[static_cast<size_t>(i)] = CoverageMask(nZoom, charOf(i));
        for (int i = 0; i < COLS * ROWS; ++i) {
            const QString strWrong = FirstMismatch(img.copy(QRect(originOf(i), szCell)), {0, 0},
                                                   vMasks[static_cast<size_t>(i % 94)], colourOf(i),
                                                   rgbBack);
            QVERIFY2(strWrong.isEmpty(), qPrintable(QString("cell %1 %2").arg(i).arg(strWrong)));
        }
    }
};

GW_CANVAS_TEST_MAIN(CGlyphCacheTest)
#include "glyph_cache_test.moc"
