// Picture conversion against a fake grid that records every write: the colour matrix by
// hand-worked pixels, the block layout and its guards, golden rows in every mode, what is and
// is not sampled, and the one-pass sampler against a plain reading of both adjusted images.
#include "core/image_convert.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {
struct CRecordingGrid : ICellWriter {
    CRecordingGrid(int c, int r) : nCols(c), vChars(size_t(c * r), 'Z'), vColors(vChars.size()) {}
    int Cols() const override { return nCols; }
    int Rows() const override { return int(vChars.size()) / nCols; }
    uint8_t GetChar(int c, int r) const override { return vChars.at(size_t(r * nCols + c)); }
    COLORREF GetColor(int c, int r) const override { return vColors.at(size_t(r * nCols + c)); }
    void SetCell(int c, int r, uint8_t ch, COLORREF cr) override
    {
        ASSERT_TRUE(c >= 0 && r >= 0 && c < Cols() && r < Rows()) << c << "," << r;
        vChars[size_t(r * nCols + c)] = ch;
        vColors[size_t(r * nCols + c)] = cr;
        ++nWrites;
    }
    std::string Row(int r, int n) const
    {
        return {vChars.begin() + r * nCols, vChars.begin() + r * nCols + n};
    }
    bool operator==(const CRecordingGrid& o) const
    {
        return vChars == o.vChars && vColors == o.vColors && nWrites == o.nWrites;
    }
    int nCols, nWrites = 0;
    std::vector<uint8_t> vChars;
    std::vector<COLORREF> vColors;
};

// An RGBA picture, opaque white unless painted; nPad spare bytes end each row.
struct CPicture {
    CPicture(int w, int h, int nPad = 0)
        : nWidth(w), nHeight(h), nStride(size_t(w * 4 + nPad)), vBytes(nStride * size_t(h), 255) {}
    uint8_t* Px(int x, int y) { return &vBytes[size_t(y) * nStride + size_t(x) * 4]; }
    void Fill(int x0, int y0, int w, int h, COLORREF cr)
    {
        for (int n = 0; n < w * h * 3; ++n)
            Px(x0 + n / 3 % w, y0 + n / 3 / w)[n % 3] = uint8_t(cr >> (8 * (n % 3)));
    }
    CPictureView View() const { return {vBytes.data(), nWidth, nHeight, nStride}; }
    int nWidth, nHeight;
    size_t nStride;
    std::vector<uint8_t> vBytes;
};

CImageConvertParams Params(int nWidth, int nCellW = 8, int nCellH = 12)
{
    return {.nConvertWidth = nWidth, .nCellWidth = nCellW, .nCellHeight = nCellH};
}

// The sampling read the plain way: both images made in full, every pixel of
// every block fetched on its own, white outside the picture.
void ReferenceConvert(CPicture pic, const CImageConvertParams& p, ICellWriter& grid)
{
    const CConvertLayout lay = ConvertLayout(pic.nWidth, pic.nHeight, p);
    CPicture grey = pic;
    for (int y = 0; y < pic.nHeight; ++y) {
        ApplyColorMatrix(BuildColorMatrix(p.fBrightness, p.fContrast, p.fSaturation),
                         pic.Px(0, y), pic.Px(0, y), size_t(pic.nWidth));
        ApplyColorMatrix(BuildColorMatrix(p.fBrightness, 1.0f, 0.0f), grey.Px(0, y),
                         grey.Px(0, y), size_t(pic.nWidth));
    }
    for (int r = 0; r < lay.nOutputRows && r < grid.Rows(); ++r)
        for (int k = 0; k < p.nConvertWidth && k < grid.Cols(); ++k) {
            long n[4] = {};
            for (int y = r * lay.nBlockHeight; y < (r + 1) * lay.nBlockHeight; ++y)
                for (int x = k * lay.nBlockWidth; x < (k + 1) * lay.nBlockWidth; ++x)
                    for (int j = 0; j < 4; ++j)
                        n[j] += x >= pic.nWidth ? 255 : j < 3 ? pic.Px(x, y)[j] : *grey.Px(x, y);
            for (long& nSum : n)
                nSum /= lay.nBlockWidth * lay.nBlockHeight;
            const COLORREF cr =
                p.nColorMode == 1 ? p.crText : COLORREF(n[0] | n[1] << 8 | n[2] << 16);
            grid.SetCell(k, r, ConvertChar(int(n[3]), p), cr ? cr : 0x010101u);
        }
}

TEST(ImageConvertMatrix, PixelsWorkedByHand)
{
    struct Case {
        float b, c, s;
        uint8_t in[4], out[3];
    } const cases[] = {
        {0.1f, 1.2f, 0.5f, {200, 100, 50, 255}, {196, 136, 106}},
        {0.2f, 0.5f, 2.0f, {200, 100, 50, 255}, {251, 151, 101}},
        {0.0f, 1.0f, 0.0f, {200, 100, 50, 255}, {127, 127, 127}},  // the grey weights
        {0.5f, 1.0f, 1.0f, {0, 0, 0, 255}, {128, 128, 128}},       // +0.5 is about 128
        {0.4f, 1.0f, 1.0f, {200, 100, 50, 255}, {255, 202, 152}},  // clamped at the top
        {-0.25f, 1.0f, 1.0f, {200, 100, 50, 255}, {136, 36, 0}},   // and at the bottom
        {2.0f, 1.0f, 1.0f, {0, 0, 0, 255}, {255, 255, 255}},       // brightness 2 is 1
        {0.0f, -1.0f, -1.0f, {10, 240, 99, 255}, {128, 128, 128}}, // negatives are 0
        {0.0f, 1.0f, 1.0f, {200, 100, 50, 128}, {100, 50, 25}},    // half alpha over black
        {0.5f, 1.0f, 1.0f, {0, 0, 0, 0}, {0, 0, 0}}};              // transparent stays black
    for (const Case& t : cases) {
        uint8_t px[4] = {t.in[0], t.in[1], t.in[2], t.in[3]};
        ApplyColorMatrix(BuildColorMatrix(t.b, t.c, t.s), px, px, 1);
        EXPECT_EQ((std::vector<int>{px[0], px[1], px[2], px[3]}),
                  (std::vector<int>{t.out[0], t.out[1], t.out[2], 255}))
            << t.b << " " << t.c << " " << t.s;
    }
}

TEST(ImageConvertLayout, BlocksRowsAndGuards)
{
    struct Case {
        int w, h, nWidth, nCellW, nCellH, nBlockW, nBlockH, nRows;
    } const cases[] = {
        {640, 480, 64, 8, 12, 10, 15, 32}, {640, 480, 64, 12, 8, 10, 6, 80},
        {640, 480, 0, 8, 12, 640, 960, 0}, // width 0 is 1
        {640, 480, 500, 8, 12, 5, 7, 68},  {640, 480, 64, 0, 12, 10, 120, 4}, // cells at least 1
        {640, 480, 64, 8, -5, 10, 1, 480}, {-5, -5, 64, 8, 12, 1, 1, 0},
        {640, 480, 64, 1, 2147483647, 10, 1000000000, 0}}; // capped, not overflowed
    for (const Case& t : cases) {
        const CConvertLayout lay = ConvertLayout(t.w, t.h, Params(t.nWidth, t.nCellW, t.nCellH));
        EXPECT_EQ((std::vector<int>{lay.nBlockWidth, lay.nBlockHeight, lay.nOutputRows}),
                  (std::vector<int>{t.nBlockW, t.nBlockH, t.nRows}))
            << t.w << " " << t.nWidth << " " << t.nCellW << " " << t.nCellH;
    }
}

// Grey 2 x 2 blocks whose pixels differ but average exactly: the top row
// runs 0, 17 .. 255, the bottom row sits on the sets' thresholds.
TEST(ImageConvert, GoldenRowsInEveryMode)
{
    const int nBottom[16] = {85, 86, 127, 128, 170, 171, 255, 0, 7, 8, 15, 16, 31, 32, 63, 64};
    CPicture pic(32, 4);
    for (int x = 0; x < 64; ++x) {
        const int g = x < 32 ? 17 * (x / 2) : nBottom[x / 2 - 16], d = g % 255 ? x % 2 * 2 - 1 : 0;
        pic.Fill(x % 32, x < 32 ? 0 : 2, 1, 2, 0x010101u * COLORREF(g + d));
    }
    struct Case {
        int nSet, nMode;
        bool bAuto, bCustom;
        float fContrast;
        const char* pszRows;
    } const cases[] = {
        {CHARSET_RAMP16, 0, 0, 0, 1.0f, "@#WAhXox?>;+=,. |XXx?;; @@@@##WAh"},
        {CHARSET_RAMP8, 0, 0, 0, 1.0f, "@@%%hhxx**++--  |hhx*++ @@@@@@%%h"},
        {CHARSET_BINARY, 0, 0, 0, 1.0f, "00000011111     |01111  000000000"},
        {CHARSET_HASH, 0, 0, 0, 1.0f, "########        |###    #########"},
        {CHARSET_HASH, 0, 1, 0, 1.0f, "@#%H&h3Exf*>+,- |hho5** @@gg#M%A&"},
        {CHARSET_HASH, 0, 1, 1, 1.0f, "$$$$$$$$$$$$$$$$|$$$$$$$$$$$$$$$$"}, // custom over Auto
        {CHARSET_RAMP16, 1, 0, 0, 1.0f, "@#WAhXox?>;+=,. |XXx?;; @@@@##WAh"},
        {CHARSET_RAMP16, 0, 0, 0, 0.2f, "@#WAhXox?>;+=,. |XXx?;; @@@@##WAh"}, // grey ignores it
    };
    for (const Case& t : cases) {
        const CImageConvertParams params{.nConvertWidth = 16, .nColorMode = t.nMode,
                                         .fContrast = t.fContrast, .nCharSet = t.nSet,
                                         .bAuto = t.bAuto, .bCustom = t.bCustom, .chCustom = '$',
                                         .nCellWidth = 1, .nCellHeight = 1};
        CRecordingGrid grid(20, 3);
        EXPECT_EQ(ConvertImage(pic.View(), params, grid), 2) << t.pszRows;
        EXPECT_EQ(grid.Row(0, 16) + "|" + grid.Row(1, 16), t.pszRows);
        EXPECT_EQ(grid.Row(0, 20) + grid.Row(2, 20), grid.Row(0, 16) + std::string(24, 'Z'));
        for (int k = 0; k < 16 && t.fContrast == 1.0f; ++k)
            EXPECT_EQ(grid.GetColor(k, 0), t.nMode == 1 || k == 0 ? 0x010101u : 0x111111u * k) << k;
    }
}

// At width 60 (blocks of 10 x 15) the right-most 40 pixel columns, and rows
// below the last whole block, go unread, so black there changes nothing.
TEST(ImageConvert, SamplesOnlyTheCoveredPixels)
{
    CPicture white(640, 490), black(640, 490);
    black.Fill(600, 0, 40, 490, 0);
    black.Fill(0, 480, 640, 10, 0);
    CRecordingGrid fromWhite(64, 40), fromBlack(64, 40);
    EXPECT_EQ(ConvertImage(white.View(), Params(60), fromWhite), 32);
    EXPECT_EQ(ConvertImage(black.View(), Params(60), fromBlack), 32);
    EXPECT_TRUE(fromWhite == fromBlack);
    EXPECT_EQ(fromBlack.Row(31, 61) + fromBlack.Row(32, 1), std::string(60, ' ') + "ZZ");

    // Narrower than the width: blocks of one pixel, white beyond the edge;
    // black cells are near black, as pure black is the layers' see-through colour.
    CPicture narrow(40, 3);
    narrow.Fill(0, 0, 40, 3, 0);
    EXPECT_EQ(ConvertImage(narrow.View(), Params(64), fromBlack), 3);
    EXPECT_EQ(fromBlack.Row(2, 64), std::string(40, '@') + std::string(24, ' '));
    EXPECT_TRUE(fromBlack.GetColor(39, 2) == 0x010101u && fromBlack.GetColor(40, 2) == 0x00FFFFFFu);
}

TEST(ImageConvert, SmallGridProgressAndUnusablePictures)
{
    CPicture pic(640, 480);
    CRecordingGrid small(20, 10);
    std::vector<int> vProgress;
    EXPECT_EQ(ConvertImage(pic.View(), Params(64), small, [&](int n) { vProgress.push_back(n); }),
              10);
    EXPECT_EQ(small.nWrites, 200);
    EXPECT_EQ(vProgress, (std::vector<int>{0, 3, 6, 9, 12, 15, 18, 21, 25, 28}));

    // No pixels, or rows closer than a row's bytes: nothing read or written.
    const uint8_t* p = pic.vBytes.data();
    const CPictureView views[] = {{nullptr, 640, 480, 2560}, {p, 0, 480, 2560}, {p, 640, -3, 2560},
                                  {p, 640, 480, 2560 - 1}};
    for (const CPictureView& view : views)
        EXPECT_EQ(ConvertImage(view, Params(64), small), 0);
    EXPECT_EQ(small.nWrites, 200);
}

TEST(ImageConvert, OnePassMatchesThePlainReading)
{
    std::mt19937 rng(11);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); };
    for (int nTrial = 0; nTrial < 60; ++nTrial) {
        CPicture pic(pick(1, 90), pick(1, 70), pick(0, 9));
        for (uint8_t& b : pic.vBytes)
            b = uint8_t(rng()); // alpha too
        // Every third trial with the colours left as they are (its own path).
        const bool bPlain = nTrial % 3 == 0;
        const CImageConvertParams p{.nConvertWidth = pick(1, 40), .nColorMode = pick(0, 1),
                                    .fBrightness = bPlain ? 0.0f : float(pick(-10, 10)) / 10,
                                    .fContrast = bPlain ? 1.0f : float(pick(0, 40)) / 10,
                                    .fSaturation = bPlain ? 1.0f : float(pick(0, 30)) / 10,
                                    .nCharSet = pick(0, 3),
                                    .bAuto = pick(0, 3) == 0, .nCellWidth = pick(1, 9),
                                    .nCellHeight = pick(1, 14)};
        CRecordingGrid fast(pick(1, 45), pick(1, 80)), plain(fast.Cols(), fast.Rows());
        ConvertImage(pic.View(), p, fast);
        ReferenceConvert(pic, p, plain);
        ASSERT_TRUE(fast == plain) << "trial " << nTrial;
        // The characters alone are the same characters.
        CRecordingGrid chars(fast.Cols(), fast.Rows());
        CRowConverter converter(pic.nWidth, pic.nHeight, p, chars);
        converter.CharactersOnly();
        for (int y = 0; y < converter.RowsWanted(); ++y)
            converter.AddRow(pic.vBytes.data() + std::size_t(y) * pic.nStride);
        ASSERT_EQ(chars.vChars, plain.vChars) << "trial " << nTrial;
    }
}
} // namespace

TEST(ImageConvert, MedianFrameIntervalInTenths)
{
    const struct {
        std::vector<int> vDelaysMs;
        int nTenths;
    } kCases[] = {
        {{}, 0},                     // nothing to go by
        {{100, 200, 200, 300}, 2},   // the median, not the mean
        {{300, 100}, 3},             // an even count takes the upper middle
        {{149}, 1}, {{150}, 2},      // rounded to the nearest tenth
        {{0, 20}, 1}, {{-5}, 1},     // never faster than the drawing plays
        {{20000, 60000}, 100},       // nor slower
    };
    for (const auto& c : kCases)
        EXPECT_EQ(MedianFrameInterval(c.vDelaysMs), c.nTenths) << testing::PrintToString(c.vDelaysMs);
}
