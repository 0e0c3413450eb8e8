#include "canvas/onion_skin.h"

#include "canvas/canvas_color.h"
#include "canvas/cell_geometry.h"
#include "canvas/glyph_cache.h"
#include "canvas/view_layers.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsBlank(uint8_t ch)
{
    return ch == ' ' || ch == 0;
}

} // namespace

SOnionSettings SOnionSettings::Clamped() const
{
    SOnionSettings s = *this;
    s.nBefore = std::clamp(nBefore, 0, MAX_FRAMES);
    s.nAfter = std::clamp(nAfter, 0, MAX_FRAMES);
    s.crBefore = DrawingColor(crBefore);
    s.crAfter = DrawingColor(crAfter);
    return s;
}

COLORREF OnionTint(COLORREF crTint, COLORREF crBack, int nDistance)
{
    // Weights of the tint for one, two and three frames away: the nearest
    // frame reads clearly, the farthest is a hint.
    static constexpr int WEIGHT[] = {60, 38, 22};
    const int nWeight = WEIGHT[std::clamp(nDistance, 1, 3) - 1];
    COLORREF cr = 0;
    for (int nShift = 0; nShift < 24; nShift += 8) {
        const int nTint = static_cast<int>((crTint >> nShift) & 0xFF);
        const int nBack = static_cast<int>((crBack >> nShift) & 0xFF);
        cr |= static_cast<COLORREF>(nBack + (nTint - nBack) * nWeight / 100) << nShift;
    }
    return DrawingColor(cr);
}

void COnionSkin::SetSettings(const SOnionSettings& settings)
{
    m_settings = settings.Clamped();
    MarkAll();
}

void COnionSkin::SetNeighbours(std::vector<const CharCell*> vBefore,
                               std::vector<const CharCell*> vAfter)
{
    std::erase(vBefore, nullptr);
    std::erase(vAfter, nullptr);
    m_vBefore = std::move(vBefore);
    m_vAfter = std::move(vAfter);
    MarkAll();
}

void COnionSkin::MarkAll()
{
    std::fill(m_vStale.begin(), m_vStale.end(), uint8_t{1});
    m_nStale = m_vStale.size();
}

const QImage& COnionSkin::Compose(const QImage& imgText, const CharCell* pCur,
                                  const CCellGeometry& geom, CGlyphCache& glyphs, COLORREF crBack,
                                  const QRect& rcPart)
{
    const size_t nCells = static_cast<size_t>(geom.Rows()) * static_cast<size_t>(geom.Cols());
    if (m_imgBase.size() != imgText.size() || m_vStale.size() != nCells) {
        m_imgBase = QImage(imgText.size(), QImage::Format_RGB32);
        m_vStale.assign(nCells, 1);
        m_nStale = nCells;
    }
    if (m_nStale == 0 || !pCur || geom.CellWidth() <= 0 || geom.CellHeight() <= 0)
        return m_imgBase;
    const QRect rc = rcPart.intersected(QRect(QPoint(0, 0), geom.CanvasSize()));
    if (rc.isEmpty())
        return m_imgBase;
    glyphs.SetBackground(ColorRefToRgb(crBack));
    const int nCol0 = rc.left() / geom.CellWidth();
    const int nCol1 = std::min(rc.right() / geom.CellWidth(), geom.Cols() - 1);
    const int nRow0 = rc.top() / geom.CellHeight();
    const int nRow1 = std::min(rc.bottom() / geom.CellHeight(), geom.Rows() - 1);
    for (int nRow = nRow0; nRow <= nRow1 && m_nStale != 0; ++nRow) {
        for (int nCol = nCol0; nCol <= nCol1; ++nCol) {
            const int nIndex = nRow * geom.Cols() + nCol;
            if (!m_vStale[size_t(nIndex)])
                continue;
            DrawCell(imgText, pCur, geom, glyphs, crBack, nIndex);
            m_vStale[size_t(nIndex)] = 0;
            --m_nStale;
        }
    }
    return m_imgBase;
}

void COnionSkin::DrawCell(const QImage& imgText, const CharCell* pCur, const CCellGeometry& geom,
                          CGlyphCache& glyphs, COLORREF crBack, int nIndex)
{
    const QPoint pt = geom.CellOriginAt(nIndex);
    if (IsBlank(pCur[nIndex].chChar)) {
        // One character a cell: the nearest frame that has one there, the
        // earlier frame first at equal distance.
        const size_t nFar = std::max(m_vBefore.size(), m_vAfter.size());
        for (size_t d = 0; d < nFar; ++d) {
            for (int nSide = 0; nSide < 2; ++nSide) {
                const auto& vSide = nSide == 0 ? m_vBefore : m_vAfter;
                if (d >= vSide.size() || IsBlank(vSide[d][nIndex].chChar))
                    continue;
                const COLORREF crTint = nSide == 0 ? m_settings.crBefore : m_settings.crAfter;
                glyphs.Draw(m_imgBase, pt.x(), pt.y(), vSide[d][nIndex].chChar,
                            ColorRefToRgb(OnionTint(crTint, crBack, static_cast<int>(d) + 1)));
                return;
            }
        }
    }
    // A character of the current frame, or nothing behind a blank: the text
    // layer's own pixels.
    CopyImageRect(m_imgBase, pt, imgText, QRect(pt, QSize(geom.CellWidth(), geom.CellHeight())));
}
