#include "canvas/anim_colors.h"

#include "canvas/canvas_color.h"
#include "canvas/frame_picture.h"
#include "core/html_export.h"

#include <array>
#include <unordered_set>

bool CollectAnimColors(IAnimFrameSource& frames, CFramePicture& picture, size_t nMax,
                       std::vector<QRgb>& vColors, std::string* pError)
{
    vColors.assign(1, picture.Background() | 0xFF000000u);
    std::unordered_set<QRgb> setColors(vColors.begin(), vColors.end());
    // A pair is the character over the 24-bit colour. Most cells repeat the
    // colour their character had last, which is checked before the set.
    std::array<uint32_t, 256> aLast;
    aLast.fill(0xFFFFFFFFu);
    std::unordered_set<uint32_t> setPairs;
    std::vector<QRgb> vShades;
    const size_t nCells = static_cast<size_t>(frames.GetRows()) * static_cast<size_t>(frames.GetCols());
    for (int f = 0; f < frames.GetFrameCount(); ++f) {
        const CharCell* pCells = frames.GetFrame(f);
        if (!pCells) {
            if (pError)
                *pError = "frame " + std::to_string(f + 1) + " cannot be read";
            return false;
        }
        for (size_t i = 0; i < nCells; ++i) {
            const uint8_t ch = pCells[i].chChar;
            const uint32_t cr = pCells[i].crColor & 0xFFFFFFu;
            if (aLast[ch] == cr)
                continue;
            aLast[ch] = cr;
            if (!setPairs.insert(uint32_t(ch) << 24 | cr).second)
                continue;
            vShades.clear();
            picture.CellColors(ch, cr, vShades);
            for (const QRgb rgb : vShades) {
                if (!setColors.insert(rgb).second)
                    continue;
                vColors.push_back(rgb);
                if (vColors.size() > nMax)
                    return true;
            }
        }
    }
    return true;
}

const std::vector<QRgb>& CTextColors::Of(const CharCell* pCells, size_t nCells)
{
    m_vColors.clear();
    std::unordered_set<QRgb> setSeen;
    QRgb rgbLast = 0;
    for (size_t i = 0; i < nCells && m_vColors.size() <= m_nMax; ++i) {
        const uint8_t ch = pCells[i].chChar;
        if (m_aInk[ch] < 0) {
            // A blank glyph's only shade is the background.
            m_vShades.clear();
            m_picture.CellColors(ch, 0, m_vShades);
            m_aInk[ch] = m_vShades.size() > 1 ? 1 : 0;
        }
        const QRgb rgb = ColorRefToRgb(pCells[i].crColor);
        if (m_aInk[ch] && rgb != rgbLast && setSeen.insert(rgb).second)
            m_vColors.push_back(rgb);
        rgbLast = m_aInk[ch] ? rgb : rgbLast;
    }
    return m_vColors;
}
