// The animated SVG export: a tiny drawing against its golden file, and the
// rules a viewer depends on, case by case.
#include "core/svg_export.h"
#include "export_test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using gwtest::CVectorFrames;

std::string Svg(CVectorFrames& frames, bool bLoop = true)
{
    std::ostringstream os;
    ExportAnimatedSvg(os, frames, {SvgLayoutForZoom(2), 3, bLoop, 0x302010});
    return os.str();
}

TEST(SvgExport, TinyDrawingMatchesGolden)
{
    CVectorFrames frames(2, 5);
    frames.Add("a<b&>\x80\xE9 \x1b ", 0);
    const COLORREF crs[] = {0xFF, 0xFF, 0xFF00, 0xFF00, 0xFF0000, 0xFF0000, 0xFF, 7, 0xFF, 9};
    for (std::size_t i = 0; i < std::size(crs); ++i)
        frames.m_vFrames[0][i].crColor = crs[i];
    frames.Add("     x  y ", 0x123456);
    gwtest::ExpectGolden(Svg(frames), gwtest::DataDir() / "export/svg/expected.svg");
}

TEST(SvgExport, EscapesMergesRunsAndPlaysOnceOrForever)
{
    // One frame of 1 x 6 in one colour but cell 4, nFrames times.
    struct Case {
        std::string strCells;
        bool bLoop;
        int nFrames;
        std::vector<std::string> vHas, vLacks;
    } const vCases[] = {
        // clang-format off
        {"<&> &  ", true, 1, {">&lt;&amp;&gt; &amp;</text>"}, {"@keyframes", "class="}},
        // Windows-1252 bytes as their code points
        {"\x80\x99\xA0\xFF\x9Dz", true, 1,
         {"&#8364;&#8482;&#160;<tspan fill=\"#0000ff\">&#255; </tspan><tspan fill=\"#112233\">z"}, {}},
        // a space joins any run; blank rows and trailing blanks are left out
        {"ab c d", true, 1, {"ab <tspan fill=\"#0000ff\">c </tspan><tspan fill=\"#112233\">d<"}, {}},
        {"  x   ", true, 1, {"textLength=\"24\" fill=\"#112233\">  x</text>"}, {"</tspan>"}},
        {"x     ", true, 3, {"infinite}", "#f1{visibility:visible}", "33.333334%,100%"}, {"gwlast"}},
        // played once, the last frame stays
        {"x     ", false, 3, {"1 forwards}", "#f3{animation-name:gwlast}"}, {"infinite"}},
        // clang-format on
    };
    for (const Case& tc : vCases) {
        SCOPED_TRACE(tc.strCells);
        CVectorFrames frames(2, 6);
        for (int n = 0; n < tc.nFrames; ++n) {
            frames.Add(tc.strCells + "      ", 0x332211);
            frames.m_vFrames.back()[3].crColor = 0xFF0000;
        }
        const std::string str = Svg(frames, tc.bLoop);
        for (const std::string& s : tc.vHas)
            EXPECT_NE(str.find(s), std::string::npos) << s << " in\n" << str;
        for (const std::string& s : tc.vLacks)
            EXPECT_EQ(str.find(s), std::string::npos) << s << " in\n" << str;
        EXPECT_EQ(gwtest::Count(str, "<text "), tc.nFrames) << str;
        EXPECT_EQ(gwtest::Count(str, "<g id="), tc.nFrames);
    }
}

} // namespace
