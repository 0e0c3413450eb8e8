// The conversion reads every covered pixel once: each picture row of a block
// row goes through both matrices straight from the caller's buffer into
// per-pixel-column sums, and when the block row's last pixel row is in, the
// sums are folded into one average per cell. Nothing picture-sized is made.
#include "core/image_convert.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <array>
#include <vector>

// The per-pixel loops vectorise under GCC only when it may ignore
// floating-point exception flags, which nothing here reads; the results are
// the same either way.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-trapping-math")
#endif

// Pixels are read as one 32-bit word with red in the low byte.
static_assert(std::endian::native == std::endian::little, "RGBA bytes read as a little-endian word");

namespace {

constexpr char kRamp16[] = "@#WAhXox?>;+=,. ";
constexpr char kRamp8[] = "@%hx*+- ";
constexpr char kRamp32[] = "@g#M%WHA&Ghw3XEo5xFf?*r>;+=,`-. ";
static_assert(sizeof(kRamp16) == 17 && sizeof(kRamp8) == 9 && sizeof(kRamp32) == 33);

constexpr uint32_t WHITE = 255;
constexpr COLORREF NEAR_BLACK = 0x010101;
// A pixel column's sum stays below 2^32 for this many rows of white.
constexpr int ROWS_PER_FOLD = static_cast<int>(0xFFFFFFFFu / WHITE);

// Clamped to 0..1 and rounded to a byte. Written as two selects so a NaN
// from a wild matrix becomes 0 rather than an undefined conversion, and so
// the loops below still vectorise (max, min, multiply, truncate).
inline uint32_t ToByte(float f)
{
    f = f > 0.0f ? f : 0.0f;
    f = f < 1.0f ? f : 1.0f;
    return static_cast<uint32_t>(static_cast<int>(f * 255.0f + 0.5f));
}

// c x a / 255 rounded to nearest, exact for bytes: a colour of alpha a drawn
// over black. (The quotient is never exactly half way, 255 being odd.)
inline uint32_t OverBlack(uint32_t c, uint32_t a)
{
    const uint32_t x = c * a + 128;
    return (x + (x >> 8)) >> 8;
}

// The coefficients the conversion needs of its two matrices. Both come from
// BuildColorMatrix, so alpha passes through unchanged and no colour channel
// takes anything from alpha; the sums below are the matrix product's in the
// same order, the alpha term (+0) left out.
CSampler MakeSampler(const CColorMatrix& colour, const CColorMatrix& grey)
{
    CSampler s{};
    for (int j = 0; j < 3; ++j) {
        s.fR[j] = colour.m[0][j];
        s.fG[j] = colour.m[1][j];
        s.fB[j] = colour.m[2][j];
        s.fT[j] = colour.m[4][j];
    }
    s.fGreyR = grey.m[0][0];
    s.fGreyG = grey.m[1][0];
    s.fGreyB = grey.m[2][0];
    s.fGreyT = grey.m[4][0];
    return s;
}

// c x a / 255 rounded, c and a whole numbers in 0..255 held as floats: the
// quotient is never within 1/510 of a half, far beyond the error of the
// reciprocal, so this matches OverBlack while staying in float lanes.
inline uint32_t OverBlackF(float c, float a)
{
    return static_cast<uint32_t>(static_cast<int>(c * a * (1.0f / 255.0f) + 0.5f));
}

// ToByte's value as a float.
inline float ToByteF(float f)
{
    return static_cast<float>(static_cast<int>(ToByte(f)));
}

// Adds nPixels pixels of one picture row to the per-column sums. Kept free
// of calls and branches so the compiler runs it several pixels at a time; on
// x86-64 a second copy for processors with AVX2 runs eight at a time, chosen
// when the program loads. (Not FMA: a fused multiply-add would round
// differently from ApplyColorMatrix.)
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
__attribute__((target_clones("avx2", "default")))
#endif
void AddRow(const CSampler& s, const uint8_t* __restrict pRow, int nPixels,
            uint32_t* __restrict pR, uint32_t* __restrict pG, uint32_t* __restrict pB,
            uint32_t* __restrict pY)
{
    for (int x = 0; x < nPixels; ++x) {
        uint32_t nPixel; // one load, channels by shifts, as in ApplyMatrixRow
        std::memcpy(&nPixel, pRow + 4 * static_cast<std::size_t>(x), 4);
        const float r = static_cast<float>(nPixel & 0xFFu) / 255.0f;
        const float g = static_cast<float>((nPixel >> 8) & 0xFFu) / 255.0f;
        const float b = static_cast<float>((nPixel >> 16) & 0xFFu) / 255.0f;
        const float a = static_cast<float>(nPixel >> 24);
        pR[x] += OverBlackF(ToByteF(r * s.fR[0] + g * s.fG[0] + b * s.fB[0] + s.fT[0]), a);
        pG[x] += OverBlackF(ToByteF(r * s.fR[1] + g * s.fG[1] + b * s.fB[1] + s.fT[1]), a);
        pB[x] += OverBlackF(ToByteF(r * s.fR[2] + g * s.fG[2] + b * s.fB[2] + s.fT[2]), a);
        pY[x] += OverBlackF(ToByteF(r * s.fGreyR + g * s.fGreyG + b * s.fGreyB + s.fGreyT), a);
    }
}

// AddRow for a colour matrix that leaves every colour as it is (the
// defaults: brightness 0, contrast 1, saturation 1): the colour sums take
// the bytes over black directly, the matrix's identity made exact by
// PlainColourExact. The grey level is worked as in AddRow.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
__attribute__((target_clones("avx2", "default")))
#endif
void AddRowPlainColour(const CSampler& s, const uint8_t* __restrict pRow, int nPixels,
                       uint32_t* __restrict pR, uint32_t* __restrict pG, uint32_t* __restrict pB,
                       uint32_t* __restrict pY)
{
    for (int x = 0; x < nPixels; ++x) {
        uint32_t nPixel;
        std::memcpy(&nPixel, pRow + 4 * static_cast<std::size_t>(x), 4);
        const float r8 = static_cast<float>(nPixel & 0xFFu);
        const float g8 = static_cast<float>((nPixel >> 8) & 0xFFu);
        const float b8 = static_cast<float>((nPixel >> 16) & 0xFFu);
        const float a = static_cast<float>(nPixel >> 24);
        const float r = r8 / 255.0f, g = g8 / 255.0f, b = b8 / 255.0f;
        pR[x] += OverBlackF(r8, a);
        pG[x] += OverBlackF(g8, a);
        pB[x] += OverBlackF(b8, a);
        pY[x] += OverBlackF(ToByteF(r * s.fGreyR + g * s.fGreyG + b * s.fGreyB + s.fGreyT), a);
    }
}

// AddRow's grey level alone, worked the same way, for characters without
// their colours.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
__attribute__((target_clones("avx2", "default")))
#endif
void AddRowGrey(const CSampler& s, const uint8_t* __restrict pRow, int nPixels, uint32_t* __restrict pY)
{
    for (int x = 0; x < nPixels; ++x) {
        uint32_t nPixel;
        std::memcpy(&nPixel, pRow + 4 * static_cast<std::size_t>(x), 4);
        const float r = static_cast<float>(nPixel & 0xFFu) / 255.0f;
        const float g = static_cast<float>((nPixel >> 8) & 0xFFu) / 255.0f;
        const float b = static_cast<float>((nPixel >> 16) & 0xFFu) / 255.0f;
        const float a = static_cast<float>(nPixel >> 24);
        pY[x] += OverBlackF(ToByteF(r * s.fGreyR + g * s.fGreyG + b * s.fGreyB + s.fGreyT), a);
    }
}

// True when the sampler's colour part is the identity and AddRow's colour
// sums for it are the bytes themselves: c x 1 + 0 + 0 + 0 is c exactly, and
// ToByteF(c / 255) is checked to give back every byte.
bool PlainColourExact(const CSampler& s)
{
    const float fIdentity[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
    for (int j = 0; j < 3; ++j)
        if (s.fR[j] != fIdentity[j][0] || s.fG[j] != fIdentity[j][1] ||
            s.fB[j] != fIdentity[j][2] || s.fT[j] != 0.0f)
            return false;
    for (int n = 0; n < 256; ++n)
        if (ToByteF(static_cast<float>(n) / 255.0f) != static_cast<float>(n))
            return false;
    return true;
}

bool PictureUsable(const CPictureView& picture)
{
    // Rows closer than a row's bytes would make the last row run past the buffer.
    return picture.pPixels != nullptr && picture.nWidth > 0 && picture.nHeight > 0 &&
           picture.nStride >= 4 * static_cast<std::size_t>(picture.nWidth);
}

} // namespace

CColorMatrix BuildColorMatrix(float fBrightness, float fContrast, float fSaturation)
{
    const float b = std::clamp(fBrightness, -1.0f, 1.0f);
    const float c = fContrast < 0.0f ? 0.0f : fContrast;
    const float s = fSaturation < 0.0f ? 0.0f : fSaturation;
    const float fT = b + (1.0f - c) * 0.5f;
    const float fS = c * s;
    const float fWeights[3] = {(1.0f - s) * 0.3086f * c, (1.0f - s) * 0.6094f * c,
                               (1.0f - s) * 0.082f * c};
    CColorMatrix matrix;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            matrix.m[i][j] = fWeights[i] + (i == j ? fS : 0.0f);
        matrix.m[4][i] = fT;
    }
    matrix.m[3][3] = 1.0f;
    matrix.m[4][4] = 1.0f;
    return matrix;
}

namespace {

// ApplyColorMatrix's loop, straight-line per pixel so that it runs several
// pixels at a time (the same clones as AddRow). Source and destination must
// not overlap; ApplyColorMatrix stages in-place work through a buffer.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
__attribute__((target_clones("avx2", "default")))
#endif
void ApplyMatrixRow(const float (&m)[5][4], const uint8_t* __restrict pSrc, uint8_t* __restrict pDst,
                    std::size_t nPixels)
{
    for (std::size_t i = 0; i < nPixels; ++i) {
        // One 32-bit load per pixel, the channels taken by shifts: the
        // vectorised loop then needs no byte shuffles (bytes R, G, B, A in
        // memory order on a little-endian machine).
        uint32_t nPixel;
        std::memcpy(&nPixel, pSrc + 4 * i, 4);
        const float r = static_cast<float>(nPixel & 0xFFu) / 255.0f;
        const float g = static_cast<float>((nPixel >> 8) & 0xFFu) / 255.0f;
        const float b = static_cast<float>((nPixel >> 16) & 0xFFu) / 255.0f;
        const float a = static_cast<float>(nPixel >> 24) / 255.0f;
        const uint32_t nR = ToByte(r * m[0][0] + g * m[1][0] + b * m[2][0] + a * m[3][0] + m[4][0]);
        const uint32_t nG = ToByte(r * m[0][1] + g * m[1][1] + b * m[2][1] + a * m[3][1] + m[4][1]);
        const uint32_t nB = ToByte(r * m[0][2] + g * m[1][2] + b * m[2][2] + a * m[3][2] + m[4][2]);
        const uint32_t nA = ToByte(r * m[0][3] + g * m[1][3] + b * m[2][3] + a * m[3][3] + m[4][3]);
        const uint32_t nOut = OverBlack(nR, nA) | (OverBlack(nG, nA) << 8) | (OverBlack(nB, nA) << 16) | 0xFF000000u;
        std::memcpy(pDst + 4 * i, &nOut, 4);
    }
}

} // namespace

void ApplyColorMatrix(const CColorMatrix& matrix, const uint8_t* pSrc, uint8_t* pDst,
                      std::size_t nPixels)
{
    float m[5][4];
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j)
            m[i][j] = matrix.m[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    const bool bOverlap = pSrc < pDst + 4 * nPixels && pDst < pSrc + 4 * nPixels;
    if (!bOverlap) {
        ApplyMatrixRow(m, pSrc, pDst, nPixels);
        return;
    }
    constexpr std::size_t CHUNK = 256;
    uint8_t buf[4 * CHUNK];
    for (std::size_t i = 0; i < nPixels; i += CHUNK) {
        const std::size_t n = std::min(CHUNK, nPixels - i);
        ApplyMatrixRow(m, pSrc + 4 * i, buf, n);
        std::copy(buf, buf + 4 * n, pDst + 4 * i);
    }
}

CConvertLayout ConvertLayout(int nPictureWidth, int nPictureHeight,
                             const CImageConvertParams& params)
{
    const int nWidth = std::clamp(params.nConvertWidth, CONVERT_WIDTH_MIN, CONVERT_WIDTH_MAX);
    // A cell of no size would make the aspect a division by zero.
    const float fAspect = static_cast<float>(std::max(params.nCellHeight, 1)) /
                          static_cast<float>(std::max(params.nCellWidth, 1));
    CConvertLayout layout;
    layout.nBlockWidth = std::max(std::max(nPictureWidth, 0) / nWidth, 1);
    // Truncated as a float; a height past any picture is capped before the
    // conversion to int so that it stays defined.
    const float fHeight = static_cast<float>(layout.nBlockWidth) * fAspect;
    layout.nBlockHeight = fHeight < 1e9f ? std::max(static_cast<int>(fHeight), 1) : 1000000000;
    layout.nOutputRows = std::max(nPictureHeight, 0) / layout.nBlockHeight;
    return layout;
}

uint8_t ConvertChar(int nGrey, const CImageConvertParams& params)
{
    if (params.bCustom)
        return params.chCustom;
    const int g = std::clamp(nGrey, 0, 255);
    if (params.bAuto)
        return static_cast<uint8_t>(kRamp32[g / 8]);
    switch (params.nCharSet) {
    case CHARSET_RAMP8:
        return static_cast<uint8_t>(kRamp8[g / 32]);
    case CHARSET_BINARY:
        return g <= 85 ? '0' : g <= 170 ? '1' : ' ';
    case CHARSET_HASH:
        return g < 128 ? '#' : ' ';
    default:
        return static_cast<uint8_t>(kRamp16[g / 16]);
    }
}

CRowConverter::CRowConverter(int nWidth, int nHeight, const CImageConvertParams& params,
                             ICellWriter& grid, std::function<void(int nPercent)> fnRowDone)
    : m_params(params), m_grid(grid), m_fnRowDone(std::move(fnRowDone)), m_nWidth(nWidth)
{
    if (nWidth <= 0 || nHeight <= 0)
        return;
    m_layout = ConvertLayout(nWidth, nHeight, params);
    m_nRows = std::max(std::min(m_layout.nOutputRows, grid.Rows()), 0);
    const int nConvertWidth = std::clamp(params.nConvertWidth, CONVERT_WIDTH_MIN, CONVERT_WIDTH_MAX);
    m_nCols = std::max(std::min(nConvertWidth, grid.Cols()), 0);
    // Only the pixel columns under converted cells are read.
    m_nSpan = static_cast<int>(
        std::min<int64_t>(static_cast<int64_t>(m_nCols) * m_layout.nBlockWidth, nWidth));
    m_nRowsWanted = static_cast<int>(static_cast<int64_t>(m_nRows) * m_layout.nBlockHeight);
    m_vColumns.assign(4 * static_cast<std::size_t>(m_nSpan), 0u);
    m_vCells.assign(4 * static_cast<std::size_t>(m_nCols), 0u);
}

void CRowConverter::Fold()
{
    const int nBlockW = m_layout.nBlockWidth, nSpan = m_nSpan;
    const uint32_t* pR = m_vColumns.data();
    const uint32_t* pG = pR + nSpan;
    const uint32_t* pB = pG + nSpan;
    const uint32_t* pY = pB + nSpan;
    for (int k = 0; k < m_nCols; ++k) {
        const int x0 = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(k) * nBlockW, nSpan));
        const int x1 = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(x0) + nBlockW, nSpan));
        uint64_t* pCell = &m_vCells[4 * static_cast<std::size_t>(k)];
        for (int x = x0; x < x1; ++x) {
            pCell[0] += pR[x];
            pCell[1] += pG[x];
            pCell[2] += pB[x];
            pCell[3] += pY[x];
        }
    }
    std::fill(m_vColumns.begin(), m_vColumns.end(), 0u);
}

void CRowConverter::AddRow(const uint8_t* pRow)
{
    if (m_nRowsTaken >= m_nRowsWanted)
        return;
    if (m_nRowsTaken == 0) {
        m_sampler = MakeSampler(
            BuildColorMatrix(m_params.fBrightness, m_params.fContrast, m_params.fSaturation),
            BuildColorMatrix(m_params.fBrightness, 1.0f, 0.0f));
        m_bPlainColour = PlainColourExact(m_sampler);
    }
    const int nSpan = m_nSpan;
    uint32_t* pR = m_vColumns.data();
    if (m_bCharsOnly)
        AddRowGrey(m_sampler, pRow, nSpan, pR + 3 * nSpan);
    else if (m_bPlainColour)
        AddRowPlainColour(m_sampler, pRow, nSpan, pR, pR + nSpan, pR + 2 * nSpan, pR + 3 * nSpan);
    else
        ::AddRow(m_sampler, pRow, nSpan, pR, pR + nSpan, pR + 2 * nSpan, pR + 3 * nSpan);
    ++m_nRowsTaken;
    if (++m_nPending == ROWS_PER_FOLD) {
        Fold();
        m_nPending = 0;
    }
    const int nBlockW = m_layout.nBlockWidth, nBlockH = m_layout.nBlockHeight;
    if (m_nRowsTaken % nBlockH != 0)
        return;
    Fold();
    m_nPending = 0;
    const int r = m_nRowsTaken / nBlockH - 1;
    const uint64_t nBlockPixels = static_cast<uint64_t>(nBlockW) * static_cast<uint64_t>(nBlockH);
    for (int k = 0; k < m_nCols; ++k) {
        // Pixels right of the picture read as white in both images.
        const int64_t nInside =
            std::clamp<int64_t>(m_nWidth - static_cast<int64_t>(k) * nBlockW, 0, nBlockW);
        const uint64_t nWhite =
            static_cast<uint64_t>(nBlockW - nInside) * static_cast<uint64_t>(nBlockH) * WHITE;
        uint64_t* pCell = &m_vCells[4 * static_cast<std::size_t>(k)];
        uint32_t nAvg[4];
        for (int j = 0; j < 4; ++j) {
            nAvg[j] = static_cast<uint32_t>((pCell[j] + nWhite) / nBlockPixels);
            pCell[j] = 0;
        }
        const COLORREF cr = m_params.nColorMode == 1 || m_bCharsOnly
                                ? m_params.crText
                                : nAvg[0] | nAvg[1] << 8 | nAvg[2] << 16;
        // Pure black is the canvas layers' see-through colour: a black
        // cell would vanish from a lifted transparent block.
        m_grid.SetCell(k, r, ConvertChar(static_cast<int>(nAvg[3]), m_params),
                       cr == 0 ? NEAR_BLACK : cr);
    }
    if (m_fnRowDone)
        m_fnRowDone(static_cast<int>(static_cast<int64_t>(r) * 100 / m_layout.nOutputRows));
}

int ConvertImage(const CPictureView& picture, const CImageConvertParams& params, ICellWriter& grid,
                 const std::function<void(int nPercent)>& fnRowDone)
{
    if (!PictureUsable(picture))
        return 0;
    CRowConverter converter(picture.nWidth, picture.nHeight, params, grid, fnRowDone);
    for (int y = 0; y < converter.RowsWanted(); ++y)
        converter.AddRow(picture.pPixels + static_cast<std::size_t>(y) * picture.nStride);
    return converter.OutputRows();
}

int MedianFrameInterval(std::vector<int> vDelaysMs)
{
    if (vDelaysMs.empty())
        return 0;
    const auto itMid = vDelaysMs.begin() + std::ptrdiff_t(vDelaysMs.size() / 2);
    std::nth_element(vDelaysMs.begin(), itMid, vDelaysMs.end());
    return std::clamp((std::max(*itMid, 0) + 50) / 100, 1, 100);
}
