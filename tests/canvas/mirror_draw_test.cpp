// Mirror drawing through the real view with mouse and key events: strokes,
// the eraser, a shape and its preview, a fill and typing write both halves
// (cell by cell each the mirror image of the other) in one undo step, on odd
// and even widths and about an axis near the edge.
#include "canvas_test_main.h"
#include "core/glyph_mirror.h"
#include "tool_driver.h"

#include <QKeyEvent>
#include <QObject>

#include <string>

namespace {
constexpr int ROWS = 8;

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
            s += static_cast<char>(m_doc.GetCurCells()[i].chChar);
        return s;
    }
    // The first cell on the drawn side (before or on each axis) whose image
    // does not show its mirrored character, as text; empty when all match.
    // Only the drawn side: the glyph table's two flips need not commute, so
    // an image's own images may differ from the drawn cells. The cells stand
    // in a preview map instead when one is given.
    std::string Asymmetry(const CPreviewMap* pMap = nullptr)
    {
        const CMirror mirror(V().Drawing().Mirror(), m_doc.GetCols(), m_doc.GetRows());
        const auto at = [&](int c, int r) -> uint8_t {
            if (!pMap)
                return CharAt(m_doc, c, r);
            const auto it = pMap->find(PreviewKey(c, r));
            return it == pMap->end() ? ' ' : it->second;
        };
        for (int r = 0; r < m_doc.GetRows(); ++r) {
            for (int c = 0; c < m_doc.GetCols(); ++c) {
                const EMirrorMode nMode = V().Drawing().Mirror().nMode;
                if ((MirrorsLeftRight(nMode) && 2 * c + 1 > mirror.HalfCol()) ||
                    (MirrorsTopBottom(nMode) && 2 * r + 1 > mirror.HalfRow()))
                    continue;
                const CMirrorImages images = mirror.ImagesOf(c, r, at(c, r));
                for (int i = 0; i < images.nCount; ++i) {
                    const CMirrorImage& img = images.a[i];
                    if (at(img.nCol, img.nRow) != img.ch)
                        return std::to_string(c) + "," + std::to_string(r) + " -> " +
                               std::to_string(img.nCol) + "," + std::to_string(img.nRow);
                }
            }
        }
        return {};
    }
    void Type(const char* psz)
    {
        for (; *psz; ++psz) {
            QKeyEvent ev(QEvent::KeyPress, QChar(*psz).toUpper().unicode(), Qt::NoModifier,
                         QString(QChar(*psz)));
            QCoreApplication::sendEvent(&V(), &ev);
        }
    }
};

// Inked cells left of (or above) the centre and right of (or below) it.
std::pair<int, int> Halves(const CArtDoc& doc, bool bColumns)
{
    std::pair<int, int> n;
    const int nLimit = bColumns ? doc.GetCols() : doc.GetRows();
    for (const auto& [c, r] : Inked(doc)) {
        const int nAt = bColumns ? c : r;
        n.first += 2 * nAt + 1 < nLimit;
        n.second += 2 * nAt + 1 > nLimit;
    }
    return n;
}

constexpr CMirrorSettings LR{EMirrorMode::LeftRight};
constexpr CMirrorSettings TB{EMirrorMode::TopBottom};
constexpr CMirrorSettings FOUR{EMirrorMode::FourWay};
} // namespace

class CMirrorDrawTest : public QObject {
    Q_OBJECT

private slots:
    void strokesWriteBothHalvesInOneStep()
    {
        struct Row {
            const char* pszName;
            int nCols, nTool;
            CMirrorSettings mirror;
            bool bAuto;
            std::initializer_list<QPoint> cells;
        };
        const Row rows[] = {
            {"even width", 10, TOOL_FREEHAND_1, LR, false, {{0, 0}, {3, 3}, {4, 5}}},
            {"odd width", 9, TOOL_FREEHAND_1, LR, false, {{0, 0}, {3, 3}, {4, 5}}},
            {"brush 3 over the odd axis", 9, TOOL_FREEHAND_1 + 2, LR, false, {{1, 1}, {4, 4}}},
            {"top-bottom", 10, TOOL_FREEHAND_1, TB, false, {{0, 0}, {3, 2}}},
            {"four-way", 11, TOOL_FREEHAND_1 + 1, FOUR, false, {{1, 0}, {2, 2}, {0, 3}}},
            {"auto draw, four-way", 12, TOOL_FREEHAND_1, FOUR, true, {{0, 0}, {3, 2}, {5, 3}}},
        };
        for (const Row& row : rows) {
            CMirrorFixture fx(row.nCols, row.nTool, row.mirror);
            fx.V().Drawing().SetAutoDraw(row.bAuto);
            Drag(fx.V(), row.cells);
            QVERIFY2(fx.Asymmetry().empty(), (row.pszName + (": " + fx.Asymmetry())).c_str());
            const bool bColumns = row.mirror.nMode != EMirrorMode::TopBottom;
            const auto [nBefore, nAfter] = Halves(fx.m_doc, bColumns);
            QVERIFY2(nBefore > 0 && nBefore == nAfter, row.pszName);
            QVERIFY2(UndoAll(fx.m_doc) == 1 && Inked(fx.m_doc).empty(), row.pszName);
        }
    }

    void anAxisNearTheEdgeSkipsImagesOffTheCanvas()
    {
        // Through column 8 of 10: column 9 mirrors to 7, columns 0 .. 6 to
        // nothing.
        CMirrorFixture fx(10, TOOL_FREEHAND_1, {EMirrorMode::LeftRight, 17});
        Drag(fx.V(), {{2, 1}, {9, 1}});
        QCOMPARE(Inked(fx.m_doc), Square(2, 1, 9, 1));
        QVERIFY(fx.Asymmetry().empty());
        Drag(fx.V(), {{9, 3}, {9, 3}});
        QCOMPARE(CharAt(fx.m_doc, 7, 3), uint8_t('\\'));
        QCOMPARE(CharAt(fx.m_doc, 8, 3), uint8_t(' '));
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
                QVERIFY(Inked(fx.m_doc).empty());
                QVERIFY2(fx.Asymmetry(&map).empty(), fx.Asymmetry(&map).c_str());
                const size_t nPreview = map.size();
                ChooseTool(fx, TOOL_FREEHAND_1); // any tool command writes it
                QCOMPARE(Inked(fx.m_doc).size(), nPreview);
                QVERIFY2(fx.Asymmetry().empty(), fx.Asymmetry().c_str());
                const auto [nBefore, nAfter] = Halves(fx.m_doc, true);
                QVERIFY(nBefore > 0 && nBefore == nAfter);
                QCOMPARE(UndoAll(fx.m_doc), 1);
                QVERIFY(Inked(fx.m_doc).empty());
            }
        }
    }

    void aFillWritesItsRegionAndTheMirroredRegion()
    {
        // A box on the left only, drawn without a mirror; the fill inside it
        // also fills the box's mirror image, which holds no box.
        CMirrorFixture fx(11, TOOL_RECTANGLE, {});
        fx.V().SetLeftChar('#');
        Drag(fx.V(), {{0, 1}, {4, 5}});
        ChooseTool(fx, TOOL_FILL);
        fx.V().SetLeftChar('/');
        const std::string strBefore = fx.Cells();
        fx.V().SetMirror(LR);
        Click(fx.V(), 2, 3);
        QCOMPARE(CharAt(fx.m_doc, 2, 3), uint8_t('/'));
        QCOMPARE(CharAt(fx.m_doc, 8, 3), uint8_t('\\'));
        QCOMPARE(CharAt(fx.m_doc, 5, 3), uint8_t(' ')); // the axis lies outside the box
        QCOMPARE(CharAt(fx.m_doc, 10, 3), uint8_t(' '));
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
            fx.Type("b/(");
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
