// The terminal recording read back as a player reads it: every line parsed as
// JSON, and each frame's event replayed through the coloured export's reader
// and compared with the frame, cell by cell.
#include "core/cast_export.h"
#include "core/svg_export.h"
#include "core/terminal_export.h"
#include "export_test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Every line parsed on its own, as players read the file.
std::vector<nlohmann::json> ReadLines(const std::string& str)
{
    std::vector<nlohmann::json> v;
    std::istringstream is(str);
    for (std::string strLine; std::getline(is, strLine);)
        v.push_back(nlohmann::json::parse(strLine));
    return v;
}

constexpr COLORREF kBack = 0x102030;

TEST(CastExport, EveryFrameReplaysAsTheFrameAtItsTime)
{
    const int nRows = 3, nCols = 4;
    gwtest::CVectorFrames frames(nRows, nCols);
    const std::string strBytes = "ab\x80\xE9 \x1b\"\\\r\nxy\x9D\x99Zq";
    for (int f = 0; f < 3; ++f) {
        frames.Add((strBytes + strBytes).substr(std::size_t(f), std::size_t(nRows * nCols)), 0);
        for (int i = 0; i < nRows * nCols; ++i)
            frames.m_vFrames.back()[std::size_t(i)].crColor = COLORREF(i * 0x030507 + f * 0x100000);
    }
    std::ostringstream os;
    ASSERT_TRUE(ExportCast(os, frames, {7, kBack, "dance \"one\"\\\n\xC3\xA9\xFF\xE2\x82"}));
    const std::vector<nlohmann::json> vLines = ReadLines(os.str());
    ASSERT_EQ(vLines.size(), 5u) << "header, three frames, the end";
    // Invalid UTF-8 in the title becomes U+FFFD.
    EXPECT_EQ(vLines[0], nlohmann::json::parse(R"({"version": 2, "width": 4, "height": 3,
        "title": "dance \"one\"\\\n\u00e9\ufffd\ufffd\ufffd"})"));
    for (int f = 0; f <= 3; ++f) {
        SCOPED_TRACE(f);
        const nlohmann::json& event = vLines[std::size_t(f) + 1];
        ASSERT_TRUE(event.is_array() && event.size() == 3);
        EXPECT_DOUBLE_EQ(event[0].get<double>(), 0.7 * f);
        EXPECT_EQ(event[1], "o");
        std::string strOut = event[2].get<std::string>();
        if (f == 3) {
            EXPECT_EQ(strOut, "");
            continue;
        }
        // From the top-left corner; rows joined by CR LF (a bare CR is caught
        // as a control character below), none after the last, which would
        // scroll a terminal of the drawing's height.
        ASSERT_TRUE(strOut.starts_with("\x1b[H"));
        strOut.erase(0, 3);
        int nBreaks = 0;
        for (auto i = strOut.find("\r\n"); i != std::string::npos;
             i = strOut.find("\r\n", i), ++nBreaks)
            strOut.erase(i, 1);
        EXPECT_EQ(gwtest::Count(strOut, "\n"), nBreaks) << "a bare LF";
        gwtest::Shown shown;
        gwtest::ReadAnsi(strOut + "\n", shown, kBack);
        std::string strExpected;
        std::vector<COLORREF> vColors;
        for (int i = 0; i < nRows * nCols; ++i) {
            const CharCell& cell = frames.m_vFrames[std::size_t(f)][std::size_t(i)];
            AppendUtf8(strExpected, TerminalChar(cell.chChar));
            strExpected += i % nCols == nCols - 1 ? "\n" : "";
            vColors.push_back(cell.crColor);
        }
        EXPECT_EQ(shown.strText, strExpected);
        EXPECT_EQ(shown.vColors, vColors);
    }
}

// Both animation exports stop and fail at a frame that cannot be had.
TEST(CastExport, AnimationExportsStopAtAFrameThatCannotBeHad)
{
    gwtest::CVectorFrames frames(1, 2);
    for (int n = 0; n < 4; ++n)
        frames.Add("ab", 1);
    frames.m_nFailAt = 1;
    std::ostringstream osCast, osSvg;
    EXPECT_FALSE(ExportCast(osCast, frames, {5, kBack, "t"}));
    EXPECT_EQ(ReadLines(osCast.str()).size(), 2u);
    frames.m_nFailAt = 2;
    EXPECT_FALSE(ExportAnimatedSvg(osSvg, frames, {SvgLayoutForZoom(2), 3, true, kBack}));
    EXPECT_EQ(gwtest::Count(osSvg.str(), "<g id="), 2);
}

} // namespace
