// Glyph shapes for the text layer. Each character is rendered once per zoom
// font as a per-channel coverage mask (white on black) and kept as rows: the
// background on either side of the row's ink, the coverage between. A glyph
// is coloured as it is drawn (constant fills for the background, a vector
// blend of text colour and background over the ink), so a redraw costs the
// same whether the drawing uses one colour or a different one in every cell.
#pragma once

#include "core/terminal_export.h"

#include <QFont>
#include <QImage>
#include <QRgb>
#include <QSize>

#include <cstdint>
#include <memory>
#include <vector>

// Cp1252ToUnicode, the character a byte stands for, comes from the core,
// which the terminal exports share. This is the other way: the Windows-1252
// byte of a Unicode character, chMissing when the code page has none.
uint8_t UnicodeToCp1252(char16_t ch, uint8_t chMissing);

class CGlyphCache {
public:
    CGlyphCache();
    ~CGlyphCache();

    // Cells are szCell pixels. The shapes of earlier fonts and sizes are
    // kept, so zooming back does not render them again.
    void SetFont(const QFont& font, QSize szCell);
    void SetBackground(QRgb rgbBack);
    QRgb Background() const { return m_rgbBack; }
    QSize CellSize() const { return m_szCell; }

    // The pixels of a Format_RGB32 image, looked up once for many glyphs.
    struct CTarget {
        explicit CTarget(QImage& img)
            : pBits(img.bits()), nStride(img.bytesPerLine()), nWidth(img.width()),
              nHeight(img.height())
        {
        }
        uchar* pBits;
        qsizetype nStride;
        int nWidth;
        int nHeight;
    };

    // Draws the glyph of byte ch in colour rgbText, on the background, with
    // its top-left at (nX, nY), clipped to the image.
    void Draw(const CTarget& target, int nX, int nY, uint8_t ch, QRgb rgbText);
    void Draw(QImage& img, int nX, int nY, uint8_t ch, QRgb rgbText)
    {
        Draw(CTarget(img), nX, nY, ch, rgbText);
    }

    // Appends every colour Draw can give the glyph of ch in rgbText, the
    // background included (a colour may come more than once).
    void InkColors(uint8_t ch, QRgb rgbText, std::vector<QRgb>& vColors);

    // Glyph shapes rendered for the current font.
    int CachedGlyphCount() const;

private:
    struct CShape;
    struct CFontShapes;

    const CShape& Shape(uint8_t ch);

    QSize m_szCell{1, 1};
    QRgb m_rgbBack = 0xFFFFFFFFu;
    CFontShapes* m_pFont = nullptr; // one of m_vFonts
    std::vector<std::unique_ptr<CFontShapes>> m_vFonts;
};
