// The onion skin read back from the view's composed picture: the earlier and
// later frames behind the current one in their tints, fading with distance,
// never over the current frame's characters, following edits and a reorder,
// and never in the thumbnail, a PNG export or print.
#include "canvas/frame_picture.h"
#include "canvas_test_main.h"
#include "view_fixture.h"

#include <QPainter>

#include <sstream>

namespace {

enum class EInk { None, Own, Earlier, Later };

// Four frames: two before the current one, the current one, one after.
// Cell 0: a character one frame before; 1: one frame after; 2: two frames
// before; 3: the current frame's own character over one a frame before.
struct COnionFixture : CViewFixture {
    COnionFixture() : CViewFixture(10, 20)
    {
        View().ToggleGrid(); // no grid lines in the cells read back
        m_vKeys.push_back(m_doc.GetFrames().begin()->first);
        Put(0, 2, 'X');
        for (int i = 1; i < 4; ++i) {
            m_vKeys.push_back(m_doc.InsertFrame(i));
            Show(m_vKeys.back());
            View().ClearCanvas();
        }
        Show(m_vKeys[1]);
        Put(1, 0, 'X');
        Put(1, 3, 'X');
        Show(m_vKeys[3]);
        Put(3, 1, 'X');
        Show(m_vKeys[2]);
        Put(2, 3, 'O');
    }
    void Put(int nFrame, int nCell, uint8_t ch)
    {
        Show(m_vKeys[size_t(nFrame)]);
        WriteCell(nCell, ch, CR_NEAR_BLACK);
        View().Refresh(CArtView::REFRESH_ALL);
    }
    // As the frame commands switch frames.
    void Show(int nKey)
    {
        m_doc.SelectFrame(nKey);
        View().SetCells(m_doc.GetCurCells());
        m_doc.RestIdleFrames();
        View().RebuildLayers();
        View().Refresh(CArtView::REFRESH_ALL);
    }
    void SetOnion(int nBefore, int nAfter)
    {
        View().SetOnionSettings(SOnionSettings{nBefore, nAfter, 0x2828D8, 0xD88828});
        View().SetOnionShown(true);
    }
    // What a cell of img shows against the view's text layer.
    EInk Ink(const QImage& img, int nCell)
    {
        const int nW = View().GetCellWidth();
        const int nH = View().GetCellHeight();
        const QPoint pt((nCell % m_doc.GetCols()) * nW, (nCell / m_doc.GetCols()) * nH);
        const QRgb rgbBack = ColorRefToRgb(View().GetBackColor());
        long nRed = 0, nBlue = 0, nInk = 0;
        bool bOwn = true;
        m_nDarkest = 255;
        for (int y = 0; y < nH; ++y)
            for (int x = 0; x < nW; ++x) {
                const QRgb rgb = img.pixel(pt.x() + x, pt.y() + y);
                bOwn = bOwn && rgb == View().TextLayer().pixel(pt.x() + x, pt.y() + y);
                if (rgb == rgbBack)
                    continue;
                ++nInk;
                nRed += qRed(rgb);
                nBlue += qBlue(rgb);
                m_nDarkest = std::min(m_nDarkest, qGreen(rgb));
            }
        if (nInk == 0)
            return EInk::None;
        if (bOwn && InkInCell(nCell % m_doc.GetCols(), nCell / m_doc.GetCols()) > 0)
            return EInk::Own;
        return nRed > nBlue ? EInk::Earlier : EInk::Later;
    }
    EInk Shown(int nCell) { return Ink(View().CompositionLayer(), nCell); }

    std::vector<int> m_vKeys;
    int m_nDarkest = 255; // of the last cell read: the green of its darkest ink
};

} // namespace

Q_DECLARE_METATYPE(EInk)

class COnionSkinTest : public QObject {
    Q_OBJECT

private slots:
    void neighboursBehind_data()
    {
        QTest::addColumn<int>("nBefore");
        QTest::addColumn<int>("nAfter");
        QTest::addColumn<int>("nCell");
        QTest::addColumn<EInk>("eInk");
        QTest::newRow("earlier, one away") << 2 << 1 << 0 << EInk::Earlier;
        QTest::newRow("later, one away") << 2 << 1 << 1 << EInk::Later;
        QTest::newRow("earlier, two away") << 2 << 1 << 2 << EInk::Earlier;
        QTest::newRow("the current character wins") << 2 << 1 << 3 << EInk::Own;
        QTest::newRow("beyond the count") << 1 << 0 << 2 << EInk::None;
        QTest::newRow("no later frames by default") << 1 << 0 << 1 << EInk::None;
        QTest::newRow("a blank everywhere") << 3 << 3 << 5 << EInk::None;
    }
    void neighboursBehind()
    {
        QFETCH(int, nBefore);
        QFETCH(int, nAfter);
        QFETCH(int, nCell);
        QFETCH(EInk, eInk);
        COnionFixture fx;
        QCOMPARE(fx.Shown(nCell),
                 nCell == 3 ? EInk::Own : EInk::None); // off: only the frame itself
        fx.SetOnion(nBefore, nAfter);
        QCOMPARE(fx.Shown(nCell), eInk);
        fx.View().SetOnionShown(false);
        QCOMPARE(fx.Shown(nCell), nCell == 3 ? EInk::Own : EInk::None);
    }

    // Fainter with distance; edits of the current frame cover and uncover the
    // skin cell by cell; a reorder brings other neighbours.
    void fadesAndFollowsEditsAndOrder()
    {
        COnionFixture fx;
        fx.SetOnion(2, 0);
        QCOMPARE(fx.Shown(0), EInk::Earlier);
        const int nNear = fx.m_nDarkest;
        QCOMPARE(fx.Shown(2), EInk::Earlier);
        QVERIFY2(fx.m_nDarkest > nNear, "two frames away is fainter than one");
        CArtView& view = fx.View();
        const auto edit = [&](uint8_t ch) {
            QVERIFY(view.BeginEdit());
            view.WriteCell(0, 0, ch, CR_NEAR_BLACK);
            view.EndEdit();
            view.Refresh(CArtView::REFRESH_VISIBLE);
        };
        edit('Q');
        QCOMPARE(fx.Shown(0), EInk::Own);
        edit(' ');
        QCOMPARE(fx.Shown(0), EInk::Earlier);
        // The frame before goes to the end: the first frame is now just before.
        QVERIFY(fx.m_doc.MoveFrame(1, 3));
        view.OnFramesReordered();
        QCOMPARE(fx.Shown(0), EInk::None);
        QCOMPARE(fx.Shown(2), EInk::Earlier);
    }

    // The skin is a drawing aid: pictures of the frame never show it, and
    // paused (playback) it leaves the canvas.
    void neverOutsideTheCanvas()
    {
        COnionFixture fx;
        CArtView& view = fx.View();
        const QImage imgThumb = view.MakeThumbnail();
        fx.SetOnion(1, 1);
        QCOMPARE(fx.Shown(0), EInk::Earlier);
        QCOMPARE(view.MakeThumbnail(), imgThumb);

        std::ostringstream os;
        QVERIFY(WriteFramePng(os, fx.m_doc.GetCurCells(), fx.m_doc.GetRows(), fx.m_doc.GetCols(),
                              view.GetZoom(), view.GetBackColor(), nullptr));
        const std::string strPng = os.str();
        const QImage imgPng = QImage::fromData(reinterpret_cast<const uchar*>(strPng.data()),
                                               static_cast<int>(strPng.size()), "PNG");
        QCOMPARE(imgPng.size(), view.CompositionLayer().size());
        QCOMPARE(fx.Ink(imgPng, 0), EInk::None);
        QCOMPARE(fx.Ink(imgPng, 3), EInk::Own);

        QImage imgPrint(view.CompositionLayer().size(), QImage::Format_RGB32);
        {
            QPainter painter(&imgPrint);
            view.OnPrint(painter, imgPrint.rect());
        }
        QCOMPARE(fx.Ink(imgPrint, 0), EInk::None);
        QCOMPARE(fx.Shown(0), EInk::Earlier); // back on the canvas after printing

        QVERIFY(!view.PauseOnion(true));
        QCOMPARE(fx.Shown(0), EInk::None);
        QVERIFY(view.PauseOnion(false));
        QCOMPARE(fx.Shown(0), EInk::Earlier);
    }
};

GW_CANVAS_TEST_MAIN(COnionSkinTest)
#include "onion_skin_test.moc"
