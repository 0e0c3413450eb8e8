// The animated SVG export: a tiny drawing byte for byte against
// tests/data/export/svg/, and the rules a viewer depends on: markup and
// Windows-1252 characters escaped, colour runs merged through spaces, a still
// picture for one frame, the last frame kept when played once.
#include "core/svg_export.h"
#include "export_test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using gwtest::CVectorFrames;

std::string Svg(CVectorFrames& frames, bool bLoop = true, bool* pOk = nullptr)
{
    SSvgParams params;
    params.layout = SvgLayoutForZoom(2);
    params.nIntervalTenths = 3;
    params.bLoop = bLoop;
    params.crBack = 0x302010;
    std::ostringstream os;
    const bool bOk = ExportAnimatedSvg(os, frames, params);
    if (pOk)
        *pOk = bOk;
    return os.str();
}

int Count(const std::string& str, const std::string& strPart)
{
    int n = 0;
    for (auto i = str.find(strPart); i != std::string::npos; i = str.find(strPart, i + 1))
        ++n;
    return n;
}

TEST(SvgExport, TinyDrawingMatchesGolden)
{
    CVectorFrames frames(2, 5);
    std::vector<CharCell> vFirst;
    const std::string strFirst = "a<b&>\x80\xE9 \x1b ";
    const COLORREF crs[] = {0xFF, 0xFF, 0xFF00, 0xFF00, 0xFF0000, 0xFF0000, 0xFF, 7, 0xFF, 9};
    for (std::size_t i = 0; i < strFirst.size(); ++i)
        vFirst.push_back(CharCell{crs[i], 0, 0, static_cast<uint8_t>(strFirst[i]), {}});
    frames.Add(std::move(vFirst));
    frames.Add("     x  y ", 0x123456);
    gwtest::ExpectGolden(Svg(frames), gwtest::DataDir() / "export/svg/expected.svg");
}

TEST(SvgExport, EscapesMergesRunsAndPlaysOnceOrForever)
{
    struct Case {
        const char* szName;
        std::string strCells; // one frame of 1 x 6, in one colour but cell 4 (its own colour)
        bool bLoop;
        int nFrames;
        std::vector<std::string> vHas, vLacks;
    } const vCases[] = {
        {"markup escaped",
         "<&> &  ",
         true,
         1,
         {">&lt;&amp;&gt; &amp;</text>"},
         {"@keyframes", "class="}},
        {"windows-1252 as code points",
         "\x80\x99\xA0\xFF\x9Dz",
         true,
         1,
         {"&#8364;&#8482;&#160;<tspan fill=\"#0000ff\">&#255; </tspan><tspan fill=\"#112233\">z"},
         {}},
        {"a space joins any run",
         "ab c d",
         true,
         1,
         {"ab <tspan fill=\"#0000ff\">c </tspan><tspan fill=\"#112233\">d<"},
         {}},
        {"blank rows and trailing blanks left out",
         "  x   ",
         true,
         1,
         {"textLength=\"24\" fill=\"#112233\">  x</text>"},
         {"</tspan>"}},
        {"looping",
         "x     ",
         true,
         3,
         {"infinite}", "#f1{visibility:visible}", "33.333334%,100%"},
         {"gwlast"}},
        {"once keeps the last frame",
         "x     ",
         false,
         3,
         {"1 forwards}", "#f3{animation-name:gwlast}"},
         {"infinite"}},
    };
    for (const Case& tc : vCases) {
        SCOPED_TRACE(tc.szName);
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
        EXPECT_EQ(Count(str, "<text "), tc.nFrames) << str;
        EXPECT_EQ(Count(str, "<g id="), tc.nFrames);
    }
}

TEST(SvgExport, StopsAtAFrameThatCannotBeHad)
{
    CVectorFrames frames(1, 2);
    for (int n = 0; n < 4; ++n)
        frames.Add("ab", 1);
    frames.m_nFailAt = 2;
    bool bOk = true;
    const std::string str = Svg(frames, true, &bOk);
    EXPECT_FALSE(bOk);
    EXPECT_EQ(Count(str, "<g id="), 2);
}

} // namespace
