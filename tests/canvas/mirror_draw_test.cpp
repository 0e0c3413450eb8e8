// Mirror drawing through the view: strokes, the eraser, shapes and their
// preview, a fill and typing write both halves, each in one undo step.
#include "canvas_test_main.h"
#include "core/glyph_mirror.h"
#include "tool_driver.h"

#include <QKeyEvent>
#include <QObject>

#include <string>

namespace {
constexpr int ROWS = 8;
constexpr CMirrorSettings LR{EMirrorMode::LeftRight}, TB{EMirrorMode::TopBottom},
    FOUR{EMirrorMode::FourWay};

struct CMirrorFixture : CViewFixture {
    CMirrorFixture(int nCols, int nTool, const CMirrorSettings& mirror)
        : CViewFixture(ROWS, nCols, {900, 700})
    {
        m_pView->SetLeftChar('/');
        ChooseTool(*this, nTool);
        m_pView->SetMirror(mirror);
    }
    CArtView& V() { return *m_pView; }
    std::string Cells() const
    {
        std::string s;
        for (int i = 0; i < m_doc.GetRows() * m_doc.GetCols(); ++i)
            s += char(m_doc.GetCurCells()[i].chChar);
        return s;
    }
    // The first drawn-side cell whose image (blank ones too) lacks its mirrored
    // character, or empty: only the drawn side, as the glyph table's two flips
    // need not commute. pMap stands in for the cells when given.
    std::string Asymmetry(const CPreviewMap* pMap = nullptr)
    {
        const CMirrorSettings& settings = V().Drawing().Mirror();
        const CMirror mirror(settings, m_doc.GetCols(), m_doc.GetRows());
        const auto at = [&](int c, int r) -> uint8_t {
            if (!pMap)
                return CharAt(m_doc, c, r);
            const auto it = pMap->find(PreviewKey(c, r));
            return it == pMap->end() ? ' ' : it->second;
        };
        for (int r = 0; r < m_doc.GetRows(); ++r) {
            for (int c = 0; c < m_doc.GetCols(); ++c) {
                if ((MirrorsLeftRight(settings.nMode) && 2 * c + 1 > mirror.HalfCol()) ||
                    (MirrorsTopBottom(settings.nMode) && 2 * r + 1 > mirror.HalfRow()))
                    continue;
                const CMirrorImages images = mirror.ImagesOf(c, r, at(c, r));
                for (int i = 0; i < images.nCount; ++i)
                    if (at(images.a[i].nCol, images.a[i].nRow) != images.a[i].ch)
                        return std::to_string(c) + "," + std::to_string(r);
            }
        }
        return {};
    }
};
} // namespace

class CMirrorDrawTest : public QObject {
    Q_OBJECT

private slots:
    void strokesWriteBothHalvesInOneStep()
    {
        const struct {
            const char* pszName;
            int nCols, nTool;
            CMirrorSettings mirror;
            bool bAuto;
            std::initializer_list<QPoint> cells;
        } rows[] = {
            {"even width", 10, TOOL_FREEHAND_1, LR, false, {{0, 0}, {3, 3}, {4, 5}}},
            {"odd width", 9, TOOL_FREEHAND_1, LR, false, {{0, 0}, {3, 3}, {4, 5}}},
            {"brush 3 over the odd axis", 9, TOOL_FREEHAND_1 + 2, LR, false, {{1, 1}, {4, 4}}},
            {"top-bottom", 10, TOOL_FREEHAND_1, TB, false, {{0, 0}, {3, 2}}},
            {"four-way", 11, TOOL_FREEHAND_1 + 1, FOUR, false, {{1, 0}, {2, 2}, {0, 3}}},
            {"auto draw, four-way", 12, TOOL_FREEHAND_1, FOUR, true, {{0, 0}, {3, 2}, {5, 3}}},
        };
        for (const auto& row : rows) {
            CMirrorFixture fx(row.nCols, row.nTool, row.mirror);
            fx.V().Drawing().SetAutoDraw(row.bAuto);
            Drag(fx.V(), row.cells);
            QVERIFY2(fx.Asymmetry().empty(), (row.pszName + (": " + fx.Asymmetry())).c_str());
            QVERIFY2(!Inked(fx.m_doc).empty(), row.pszName);
            QVERIFY2(UndoAll(fx.m_doc) == 1 && Inked(fx.m_doc).empty(), row.pszName);
        }
    }

    void anAxisNearTheEdgeSkipsImagesOffTheCanvas()
    {
        // Through column 8 of 10: column 9 mirrors to 7, columns 0 .. 6 to nothing.
        CMirrorFixture fx(10, TOOL_FREEHAND_1, {EMirrorMode::LeftRight, 17});
        Drag(fx.V(), {{2, 1}, {9, 1}});
        QCOMPARE(Inked(fx.m_doc), Square(2, 1, 9, 1));
        QVERIFY(fx.Asymmetry().empty());
        Click(fx.V(), 9, 3);
        QCOMPARE(fx.Cells().substr(30, 10), std::string("       \\ /"));
    }

    void theEraserClearsBothHalves()
    {
        CMirrorFixture fx(10, TOOL_FREEHAND_1 + 2, LR);
        Drag(fx.V(), {{1, 2}, {1, 5}});
        const std::string strDrawn = fx.Cells();
        ChooseTool(fx, TOOL_ERASE);
        fx.V().Drawing().SetBrushWidth(3);
        Drag(fx.V(), {{1, 2}, {1, 5}});
        QVERIFY(Inked(fx.m_doc).empty());
        fx.m_doc.OnEditUndo();
        QCOMPARE(fx.Cells(), strDrawn);
    }

    void aShapePreviewsAndWritesBothHalves()
    {
        for (const int nTool : {TOOL_LINE, TOOL_RECTANGLE, TOOL_ELLIPSE}) {
            for (const int nCols : {15, 16}) {
                CMirrorFixture fx(nCols, nTool, FOUR);
                Drag(fx.V(), {{1, 1}, {3, 2}, {5, 3}});
                const CPreviewMap& map = fx.V().Shapes().m_mapPreview;
                QVERIFY(Inked(fx.m_doc).empty() && !map.empty());
                QVERIFY2(fx.Asymmetry(&map).empty(), fx.Asymmetry(&map).c_str());
                const size_t nPreview = map.size();
                ChooseTool(fx, TOOL_FREEHAND_1); // any tool command writes it
                QCOMPARE(Inked(fx.m_doc).size(), nPreview);
                QVERIFY2(fx.Asymmetry().empty(), fx.Asymmetry().c_str());
                QVERIFY(UndoAll(fx.m_doc) == 1 && Inked(fx.m_doc).empty());
            }
        }
    }

    void aFillWritesItsRegionAndTheMirroredRegion()
    {
        // A box on the left only, drawn unmirrored; the fill also fills its
        // mirror image, which holds no box, and stops at the box.
        CMirrorFixture fx(11, TOOL_RECTANGLE, {});
        fx.V().SetLeftChar('#');
        Drag(fx.V(), {{0, 1}, {4, 5}});
        ChooseTool(fx, TOOL_FILL);
        fx.V().SetLeftChar('/');
        const std::string strBefore = fx.Cells();
        fx.V().SetMirror(LR);
        Click(fx.V(), 2, 3);
        QCOMPARE(fx.Cells().substr(33, 11), std::string("#//#    \\\\ ")); // row 3
        fx.m_doc.OnEditUndo();
        QCOMPARE(fx.Cells(), strBefore);
    }

    void theAxisIsDrawnOverTheCanvas()
    {
        CMirrorFixture fx(10, TOOL_FREEHAND_1, {});
        const auto guideAt = [&](int nX) {
            const QImage img = fx.V().viewport()->grab().toImage();
            for (int y = 0; y < fx.V().GetCanvasHeight(); ++y)
                if (img.pixel(nX, y) == 0xFFFF00FFu)
                    return true;
            return false;
        };
        const int nW = fx.V().GetCellWidth();
        QVERIFY(!guideAt(5 * nW));
        fx.V().SetMirror(LR); // between columns 4 and 5
        QVERIFY(guideAt(5 * nW));
        fx.V().SetMirror({EMirrorMode::LeftRight, 3}); // through the middle of column 1
        QVERIFY(guideAt(3 * nW / 2) && !guideAt(5 * nW));
    }

    void typingWritesTheMirroredCharacters()
    {
        for (const int nCols : {9, 10}) {
            CMirrorFixture fx(nCols, TOOL_TYPE, FOUR);
            Click(fx.V(), 1, 1);
            for (const char ch : {'b', '/', '('}) {
                QKeyEvent ev(QEvent::KeyPress, QChar(ch).toUpper().unicode(), Qt::NoModifier,
                             QString(QChar(ch)));
                QCoreApplication::sendEvent(&fx.V(), &ev);
            }
            QVERIFY2(fx.Asymmetry().empty(), fx.Asymmetry().c_str());
            const int nR = nCols - 2;
            QCOMPARE(CharAt(fx.m_doc, nR, 1), uint8_t('d'));
            QCOMPARE(CharAt(fx.m_doc, 1, ROWS - 2), uint8_t('p'));
            QCOMPARE(CharAt(fx.m_doc, nR, ROWS - 2), uint8_t('q'));
            QCOMPARE(CharAt(fx.m_doc, nR - 2, ROWS - 2), uint8_t(')'));
            QCOMPARE(Inked(fx.m_doc).size(), size_t(12));
            QCOMPARE(UndoAll(fx.m_doc), 3); // a step per key, each both halves
            QVERIFY(Inked(fx.m_doc).empty());
        }
    }
};

GW_CANVAS_TEST_MAIN(CMirrorDrawTest)
#include "mirror_draw_test.moc"
