// Every pair of the glyph mirror table against the canvas font: the partner's ink
// lies near the mirror image of the character's, nearer than any other glyph's
// (the character itself aside: "[" shares most ink with its own mirror).
// Score: sum(min) / sum(max) of the coverage masks. A faithful mirror half a
// pixel off scores 0.65 to 0.75, unrelated glyphs under 0.5 (measured over all
// byte pairs). Glyphs sit on a baseline, so the mirror may move along the flip
// by up to a sixth of the cell ('b' upside down is 'p' a few pixels higher).
#include "canvas/cell_geometry.h"
#include "canvas/glyph_cache.h"
#include "canvas_test_main.h"
#include "core/glyph_mirror.h"

#include <QObject>

#include <algorithm>
#include <vector>

namespace {
constexpr double MIN_OVERLAP = 0.6;

// One glyph's coverage, 0..1 per pixel, row by row.
struct CInk {
    int nW = 0;
    int nH = 0;
    std::vector<double> v;
    double fTotal = 0;
};

CInk Ink(CGlyphCache& cache, uint8_t ch)
{
    QImage img(cache.CellSize(), QImage::Format_RGB32);
    cache.Draw(img, 0, 0, ch, 0xFF000000u);
    CInk ink{img.width(), img.height(), {}, 0};
    for (int i = 0; i < ink.nW * ink.nH; ++i) {
        ink.v.push_back(1.0 - qGray(img.pixel(i % ink.nW, i / ink.nW)) / 255.0);
        ink.fTotal += ink.v.back();
    }
    return ink;
}

// The best overlap of b with a mirrored about the cell's centre and moved
// along the flip; ink moved out of the cell counts as missed.
double Overlap(const CInk& a, const CInk& b, EMirrorAxis nAxis)
{
    const bool bLeftRight = nAxis == EMirrorAxis::LeftRight;
    const int nReach = (bLeftRight ? a.nW : a.nH) / 6;
    double fBest = 0;
    for (int nShift = -nReach; nShift <= nReach; ++nShift) {
        double fMin = 0, fMax = 0, fKept = 0;
        for (int y = 0; y < b.nH; ++y) {
            for (int x = 0; x < b.nW; ++x) {
                const int xa = bLeftRight ? a.nW - 1 - x + nShift : x;
                const int ya = bLeftRight ? y : a.nH - 1 - y + nShift;
                const bool bIn = xa >= 0 && xa < a.nW && ya >= 0 && ya < a.nH;
                const double fa = bIn ? a.v[size_t(ya * a.nW + xa)] : 0.0;
                const double fb = b.v[size_t(y * b.nW + x)];
                fMin += std::min(fa, fb);
                fMax += std::max(fa, fb);
                fKept += fa;
            }
        }
        fMax += a.fTotal - fKept;
        fBest = std::max(fBest, fMax > 0 ? fMin / fMax : 0.0);
    }
    return fBest;
}
} // namespace

class CGlyphMirrorInkTest : public QObject {
    Q_OBJECT

private slots:
    void partnerIsTheNearestMirror_data()
    {
        QTest::addColumn<int>("nZoom");
        QTest::addColumn<int>("nAxis");
        QTest::addColumn<int>("nChar");
        // The view's zooms from the default up; the two smallest draw glyphs
        // a few pixels across, too coarse to tell a mirror from a neighbour.
        for (int nZoom = CCellGeometry::ZOOM_DEFAULT; nZoom <= CCellGeometry::ZOOM_MAX; ++nZoom) {
            for (EMirrorAxis nAxis : {EMirrorAxis::LeftRight, EMirrorAxis::TopBottom}) {
                for (int ch = 0; ch < 256; ++ch) {
                    if (MirrorGlyph(static_cast<uint8_t>(ch), nAxis) == ch)
                        continue;
                    const char* pszAxis = nAxis == EMirrorAxis::LeftRight ? "lr" : "tb";
                    QTest::addRow("zoom%d %s 0x%02X", nZoom, pszAxis, ch)
                        << nZoom << static_cast<int>(nAxis) << ch;
                }
            }
        }
    }

    void partnerIsTheNearestMirror()
    {
        QFETCH(int, nZoom);
        QFETCH(int, nAxis);
        QFETCH(int, nChar);
        const auto nMirror = static_cast<EMirrorAxis>(nAxis);
        CGlyphCache& cache = Cache(nZoom);
        const CInk ink = Ink(cache, static_cast<uint8_t>(nChar));
        const uint8_t chPartner = MirrorGlyph(static_cast<uint8_t>(nChar), nMirror);
        const double fPartner = Overlap(ink, Ink(cache, chPartner), nMirror);
        QVERIFY2(fPartner >= MIN_OVERLAP, qPrintable(QString("overlap %1").arg(fPartner)));
        for (int ch = 33; ch < 256; ++ch) {
            if (ch == chPartner || ch == nChar)
                continue;
            const double fOther = Overlap(ink, Ink(cache, static_cast<uint8_t>(ch)), nMirror);
            QVERIFY2(fOther < fPartner, qPrintable(QString("0x%1 nearer: %2 against %3")
                                                       .arg(ch, 2, 16)
                                                       .arg(fOther)
                                                       .arg(fPartner)));
        }
    }

private:
    CGlyphCache& Cache(int nZoom)
    {
        if (nZoom != m_nZoom) {
            CCellGeometry geom;
            geom.SetZoom(nZoom);
            geom.MeasureFont();
            m_cache.SetFont(CCellGeometry::ZoomFont(nZoom),
                            QSize(geom.CellWidth(), geom.CellHeight()));
            m_nZoom = nZoom;
        }
        return m_cache;
    }

    CGlyphCache m_cache;
    int m_nZoom = -1;
};

GW_CANVAS_TEST_MAIN(CGlyphMirrorInkTest)
#include "glyph_mirror_ink_test.moc"
