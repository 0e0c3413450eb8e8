// Pictures turned into characters: a colour matrix for brightness, contrast
// and saturation, and the block sampling that cuts a picture into one block
// per cell, picks each cell's character from its grey level on a ramp and
// its colour from the block's average. Plain bytes in (8-bit RGBA rows),
// cells out through ICellWriter; decoding is the caller's business.
#pragma once

#include "core/cell_algorithms.h"
#include "core/char_cell.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// A 5 x 5 colour matrix: a colour is the row vector (R, G, B, A, 1) with
// components in 0..1, and the new colour is that vector times the matrix,
// each component clamped to 0..1.
struct CColorMatrix {
    std::array<std::array<float, 5>, 5> m{};
};

// Brightness is clamped to -1..1, a negative contrast or saturation taken as 0.
CColorMatrix BuildColorMatrix(float fBrightness, float fContrast, float fSaturation);

// nPixels RGBA pixels (bytes R, G, B, A) from pSrc through the matrix into
// pDst (which may be pSrc, but not overlap it otherwise), each result
// rounded to the nearest byte; then, as when drawn onto a fresh black
// surface, the colour is weighted by the pixel's alpha and the alpha
// becomes 255.
void ApplyColorMatrix(const CColorMatrix& matrix, const uint8_t* pSrc, uint8_t* pDst,
                      std::size_t nPixels);

// A picture in memory: nHeight rows of nWidth RGBA pixels, nStride bytes apart.
struct CPictureView {
    const uint8_t* pPixels = nullptr;
    int nWidth = 0;
    int nHeight = 0;
    std::size_t nStride = 0;
};

// The character ramps, darkest first, the last character a space.
inline constexpr int CHARSET_RAMP16 = 0; // "@#WAhXox?>;+=,. " at g / 16
inline constexpr int CHARSET_RAMP8 = 1;  // "@%hx*+- " at g / 32
inline constexpr int CHARSET_BINARY = 2; // "0" to 85, "1" to 170, then a space
inline constexpr int CHARSET_HASH = 3;   // "#" below 128, then a space
inline constexpr int CONVERT_WIDTH_MIN = 1;
inline constexpr int CONVERT_WIDTH_MAX = 128;

struct CImageConvertParams {
    int nConvertWidth = 64; // characters per output row, 1..128
    int nColorMode = 0;     // 0 each cell the block's colour, 1 crText
    float fBrightness = 0.0f;
    float fContrast = 1.0f;
    float fSaturation = 1.0f;
    int nCharSet = CHARSET_RAMP16;
    bool bAuto = false;     // the 32-step ramp, at g / 8
    bool bCustom = false;   // chCustom in every cell
    uint8_t chCustom = '@';
    int nCellWidth = 8;     // the view's cell size in pixels: the block's aspect
    int nCellHeight = 12;
    COLORREF crText = 0x010101; // the colour of grey mode's cells
};

// Block size and rows for a picture: block width = picture width / convert
// width (at least 1), block height = block width x cell aspect truncated (at
// least 1), rows = picture height / block height. The width is clamped to
// 1..128 and a cell size below 1 taken as 1.
struct CConvertLayout {
    int nBlockWidth = 1;
    int nBlockHeight = 1;
    int nOutputRows = 0;
};
CConvertLayout ConvertLayout(int nPictureWidth, int nPictureHeight, const CImageConvertParams& params);

// The character for grey level g (0..255) under the chosen set, Auto or custom.
uint8_t ConvertChar(int nGrey, const CImageConvertParams& params);

// Writes the converted cells from the grid's top-left cell, rows and columns
// beyond the grid skipped; cells outside the converted area keep their
// content. Colour averages come from the picture through the matrix of
// (brightness, contrast, saturation), grey levels from the red channel of the
// picture through the matrix of (brightness, 1, 0); pixels outside the
// picture count as 255 in every channel. A pure black colour is written as
// near black 0x010101. One pass over the pixels used.
// fnRowDone, if set, gets (r * 100) / rows after each output row r.
// Returns the number of output rows written: the layout's rows, at most the
// grid's. A picture without pixels, or whose stride is shorter than a row of
// pixels, writes nothing. Width and cell sizes are clamped as in ConvertLayout.
int ConvertImage(const CPictureView& picture, const CImageConvertParams& params, ICellWriter& grid,
                 const std::function<void(int nPercent)>& fnRowDone = {});

// The coefficients the conversion takes of its two matrices (image_convert.cpp).
struct CSampler {
    float fR[3], fG[3], fB[3], fT[3];     // colour image: into red, green, blue
    float fGreyR, fGreyG, fGreyB, fGreyT; // grey image: into red only
};

// ConvertImage a row at a time, for a decoder that hands rows over as it
// decodes them: nothing picture-sized is held. The rows go in from the top;
// after RowsWanted() of them every converted cell is written and further rows
// are ignored. The cells are exactly ConvertImage's for the same pixels.
class CRowConverter {
public:
    CRowConverter(int nWidth, int nHeight, const CImageConvertParams& params, ICellWriter& grid,
                  std::function<void(int nPercent)> fnRowDone = {});

    // The rows the conversion reads (the top ones); 0 for a picture without pixels.
    int RowsWanted() const { return m_nRowsWanted; }
    // The output rows ConvertImage returns: the layout's rows, at most the grid's.
    int OutputRows() const { return m_nRows; }
    // The next picture row: nWidth RGBA pixels (bytes R, G, B, A).
    void AddRow(const uint8_t* pRow);
    // Before the first row, for output that shows only the characters:
    // the colour averages are not worked out and every cell gets crText.
    void CharactersOnly() { m_bCharsOnly = true; }

private:
    void Fold();

    CImageConvertParams m_params;
    ICellWriter& m_grid;
    std::function<void(int)> m_fnRowDone;
    CConvertLayout m_layout;
    CSampler m_sampler{};
    bool m_bPlainColour = false; // the colour matrix leaves colours as they are
    bool m_bCharsOnly = false;
    int m_nWidth = 0;
    int m_nRows = 0, m_nCols = 0, m_nSpan = 0;
    int m_nRowsWanted = 0, m_nRowsTaken = 0, m_nPending = 0;
    // Pixel-column sums (red, green, blue, grey one after another) and, per
    // cell of the block row, the 64-bit sums they are folded into.
    std::vector<uint32_t> m_vColumns;
    std::vector<uint64_t> m_vCells;
};

// The frame interval, in tenths of a second (1..100, the drawing's range),
// for an animated picture whose frames show for these milliseconds: their
// median (the upper middle one of an even count), rounded to the nearest
// tenth. 0 when there are no delays.
int MedianFrameInterval(std::vector<int> vDelaysMs);
