// Pre-rendered glyphs for the text layer. Each character is rendered once per
// zoom font as a per-channel coverage mask (white on black); a glyph in a
// given colour on the canvas background is blended from that mask once and
// then copied into the layer row by row, so a full redraw of the canvas costs
// a few memory copies per cell instead of a text layout per cell.
#pragma once

#include <QFont>
#include <QImage>
#include <QRgb>
#include <QSize>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

// The Unicode character a Windows-1252 byte stands for: 0x80 to 0x9F through
// the code page's table (its five unassigned bytes map to the C1 controls of
// the same number), Latin-1 for every other byte.
char16_t Cp1252ToUnicode(uint8_t ch);

class CGlyphCache {
public:
    // Forgets every glyph; cells are nCellW x nCellH pixels.
    void SetFont(const QFont& font, QSize szCell);
    // Forgets the coloured glyphs when the background changes.
    void SetBackground(QRgb rgbBack);
    QRgb Background() const { return m_rgbBack; }
    QSize CellSize() const { return m_szCell; }

    // Copies the glyph of byte ch in colour rgbText, on the background, into
    // img (Format_RGB32) with its top-left at (nX, nY), clipped to the image.
    void Draw(QImage& img, int nX, int nY, uint8_t ch, QRgb rgbText);

    int CachedGlyphCount() const { return static_cast<int>(m_mapColored.size()); }

private:
    const uint32_t* Coverage(uint8_t ch);
    const uint32_t* Colored(uint8_t ch, QRgb rgbText);

    QFont m_font;
    QSize m_szCell{1, 1};
    int m_nAscent = 0;
    QRgb m_rgbBack = 0xFFFFFFFFu;
    // Per byte: nCellW * nCellH coverage pixels (0x00RRGGBB, each channel 0..255), empty until rendered.
    std::vector<std::vector<uint32_t>> m_vCoverage;
    // (colour << 8 | byte) to pixels.
    std::unordered_map<uint64_t, std::unique_ptr<uint32_t[]>> m_mapColored;
};
