// The rulers and their splitter around a real canvas view: ticks and numbers at
// two zooms on both axes, short canvases and scales too small for a tick, which
// ruler a scroll rebuilds, the mouse line, and the splitter's fixed layout.
#include "canvas/art_view.h"
#include "canvas/ruler_corner_view.h"
#include "canvas/ruler_splitter.h"
#include "canvas/ruler_view.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/view_host.h"
#include "canvas_test_main.h"
#include "core/art_doc.h"

#include <QMouseEvent>

namespace {
constexpr QRgb RGB_BACK = 0xFFE3E3E3;
constexpr QRgb RGB_INK = 0xFF000000;

// A 40 x 60 drawing in a shown 417 x 317 splitter (rulers 400 and 300 long); as the view's
// host the fixture passes the rulers' messages on to the splitter, until it closes.
struct CRulerFixture : IViewHost {
    explicit CRulerFixture(bool bInitialUpdate = true)
    {
        m_doc.SetCanvasSize(40, 60);
        m_doc.OnNewDocument();
        m_split.SetCanvasView(m_pView = new CArtView(m_doc, this));
        RegisterStandardTools(*m_pView);
        m_split.resize(417, 317);
        m_split.show();
        QCoreApplication::processEvents();
        if (bInitialUpdate)
            m_pView->OnInitialUpdate();
    }
    ~CRulerFixture() override { m_bClosing = true; }
    void UpdateRulers(ERulerUpdate nMode, const CRulerState& state) override
    {
        if (!m_bClosing)
            m_split.UpdateRulers(nMode, state);
    }
    void ShowRulers() override { m_split.ShowRulers(); }
    CRulerView& Ruler(bool bHorz) { return bHorz ? *m_split.HorzRuler() : *m_split.VertRuler(); }
    void Update(int nMode, int nMouseX, int nMouseY, int nCells = 60, double dScale = 1.0)
    {
        m_split.UpdateRulers(nMode,
                             {0, 0, nMouseX, nMouseY, nCells * m_pView->GetCellWidth(),
                              nCells * m_pView->GetCellHeight()},
                             dScale);
    }

    bool m_bClosing = false;
    CArtDoc m_doc;
    CRulerSplitter m_split;
    CArtView* m_pView = nullptr; // owned by the splitter
};

// Pixel at distance nAlong along the ruler and nAcross across it.
QRgb At(const QImage& img, bool bHorz, int nAlong, int nAcross)
{
    return bHorz ? img.pixel(nAlong, nAcross) : img.pixel(nAcross, nAlong);
}

// Ink in rows (columns) 0..9 from nFrom up to nTo along the ruler.
bool InkBetween(const QImage& img, bool bHorz, int nFrom, int nTo)
{
    for (int a = std::max(0, nFrom); a < std::min(nTo, bHorz ? img.width() : img.height()); ++a)
        for (int c = 0; c < 10; ++c)
            if (At(img, bHorz, a, c) != RGB_BACK)
                return true;
    return false;
}
} // namespace

class CRulerViewTest : public QObject {
    Q_OBJECT

private slots:
    void ticksFollowTheZoom()
    {
        // Horizontal at the default and largest zoom, vertical at the smallest and largest.
        const std::pair<bool, int> cases[] = {{true, 0}, {true, 2}, {false, -2}, {false, 2}};
        for (const auto& [bHorz, nZoomSteps] : cases) {
            CRulerFixture fx;
            // The zoom reaches the ruler through the view's own layout message.
            for (int i = 0; i < std::abs(nZoomSteps); ++i)
                nZoomSteps > 0 ? fx.m_pView->ZoomIn() : fx.m_pView->ZoomOut();
            const QImage& img = fx.Ruler(bHorz).Picture();
            const CArtView& view = *fx.m_pView;
            const int nCell = bHorz ? view.GetCellWidth() : view.GetCellHeight();
            const int nLength = bHorz ? img.width() : img.height();
            const int nExtent = bHorz ? view.GetCanvasWidth() : view.GetCanvasHeight();
            QCOMPARE(img.size(), fx.Ruler(bHorz).size());
            for (int k = 1; k * nCell - 2 < nLength && k * nCell <= nExtent; ++k) {
                const int p = k * nCell - 2;
                const int nTallest = k % 10 == 0 ? 0 : k % 2 == 0 ? 10 : 12;
                for (int c = nTallest; c < 16; ++c)
                    QCOMPARE(At(img, bHorz, p, c), RGB_INK);
                if (k % 10 >= 3 && k % 10 <= 7)
                    QCOMPARE(At(img, bHorz, p, nTallest - 1), RGB_BACK);
                for (int a = p + 1; a < std::min(p + nCell, nLength); ++a)
                    QCOMPARE(At(img, bHorz, a, 14), RGB_BACK);
            }
            // "10" ends at its tick, 2 pixels before the border of cells 10 and 11; vertically
            // this also says the number reads upwards from its tick.
            const int p10 = 10 * nCell - 2;
            QVERIFY(!InkBetween(img, bHorz, 0, p10 - 20));
            QVERIFY(InkBetween(img, bHorz, p10 - 4, p10));
            QVERIFY(!InkBetween(img, bHorz, p10 + 1, p10 + nCell));
        }
    }

    void shortCanvasesAndTinyScales()
    {
        // Rows 0..nTallest-1 stay blank and nTicks ticks reach the bottom row: 9 cells have no
        // numbers, 1 cell only a cell tick, and no cells, ticks under a pixel apart or a
        // negative scale draw nothing.
        const struct { int nCells; double dScale; int nTallest, nTicks; } cases[] = {
            {9, 1, 10, 9}, {1, 1, 12, 1}, {0, 1, 16, 0}, {60, 0.01, 16, 0}, {60, -1, 16, 0}};
        for (const auto& [nCells, dScale, nTallest, nTicks] : cases) {
            CRulerFixture fx;
            fx.Update(CRulerView::MODE_LAYOUT, 0, 0, nCells, dScale);
            const QImage& img = fx.Ruler(true).Picture();
            int nInk = 0;
            for (int x = 0; x < img.width(); ++x) {
                for (int y = 0; y < nTallest; ++y)
                    QCOMPARE(img.pixel(x, y), RGB_BACK);
                nInk += img.pixel(x, 15) == RGB_INK;
            }
            QCOMPARE(nInk, nTicks);
        }
    }

    void aScrollRebuildsOnlyItsOwnRuler()
    {
        CRulerFixture fx;
        const int nCellW = fx.m_pView->GetCellWidth();
        const qint64 nVertKey = fx.Ruler(false).Picture().cacheKey();
        const qint64 nHorzKey = fx.Ruler(true).Picture().cacheKey();
        fx.m_pView->ScrollTo(5 * nCellW, 0);
        QCOMPARE(fx.Ruler(false).Picture().cacheKey(), nVertKey);
        QVERIFY(fx.Ruler(true).Picture().cacheKey() != nHorzKey);
        // The full line of cell 10 is now 5 cells to the left.
        QCOMPARE(fx.Ruler(true).Picture().pixel(5 * nCellW - 2, 2), RGB_INK);
    }

    void theMouseLineMovesAndErasesItsTrail()
    {
        CRulerFixture fx;
        // True when line nAt of the ruler on screen is all ink.
        const auto lineAt = [&fx](bool bHorz, int nAt) {
            const QImage img =
                fx.Ruler(bHorz).grab().toImage().convertToFormat(QImage::Format_RGB32);
            for (int c = 0; c < 16; ++c)
                if (At(img, bHorz, nAt, c) != RGB_INK)
                    return false;
            return true;
        };
        fx.Update(CRulerView::MODE_MOUSE, 51, 41);
        QVERIFY(lineAt(true, 51) && lineAt(false, 41));
        fx.Update(CRulerView::MODE_MOUSE, 69, 41); // the vertical ruler's line stays
        QVERIFY(!lineAt(true, 51) && lineAt(true, 69) && lineAt(false, 41));
        // Off the canvas the line does not move.
        const int nBeyond = 60 * (fx.m_pView->GetCellWidth() + fx.m_pView->GetCellHeight());
        fx.Update(CRulerView::MODE_MOUSE, nBeyond, nBeyond);
        QVERIFY(lineAt(true, 69) && lineAt(false, 41));
        fx.Update(CRulerView::MODE_LAYOUT, 0, 0); // a rebuild takes the lines away...
        QVERIFY(!lineAt(true, 69) && !lineAt(false, 41));
        fx.Update(CRulerView::MODE_MOUSE, 69, 41); // ...and the same position brings them back
        QVERIFY(lineAt(true, 69) && lineAt(false, 41));
    }

    void theSplitterKeepsItsLayout()
    {
        CRulerFixture fx(false);
        CRulerSplitter& split = fx.m_split;
        QCOMPARE(split.RulerThickness(), 0);
        QCOMPARE(fx.m_pView->geometry(), QRect(0, 0, 417, 317));
        QVERIFY(!split.HorzRuler()->isVisible() && !split.VertRuler()->isVisible());
        fx.m_pView->OnInitialUpdate(); // shows the rulers
        QCOMPARE(split.RulerThickness(), 16);
        const auto panes = [&] {
            return QList<QRect>{split.Corner()->geometry(), split.HorzRuler()->geometry(),
                                split.VertRuler()->geometry(), fx.m_pView->geometry()};
        };
        const QList<QRect> vExpected{QRect(0, 0, 16, 16), QRect(17, 0, 400, 16),
                                     QRect(0, 17, 16, 300), QRect(17, 17, 400, 300)};
        QCOMPARE(panes(), vExpected);
        QCOMPARE(split.grab().toImage().pixel(16, 100) & 0xFFFFFF, 0x5B5B5Bu);
        // Dragging a bar moves nothing.
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseMove}) {
            const QPointF pt(type == QEvent::MouseMove ? 60 : 16, 100);
            QMouseEvent ev(type, pt, split.mapToGlobal(pt), Qt::LeftButton, Qt::LeftButton, {});
            QCoreApplication::sendEvent(&split, &ev);
        }
        QCOMPARE(panes(), vExpected);
    }
};

GW_CANVAS_TEST_MAIN(CRulerViewTest)
#include "ruler_view_test.moc"
