// FIGlet fonts: header reading and its refusals, end marks, the joining rules on
// hand-made glyphs, long texts and the size limit, and full width against figlet.
#include "core/figlet.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {
using Rows = std::vector<std::string>;

// A font whose glyph A and B have the given rows (end marks added here).
FigFont MakeFont(int32_t nOldLayout, const Rows& a, const Rows& b)
{
    FigFont font{'$', static_cast<int32_t>(a.size()), nOldLayout, {}};
    for (const auto& [ch, rows] : {std::pair{'A', a}, std::pair{'B', b}})
        for (std::size_t k = 0; k < rows.size(); ++k)
            font.glyphs[ch - 32].push_back(rows[k] + (k + 1 < rows.size() ? "@" : "@@"));
    return font;
}

Rows Split(const std::string& text, const std::string& strEnd = "\r\n")
{
    Rows rows;
    for (std::size_t nPos = 0, nEnd; (nEnd = text.find(strEnd, nPos)) != std::string::npos;
         nPos = nEnd + strEnd.size())
        rows.push_back(text.substr(nPos, nEnd - nPos));
    return rows;
}
} // namespace

TEST(FigFont, HeaderWordsGlyphLinesAndRefusals)
{
    struct Case {
        std::string strData;
        char chHardblank;
        int32_t nHeight, nOldLayout;
        Rows space; // the first glyph's stored rows
    } const cases[] = {
        // clang-format off
        {"flf2a$ 6 5 16 15 11 0\n" + std::string(11, '\n') + "s@\n", '$', 6, 15, {"s@", "", "", "", "", ""}},
        {"flf2a 1 1 1 0 0\r\nX@@", 'a', 1, 0, {"X@@"}},
        // Runs of spaces separate, a tab does not; a lone CR stays in its line.
        {"  flf2a#  2\t 1 1  -3 -1\r\nA@\r\nB\r@@\n", '#', 2, -3, {"A@", "B\r@@"}},
        {"flf2a$ 256 0 0 +7x", '$', 256, 7, Rows(256)},
    };
    // clang-format on
    for (const Case& c : cases) {
        FigFont font;
        ASSERT_EQ(ParseFigFont(c.strData, font), EFigLoad::OK) << c.strData;
        EXPECT_EQ(std::tie(font.chHardblank, font.nHeight, font.nOldLayout, font.glyphs[0]),
                  std::tie(c.chHardblank, c.nHeight, c.nOldLayout, c.space));
        EXPECT_EQ(font.glyphs[94], Rows(static_cast<std::size_t>(c.nHeight))); // past the end
    }
    // A refused header keeps the font loaded before.
    FigFont font;
    ASSERT_EQ(ParseFigFont("flf2a@ 1 1 1 1 0\nq@@", font), EFigLoad::OK);
    for (const char* szData : {"", "flf2 $ 1", "xflf2a$ 1", "flf2a$", "flf2a$ 0", "flf2a$ -1",
                               "flf2a$ 257", "flf2a$ 99999999999", "flf2a$\t1"}) {
        EXPECT_EQ(ParseFigFont(szData, font), EFigLoad::BAD_HEADER) << szData;
        EXPECT_EQ(font.chHardblank, '@');
        EXPECT_EQ(font.glyphs[0], Rows{"q@@"});
    }
}

TEST(FigFont, FilesAreReadWithinTheSizeLimit)
{
    const std::string strDir = testing::TempDir();
    std::ofstream(strDir + "fig_ok.flf") << "flf2a$ 1 1 1 0 0\nz@@\n";
    const std::string strBig = strDir + "fig_big.flf";
    std::ofstream(strBig) << "flf2a$ 1 1 1 0 0\n";
    ASSERT_EQ(truncate(strBig.c_str(), FIG_MAX_FILE_BYTES + 1), 0);
    // /dev/zero has no size to check and never ends: reading must stop.
    const std::pair<std::string, EFigLoad> cases[] = {
        {strDir + "fig_ok.flf", EFigLoad::OK}, {strBig, EFigLoad::TOO_LARGE},
        {"/dev/zero", EFigLoad::TOO_LARGE},    {strDir + "fig_none.flf", EFigLoad::NO_FILE},
        {strDir, EFigLoad::NO_FILE}};
    for (const auto& [strPath, expected] : cases) {
        FigFont font;
        EXPECT_EQ(LoadFigFontFile(strPath, font), expected) << strPath;
        EXPECT_EQ(font.nHeight, expected == EFigLoad::OK ? 1 : 0);
    }
}

TEST(FigFont, StripEndmarks)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ab@", "ab"}, {"ab@@", "ab"}, {"a@#", "a@"}, {"@@@", "@"}, {"@", ""}, {"", ""}};
    for (const auto& [szRow, szExpected] : cases)
        EXPECT_EQ(StripEndmarks(szRow), szExpected) << szRow;
}

TEST(FigRender, JoiningRulesOnHandMadeGlyphs)
{
    struct Case {
        int32_t nSpacing, nOldLayout;
        Rows a, b, expected; // "AB" composed
    };
    const Rows eqA{"a ", "aa", "a$", "", "ab "}, eqB{" b", "ab", "$b", "x", "   c"};
    const Case cases[] = {
        // clang-format off
        {2, 1, eqA, eqB, {"a  b", "aaab", "a  b", "x", "ab    c"}},
        // Short rows stay; the new one loses blank columns; no realigning.
        {1, 1, eqA, eqB, {"a  b", "aaab", "a  b", "x", "ab c"}},
        {0, 15, eqA, eqB, {"a  b", "aaab", "a  b", "x", "ab c"}},
        {0, 1, eqA, eqB, {"a  b", "aab", "a b", "x", "ab c"}},
        {0, 32, eqA, eqB, {"a  b", "aaab", "a b", "x", "ab c"}},
        {0, 2, {"a_", "a|", "a_", "a/"}, {"|b", "_b", "_b", "(b"}, {"a|b", "a|b", "a__b", "a/(b"}},
        {0, 4, {"a|", "a)", "a/", "a<"}, {"/b", "]b", "\\b", "xb"}, {"a/b", "a)b", "a/\\b", "a<xb"}},
        {0, 8, {"a[", "a)", "a(", "a}"}, {"]b", "(b", "}b", "{b"}, {"a|b", "a|b", "a(}b", "a|b"}},
        {0, 16, {"a/", "a\\", "a>", "a<"}, {"\\b", "/b", "<b", ">b"}, {"a|b", "aYb", "aXb", "a<>b"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "spacing " << c.nSpacing << " layout " << c.nOldLayout);
        EXPECT_EQ(Split(RenderFigText("AB", MakeFont(c.nOldLayout, c.a, c.b), c.nSpacing)),
                  c.expected);
    }
    // The first glyph keeps its blank columns; unknown characters are left out.
    const FigFont font = MakeFont(1, eqA, eqB);
    EXPECT_EQ(Split(RenderFigText("B\x01\xff", font, 1)), (Rows{" b", "ab", " b", "x", "   c"}));
    EXPECT_EQ(RenderFigText("A\tB", font, 0), RenderFigText("AB", font, 0));
    for (const char* szEmpty : {"", "\x7f"})
        EXPECT_EQ(RenderFigText(szEmpty, font, 2), "");
    EXPECT_EQ(RenderFigText("A", FigFont{}, 2), "");
    // A CR hardblank turns to spaces without taking the line ends with it.
    FigFont crFont = MakeFont(0, {"A\r\r"}, {"B"});
    crFont.chHardblank = '\r';
    EXPECT_EQ(RenderFigText("AB", crFont, 2), "A  B\r\n");
}

// Text long enough that copying the rows built so far for each character would
// take hours, and joins past the second glyph. Glyphs without blank edges or a
// joining rule compose alike at every spacing.
TEST(FigRender, LongTextsComposeInPlace)
{
    std::string strLong;
    Rows full(6);
    for (int n = 0; n < 60000; ++n) {
        strLong += "AB";
        for (std::string& row : full)
            row += "|_ _ _|(_____)";
    }
    const FigFont wide = MakeFont(0, Rows(6, "|_$_$_|"), Rows(6, "(_____)"));
    for (const int nSpacing : {FIG_SPACING_SMUSH, FIG_SPACING_KERN, FIG_SPACING_FULL})
        EXPECT_EQ(Split(RenderFigText(strLong, wide, nSpacing)), full) << nSpacing;
    // Later glyphs join at the advance: the ink widths of all before them.
    const FigFont font = MakeFont(1, {"a ", "aa", "a$", "", "ab "}, {" b", "ab", "$b", "x", "   c"});
    EXPECT_EQ(Split(RenderFigText("ABBA", font, FIG_SPACING_SMUSH)),
              (Rows{"a  b ba ", "aababaa", "a b ba ", "x", "ab c cab "}));
    EXPECT_EQ(Split(RenderFigText("ABBA", font, FIG_SPACING_KERN)),
              (Rows{"a  b ba ", "aaababaa", "a  b ba ", "xx", "ab c cab "}));
}

// Past the size limit (one glyph as wide as a font file allows, or a long
// text) nothing is returned, and composing stops at once.
TEST(FigRender, OutputPastTheLimitIsRefused)
{
    const FigFont font = MakeFont(0, Rows(4, std::string(5000, 'W')), Rows(4, "b"));
    const std::string strText(60, 'A');
    std::string strRows;
    for (const int nSpacing : {FIG_SPACING_SMUSH, FIG_SPACING_KERN, FIG_SPACING_FULL}) {
        EXPECT_EQ(ComposeFigText(strText, font, nSpacing, SIZE_MAX, &strRows), EFigRender::OK);
        const std::size_t nSize = strRows.size();
        EXPECT_EQ(ComposeFigText(strText, font, nSpacing, nSize, &strRows), EFigRender::OK);
        EXPECT_EQ(strRows.size(), nSize);
        EXPECT_EQ(ComposeFigText(strText, font, nSpacing, nSize - 1, &strRows),
                  EFigRender::TOO_LARGE);
        EXPECT_EQ(strRows, "");
    }
    // A font at the height limit whose "A" fills a 16 MB file: five
    // characters pass the default limit; sixty would need a gigabyte.
    const FigFont huge = MakeFont(
        0, Rows(FIG_MAX_HEIGHT, std::string(FIG_MAX_FILE_BYTES / FIG_MAX_HEIGHT - 2, 'W')), {});
    EXPECT_EQ(RenderFigText(strText, huge, FIG_SPACING_FULL), "");
    EXPECT_EQ(RenderFigText("AAA", huge, FIG_SPACING_FULL).size(),
              3 * (FIG_MAX_FILE_BYTES - 512) + 512);
}

// Full width is plain concatenation, so it must match figlet's own -W output
// (left to right: the header's print direction is not read).
TEST(FigRender, FullWidthMatchesTheFigletProgram)
{
    if (std::system("command -v figlet >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "figlet is not installed";
    const char* const szWords = "Glyphwright {2026} draws_ASCII art!";
    for (const char* szFont : {"standard", "big", "banner", "block", "lean", "mini", "script",
                               "shadow", "slant", "small", "smslant", "term", "bubble", "digital",
                               "ivrit", "mnemonic", "smscript", "smshadow"}) {
        SCOPED_TRACE(szFont);
        const std::string strPath = std::string("/usr/share/figlet/") + szFont + ".flf";
        FigFont font;
        ASSERT_EQ(LoadFigFontFile(strPath, font), EFigLoad::OK);
        FILE* pipe =
            popen(("figlet -W -L -w 100000 -f " + strPath + " '" + szWords + "'").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string strOut;
        for (char buf[4096]; std::size_t n = fread(buf, 1, sizeof buf, pipe);)
            strOut.append(buf, n);
        ASSERT_EQ(pclose(pipe), 0);
        const Rows expected = Split(strOut, "\n");
        ASSERT_EQ(expected.size(), static_cast<std::size_t>(font.nHeight));
        EXPECT_EQ(Split(RenderFigText(szWords, font, FIG_SPACING_FULL)), expected);
    }
}
