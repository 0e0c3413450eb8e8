// The text, single-page HTML and animated HTML exports: exact bytes, line
// ends, colour format, cell markup, the inserted values of the animated page
// and its frames' order. The pages as a whole are compared with the files
// under tests/data/export/; GW_UPDATE_GOLDEN=1 rewrites those files instead.
#include "core/anim_template.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/html_export.h"
#include "export_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

using gwtest::DataDir;
using gwtest::ExpectGolden;

constexpr COLORREF kNearBlack = 0x010101;
constexpr COLORREF kWhite = 0xFFFFFF;

// Cells of one frame outside any document (the single-frame exports only
// read cells), filled from rows of text, all in one colour.
std::vector<CharCell> MakeCells(const std::vector<std::string>& vRows, COLORREF cr = kNearBlack)
{
    std::vector<CharCell> vCells;
    for (const std::string& strRow : vRows)
        for (char ch : strRow)
            vCells.push_back(CharCell{cr, 0, 0, static_cast<uint8_t>(ch), {0, 0, 0}});
    return vCells;
}

std::string TextExport(const std::vector<CharCell>& vCells, int nRows, int nCols)
{
    std::ostringstream os;
    ExportSingleText(os, vCells.data(), nRows, nCols);
    return os.str();
}

std::string HtmlExport(const std::vector<CharCell>& vCells, int nRows, int nCols,
                       COLORREF crBack = kWhite)
{
    std::ostringstream os;
    ExportSingleHtml(os, vCells.data(), nRows, nCols, crBack);
    return os.str();
}

int CountOf(std::string_view str, std::string_view strWhat)
{
    int n = 0;
    for (auto pos = str.find(strWhat); pos != std::string_view::npos;
         pos = str.find(strWhat, pos + 1))
        ++n;
    return n;
}

// Every LF is preceded by a CR and every CR is followed by an LF.
::testing::AssertionResult AllLinesEndInCrLf(const std::string& str)
{
    for (std::size_t i = 0; i < str.size(); ++i) {
        if (str[i] == '\n' && (i == 0 || str[i - 1] != '\r'))
            return ::testing::AssertionFailure() << "bare LF at offset " << i;
        if (str[i] == '\r' && (i + 1 == str.size() || str[i + 1] != '\n'))
            return ::testing::AssertionFailure() << "CR without LF at offset " << i;
    }
    return ::testing::AssertionSuccess();
}

} // namespace

// ---- Colour format and cell markup ----

TEST(HtmlColor, RedGreenBlueInLowerCaseHex)
{
    EXPECT_EQ(FormatHtmlColor(0x000080FF), "#ff8000"); // red 255, green 128, blue 0
    EXPECT_EQ(FormatHtmlColor(0x010101), "#010101");
    EXPECT_EQ(FormatHtmlColor(0x00563412), "#123456") << "red is the low byte";
    EXPECT_EQ(FormatHtmlColor(0x000A0B0C), "#0c0b0a") << "values below 16 keep their zero";
    EXPECT_EQ(FormatHtmlColor(0x00F0F0F0), "#f0f0f0");
}

TEST(HtmlCellMarkup, SpaceAloneOtherCharactersInTheirOwnFontElement)
{
    std::string str;
    AppendCellMarkup(str, CharCell{0x0000FF, 0, 0, ' ', {}});
    EXPECT_EQ(str, " ") << "a space carries no colour";
    str.clear();
    AppendCellMarkup(str, CharCell{0x0000FF, 0, 0, '<', {}});
    EXPECT_EQ(str, "<font color=#ff0000><</font>") << "markup characters go out bare";
    str.clear();
    AppendCellMarkup(str, CharCell{0x0000FF, 0, 0, 0xE9, {}});
    EXPECT_EQ(str, "<font color=#ff0000>\xE9</font>") << "high bytes go out unchanged";
}

// ---- Text export ----

TEST(TextExport, EveryRowFullWidthEndingInCrLf)
{
    const auto vCells = MakeCells({"ab ", "   "});
    EXPECT_EQ(TextExport(vCells, 2, 3), std::string("ab \r\n   \r\n"));
}

TEST(TextExport, CharacterBytesGoOutUnchanged)
{
    const auto vCells = MakeCells({"\xB0\xFF<", "&\"\x7F"});
    EXPECT_EQ(TextExport(vCells, 2, 3), std::string("\xB0\xFF<\r\n&\"\x7F\r\n"));
}

TEST(TextExport, ACellHoldingALineFeedEndsInCrLfLikeTheRows)
{
    // The line end conversion has always taken in the cells' own bytes.
    const auto vCells = MakeCells({"a\nb"});
    EXPECT_EQ(TextExport(vCells, 1, 3), std::string("a\r\nb\r\n"));
    EXPECT_NE(HtmlExport(vCells, 1, 3).find("<font color=#010101>\r\n</font>"), std::string::npos);
}

// ---- Single HTML page ----

TEST(SingleHtmlExport, AllSpaceCanvasHasNoFontElement)
{
    const int nRows = 4;
    const int nCols = 7;
    const auto vCells = MakeCells(std::vector<std::string>(nRows, std::string(nCols, ' ')));
    const std::string str = HtmlExport(vCells, nRows, nCols);
    EXPECT_EQ(str.find("<font"), std::string::npos);
    const std::string strOpen = "<PRE>\r\n";
    const auto nBegin = str.find(strOpen);
    const auto nEnd = str.find("</PRE>");
    ASSERT_NE(nBegin, std::string::npos);
    ASSERT_NE(nEnd, std::string::npos);
    std::string strRows;
    for (int r = 0; r < nRows; ++r)
        strRows += std::string(nCols, ' ') + "\r\n";
    EXPECT_EQ(str.substr(nBegin + strOpen.size(), nEnd - nBegin - strOpen.size()), strRows);
    EXPECT_TRUE(str.ends_with("</PRE></DIV></BODY></HTML>")) << "no line end after the page";
    EXPECT_TRUE(AllLinesEndInCrLf(str));
}

TEST(SingleHtmlExport, CellsAndBackgroundInTheColourFormat)
{
    auto vCells = MakeCells({" < ", "xy "});
    vCells[1].crColor = 0x0000FF;
    vCells[3].crColor = vCells[4].crColor = 0x00FF00;
    const std::string str = HtmlExport(vCells, 2, 3, 0xF0F0F0);
    EXPECT_NE(str.find("<BODY bgcolor=#f0f0f0>"), std::string::npos);
    EXPECT_NE(str.find("\r\n <font color=#ff0000><</font> \r\n"), std::string::npos);
    EXPECT_NE(str.find("\r\n<font color=#00ff00>x</font><font color=#00ff00>y</font> \r\n"),
              std::string::npos)
        << "same-coloured neighbours keep one element each";
    EXPECT_EQ(CountOf(str, "<font"), 3);
}

TEST(SingleHtmlExport, WholePageMatchesGolden)
{
    auto vCells = MakeCells({"/\\_ ", "\"&> "});
    vCells[0].crColor = 0x0000FF;
    vCells[1].crColor = 0x00FF00;
    vCells[2].crColor = 0xFF0000;
    ExpectGolden(HtmlExport(vCells, 2, 4, 0xF0F0F0), DataDir() / "export/single_html/expected.htm");
}

// ---- Animated HTML page ----

namespace {

// A document of small frames; each AddFrame blanks a new frame and writes
// its rows, the way the view prepares a frame and then edits it.
class AnimExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_doc.SetCanvasSize(2, 4);
        ASSERT_TRUE(m_doc.OnNewDocument());
    }

    int AddFrame(const std::vector<std::string>& vRows, COLORREF cr = kNearBlack)
    {
        if (m_bUsedFirst) {
            EXPECT_NE(m_doc.NewFrame(), nullptr);
        }
        m_bUsedFirst = true;
        const auto nId = static_cast<unsigned>(m_doc.GetCurHistory());
        EXPECT_EQ(BackupBegin(nId), BACKUP_OK);
        for (int i = 0; i < m_doc.GetCellCount(); ++i) {
            m_doc.GetCurCells()[i].chChar = ' ';
            m_doc.GetCurCells()[i].crColor = kNearBlack;
        }
        for (int r = 0; r < m_doc.GetRows() && r < int(vRows.size()); ++r)
            for (int c = 0; c < m_doc.GetCols() && c < int(vRows[r].size()); ++c) {
                CharCell& cell = m_doc.GetCurCells()[r * m_doc.GetCols() + c];
                cell.chChar = static_cast<uint8_t>(vRows[r][c]);
                cell.crColor = cr;
            }
        EXPECT_EQ(BackupCommit(nId), BACKUP_OK);
        return m_doc.RegisterFrame();
    }

    std::string Export(int nIntervalTenths = 5, COLORREF crBack = kWhite)
    {
        std::ostringstream os;
        ExportAnimationHtml(os, m_doc, nIntervalTenths, crBack);
        return os.str();
    }

    // The PRE content of the layer textN, or "<none>".
    static std::string Layer(const std::string& str, int n)
    {
        const std::string strOpen = "<DIV id=text" + std::to_string(n) + ">\r\n<PRE>\r\n";
        const auto nBegin = str.find(strOpen);
        if (nBegin == std::string::npos)
            return "<none>";
        const auto nEnd = str.find("</PRE></DIV>", nBegin);
        return str.substr(nBegin + strOpen.size(), nEnd - nBegin - strOpen.size());
    }

    CArtDoc m_doc;
    bool m_bUsedFirst = false;
};

} // namespace

TEST(AnimTemplate, PiecesAreThereWithUnixLineEnds)
{
    for (int nId = 52836; nId <= 52859; ++nId) {
        const std::string_view piece = AnimTemplatePiece(nId);
        if (nId == 52839) {
            EXPECT_TRUE(piece.empty()) << "52839 is not a piece";
            continue;
        }
        EXPECT_FALSE(piece.empty()) << "piece " << nId;
        EXPECT_EQ(piece.find('\r'), std::string_view::npos)
            << "piece " << nId << " has a CR; the export adds CRs itself";
    }
    EXPECT_EQ(AnimTemplatePiece(52852),
              "</SCRIPT>\n<SCRIPT language=JavaScript type=text/javascript>\nvar\tmax_pics=");
    EXPECT_EQ(AnimTemplatePiece(52853), ";\nvar\tdelay=");
    EXPECT_TRUE(AnimTemplatePiece(52857).ends_with("\"")) << "the template opens the quotes";
    EXPECT_TRUE(AnimTemplatePiece(52858).starts_with("\"")) << "... and closes them";
    EXPECT_TRUE(AnimTemplatePiece(52859).ends_with("</CENTER></FONT>\n"));
}

TEST_F(AnimExportTest, FrameCountAndDelayAreInserted)
{
    AddFrame({"a"});
    AddFrame({"b"});
    AddFrame({"c"});
    const std::string str = Export(5);
    EXPECT_NE(str.find("var\tmax_pics=3;\r\nvar\tdelay=500;"), std::string::npos);
    EXPECT_NE(Export(1).find("var\tdelay=100;"), std::string::npos);
    EXPECT_NE(Export(100).find("var\tdelay=10000;"), std::string::npos);
}

TEST_F(AnimExportTest, SingleFrameGivesOneLayer)
{
    AddFrame({"", "  o"});
    const std::string str = Export();
    EXPECT_NE(str.find("var\tmax_pics=1;"), std::string::npos);
    EXPECT_EQ(CountOf(str, "<DIV id=text"), 1);
    EXPECT_EQ(Layer(str, 1), "    \r\n  <font color=#010101>o</font> \r\n");
}

TEST_F(AnimExportTest, FramesInKeyOrderWithConsecutiveLayersAfterADeletion)
{
    EXPECT_EQ(AddFrame({"k0"}), 0);
    EXPECT_EQ(AddFrame({"k1"}), 1);
    EXPECT_EQ(AddFrame({"k2"}), 2);
    m_doc.DeleteFrame(1);
    EXPECT_EQ(AddFrame({"k3"}, 0x0000FF), 3);
    m_doc.SelectFrame(0); // the current frame does not decide the order

    const std::string str = Export();
    EXPECT_NE(str.find("var\tmax_pics=3;"), std::string::npos);
    const std::string strK0 = "<font color=#010101>k</font><font color=#010101>0</font>  \r\n"
                              "    \r\n";
    EXPECT_EQ(Layer(str, 1), strK0);
    EXPECT_EQ(Layer(str, 2), "<font color=#010101>k</font><font color=#010101>2</font>  \r\n"
                             "    \r\n");
    EXPECT_EQ(Layer(str, 3), "<font color=#ff0000>k</font><font color=#ff0000>3</font>  \r\n"
                             "    \r\n");
    EXPECT_EQ(Layer(str, 4), "<none>");
    EXPECT_EQ(str.find("k</font><font color=#010101>1"), std::string::npos)
        << "the deleted frame is gone";
    EXPECT_LT(str.find("<DIV id=text1>"), str.find("<DIV id=text2>"));
    EXPECT_LT(str.find("<DIV id=text2>"), str.find("<DIV id=text3>"));
}

TEST_F(AnimExportTest, BackgroundIsQuotedAndEveryLineEndsInCrLf)
{
    AddFrame({"x", " y"});
    const std::string str = Export(5, kWhite);
    EXPECT_NE(str.find("<BODY bgColor=\"#ffffff\""), std::string::npos);
    EXPECT_TRUE(AllLinesEndInCrLf(str));
    EXPECT_TRUE(str.ends_with("</PRE></DIV></BODY></HTML>"));
    EXPECT_GT(CountOf(str, "\r\n"), 100) << "the template's own lines are converted too";
}

TEST_F(AnimExportTest, WholePageMatchesGolden)
{
    AddFrame({"(o)", " | "}, 0x0000FF);
    AddFrame({"\\o/", " | "}, 0x00A000);
    AddFrame({"<o>", "/ \\&"}, 0xFF0000);
    ExpectGolden(Export(5, 0xF0F0F0), DataDir() / "export/anim_3frames/expected.htm");
}

// ---- Animated page from a frame source ----
// (That the page streams in bounded memory is checked on gwconvert.)

namespace {

// A stream's end that takes nAccepted bytes and refuses everything after.
class CFailingBuf : public std::streambuf {
public:
    explicit CFailingBuf(std::size_t nAccepted) : m_nLeft(nAccepted) {}

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override
    {
        if (m_nLeft == 0)
            return 0;
        m_nLeft -= std::min(m_nLeft, std::size_t(n));
        return n;
    }
    int_type overflow(int_type ch) override { return xsputn(nullptr, 1) ? ch : traits_type::eof(); }

private:
    std::size_t m_nLeft;
};

// Ten frames of 128 x 80 busy cells (some 280 KB of page each), all alike;
// counts the frames asked for, and can fail at one of them.
class CFakeFrames : public IAnimFrameSource {
public:
    explicit CFakeFrames(int nFailAt) : m_nFailAt(nFailAt) {}

    int GetFrameCount() const override { return 10; }
    int GetRows() const override { return 80; }
    int GetCols() const override { return 128; }
    const CharCell* GetFrame(int nIndex) override
    {
        ++m_nAsked;
        return nIndex == m_nFailAt ? nullptr : m_vCells.data();
    }

    int m_nAsked = 0;

private:
    int m_nFailAt;
    std::vector<CharCell> m_vCells = MakeCells({std::string(128 * 80, 'x')});
};

} // namespace

TEST(AnimSourceExport, StopsAtTheFirstFrameThatCannotBeHadOrAFailedStream)
{
    const struct {
        const char* szName;
        int nFailAt;
        std::size_t nStreamTakes;
        int nMostAsked;
    } cases[] = {
        {"frame 4 missing", 3, SIZE_MAX, 4},
        {"the stream fails at its second write", -1, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szName);
        CFailingBuf buf(c.nStreamTakes);
        std::ostream os(&buf);
        CFakeFrames frames(c.nFailAt);
        EXPECT_FALSE(ExportAnimationHtml(os, frames, 5, kWhite));
        EXPECT_LE(frames.m_nAsked, c.nMostAsked) << "frames asked for after the failure";
    }
}
