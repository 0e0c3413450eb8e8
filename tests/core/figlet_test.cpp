// FIGlet fonts: header reading and its refusals, end marks, the joining rules on
// hand-made glyphs, long texts and the size limit, and the spacings figlet has
// against the figlet program.
#include "core/figlet.h"
#include "core/figlet_gallery.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {
using Rows = std::vector<std::string>;

// A scratch folder of this process' own, removed at exit: the plain and
// sanitized test programs run side by side and must not write each other's files.
struct CScratchDir {
    std::string str = testing::TempDir() + "figlet_test_" + std::to_string(getpid()) + "/";
    CScratchDir() { std::filesystem::create_directories(str); }
    ~CScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(str, ec);
    }
};

std::string ScratchDir()
{
    static const CScratchDir dir;
    return dir.str;
}

// A font whose glyph A and B have the given rows (end marks added here).
FigFont MakeFont(int32_t nOldLayout, const Rows& a, const Rows& b)
{
    FigFont font{'$', static_cast<int32_t>(a.size()), nOldLayout, {}, '$', 0, -1};
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
    const std::string strDir = ScratchDir();
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
    // The gallery's heights come from the header alone.
    const std::pair<std::string, int32_t> heights[] = {
        {strBig, 1}, {"/dev/zero", 0}, {strDir, 0}, {"/usr/share/figlet/standard.flf", 6}};
    for (const auto& [strPath, nHeight] : heights)
        EXPECT_EQ(FigFontFileHeight(strPath), nHeight) << strPath;
}

TEST(FigFont, StripEndmarks)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ab@", "ab"}, {"ab@@", "ab"}, {"a@#", "a@"}, {"@@@", "@"}, {"@", ""}, {"", ""}};
    for (const auto& [szRow, szExpected] : cases)
        EXPECT_EQ(StripEndmarks(szRow), szExpected) << szRow;
}

// TOIlet rows: end marks counted in characters (spaces after them dropped),
// then Windows-1252 with the nearest ASCII or '?' for the rest, and '?' for
// bytes that are not UTF-8.
TEST(FigFont, ToiletRowsInWindows1252)
{
    const std::pair<const char*, const char*> cases[] = {
        {"\u24b6A", "A@@"},          {"x@@", "x@@"},
        {"\u257b\u2501!", "|-@@"},    {"", "@@"},
        {" a@ ", " a@@"},             {"\u24b6b##  ", "Ab@@"},
        {"\u20ac\u00e9\u2591\u2588\uff28\u4e00@", "\x80\xe9.#H?@@"},
        {"a\xff\xc3(\xe2\x94" "b#", "a?" "?(?" "?b@@"}};
    for (const auto& [szRow, szExpected] : cases)
        EXPECT_EQ(ToiletGlyphRow(szRow), szExpected) << szRow;
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
    for (int nSpacing = 0; nSpacing < FIG_SPACING_COUNT; ++nSpacing)
        EXPECT_EQ(Split(RenderFigText(strLong, wide, nSpacing)), full) << nSpacing;
    // Nor must a blank row be searched afresh for its ink at each glyph.
    const FigFont blankRow = MakeFont(0, {"       ", "|_$_$_|"}, {"       ", "(_____)"});
    EXPECT_EQ(Split(RenderFigText(strLong, blankRow, FIG_SPACING_FITTED)),
              (Rows{std::string(full[0].size(), ' '), full[0]}));
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
    std::string strRows;
    for (int nCase = 0; nCase < 2 * FIG_SPACING_COUNT; ++nCase) {
        const int nSpacing = nCase % FIG_SPACING_COUNT;
        // Lines of lettering, empty ones included, count towards the limit.
        const std::string strText = nCase < FIG_SPACING_COUNT ? std::string(60, 'A') : "AB\n\nA";
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
    EXPECT_EQ(RenderFigText(std::string(60, 'A'), huge, FIG_SPACING_FULL), "");
    EXPECT_EQ(RenderFigText("AAA", huge, FIG_SPACING_FULL).size(),
              3 * (FIG_MAX_FILE_BYTES - 512) + 512);
}

// A program's output for the text (fed on standard input, so line feeds
// start new lines), or "(failed)".
std::string ProgramOutput(const std::string& strCommand, const std::string& strText)
{
    const std::string strInput = ScratchDir() + "figlet_input.txt";
    std::ofstream(strInput, std::ios::binary) << strText << '\n';
    FILE* pipe = popen((strCommand + " < " + strInput).c_str(), "r");
    if (pipe == nullptr)
        return "(failed)";
    std::string strOut;
    for (char buf[4096]; std::size_t n = fread(buf, 1, sizeof buf, pipe);)
        strOut.append(buf, n);
    return pclose(pipe) == 0 ? strOut : "(failed)";
}

// A font of three-row glyphs drawn with the glyph's own character, so that
// every pair of text characters meets at their own characters: "$" is all
// hardblank, "#" half, "." one column wide. The header varies the layout.
std::string HandMadeFont(const std::string& strHeader)
{
    std::string strFont = strHeader + "\n";
    for (int nCode = FIG_FIRST_CODE; nCode < FIG_FIRST_CODE + FIG_GLYPH_COUNT; ++nCode) {
        const std::string c(1, static_cast<char>(nCode));
        strFont += nCode == '.'   ? ".@\n.@\n.@@\n"
                   : nCode == '$' ? "$$@\n$$@\n$$@@\n"
                   : nCode == '#' ? "#$@\n$#@\n##@@\n"
                                  : " " + c + c + "@\n" + c + "  @\n " + c + " @@\n";
    }
    return strFont;
}

// Fitted and smushed composition against the figlet program, and full width
// against figlet -W: every font Debian installs, and hand-made fonts for the
// rules and layouts those do not use (big X, hardblank, universal smushing,
// headers with only the old layout, right to left). Fails without figlet.
TEST(FigRender, SpacingsMatchTheFigletProgram)
{
    ASSERT_EQ(std::system("command -v figlet >/dev/null 2>&1"), 0) << "figlet is not installed";
    std::vector<std::string> vFonts;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/figlet"))
        if (entry.path().extension() == ".flf")
            vFonts.push_back(entry.path().string());
    ASSERT_GE(vFonts.size(), 18u) << "the figlet package's fonts are missing";
    const char* const szHeaders[] = {
        "flf2a$ 3 2 8 -1 0 0 176", // big X and hardblank rules
        "flf2a$ 3 2 8 0 0 0 128",  // universal smushing
        "flf2a$ 3 2 8 63 0",       // every rule, old layout only
        "flf2a$ 3 2 8 32 0",       // old layout with only the unread rule
        "flf2a$ 3 2 8 0 0",        // fitting, old layout only
        "flf2a$ 3 2 8 -1 0 1 191", // right to left
        "flf2a$ 3 2 8 0 0 1 128",  // right to left, universal smushing
    };
    for (std::size_t n = 0; n < std::size(szHeaders); ++n) {
        vFonts.push_back(ScratchDir() + "hand" + std::to_string(n) + ".flf");
        std::ofstream(vFonts.back(), std::ios::binary) << HandMadeFont(szHeaders[n]);
    }
    const char* const szTexts[] = {
        "Hello, Glyphwright {2026} draws_ASCII art!",
        "//\\\\/ \\/<>< ][[]}{{}()(\n_|_/_\\_[_]_{_}_(_)_<_>_\n\n|/|[|{(|<)>",
        "  a  b..c.|.x  ",
        "$$ a$b $_$ AA--==\nlast$#a#$.$",
    };
    const std::pair<int, const char*> modes[] = {
        {FIG_SPACING_FITTED, "-k"}, {FIG_SPACING_FONT_LAYOUT, ""}, {FIG_SPACING_FULL, "-W -L"}};
    for (const std::string& strFont : vFonts) {
        FigFont font;
        ASSERT_EQ(LoadFigFontFile(strFont, font), EFigLoad::OK) << strFont;
        for (const char* szText : szTexts)
            for (const auto& [nSpacing, szOptions] : modes) {
                SCOPED_TRACE(testing::Message() << strFont << " " << szOptions << " " << szText);
                // -w 100000 keeps figlet from wrapping at 80 columns, and -l
                // from padding right-to-left lines out to that width.
                const std::string strExpected = ProgramOutput(
                    std::string("figlet -w 100000 -l ") + szOptions + " -f " + strFont, szText);
                ASSERT_NE(strExpected, "(failed)");
                EXPECT_EQ(Split(RenderFigText(szText, font, nSpacing)), Split(strExpected, "\n"));
            }
    }
}

// TOIlet fonts against the toilet program's plain output, both in
// Windows-1252: every font of Debian's toilet-fonts, plain and zipped.
TEST(FigRender, ToiletFontsMatchTheToiletProgram)
{
    ASSERT_EQ(std::system("command -v toilet >/dev/null 2>&1"), 0) << "toilet is not installed";
    std::vector<std::string> vFonts;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/figlet"))
        if (entry.path().extension() == ".tlf")
            vFonts.push_back(entry.path().stem().string());
    ASSERT_GE(vFonts.size(), 20u) << "the toilet-fonts package is missing";
    for (const std::string& strFont : vFonts) {
        FigFont font;
        ASSERT_EQ(LoadFigFontFile("/usr/share/figlet/" + strFont + ".tlf", font), EFigLoad::OK);
        for (const char* szText : {"Hello, Glyphwright {2026} draws_ASCII art!", "ab\n$ #"}) {
            SCOPED_TRACE(testing::Message() << strFont << " " << szText);
            const std::string strExpected =
                ProgramOutput("toilet -w 100000 -d /usr/share/figlet -f " + strFont, szText);
            ASSERT_NE(strExpected, "(failed)");
            EXPECT_EQ(Split(RenderFigText(szText, font, FIG_SPACING_FONT_LAYOUT)),
                      Split(Utf8ToCp1252(strExpected), "\n"));
        }
    }
}
