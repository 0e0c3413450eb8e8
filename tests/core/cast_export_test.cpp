// The terminal recording read back as a player reads it: every line parsed
// as JSON, the header's size and title, one event per frame at the interval,
// and each event's output replayed through the coloured export's reader and
// compared with the frame, cell by cell.
#include "core/cast_export.h"
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
        std::vector<CharCell> v;
        for (int i = 0; i < nRows * nCols; ++i)
            v.push_back(
                CharCell{COLORREF(i * 0x030507 + f * 0x100000),
                         0,
                         0,
                         static_cast<uint8_t>(strBytes[std::size_t(i + f) % strBytes.size()]),
                         {}});
        frames.Add(std::move(v));
    }
    std::ostringstream os;
    ASSERT_TRUE(ExportCast(os, frames, {7, kBack, "dance \"one\"\\\n\xC3\xA9\xFF\xE2\x82"}));
    const std::vector<nlohmann::json> vLines = ReadLines(os.str());
    ASSERT_EQ(vLines.size(), 5u) << "header, three frames, the end";
    EXPECT_EQ(vLines[0].size(), 4u);
    EXPECT_EQ(vLines[0]["version"], 2);
    EXPECT_EQ(vLines[0]["width"], nCols);
    EXPECT_EQ(vLines[0]["height"], nRows);
    EXPECT_EQ(vLines[0]["title"],
              "dance \"one\"\\\n\xC3\xA9\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
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
        // From the top-left corner; rows joined by CR LF, no line end after
        // the last (it would scroll a terminal of the drawing's height).
        ASSERT_TRUE(strOut.starts_with("\x1b[H"));
        strOut.erase(0, 3);
        std::string strRows;
        for (std::size_t i = 0; i < strOut.size(); ++i) {
            ASSERT_FALSE(strOut[i] == '\r' && strOut.compare(i, 2, "\r\n") != 0) << i;
            ASSERT_FALSE(strOut[i] == '\n' && (i == 0 || strOut[i - 1] != '\r')) << i;
            if (strOut[i] != '\r')
                strRows.push_back(strOut[i]);
        }
        gwtest::Shown shown;
        gwtest::ReadAnsi(strRows + "\n", shown, kBack);
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

TEST(CastExport, StopsAtAFrameThatCannotBeHad)
{
    gwtest::CVectorFrames frames(1, 2);
    for (int n = 0; n < 3; ++n)
        frames.Add("ab", 1);
    frames.m_nFailAt = 1;
    std::ostringstream os;
    EXPECT_FALSE(ExportCast(os, frames, {5, kBack, "t"}));
    EXPECT_EQ(ReadLines(os.str()).size(), 2u);
}

} // namespace
