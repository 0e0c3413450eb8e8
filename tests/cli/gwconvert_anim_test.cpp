// gwconvert's animation commands run as processes: each output compared with
// what the core writes for the same frames, and the refusals.
#include "convert_test_support.h"

#include "core/cast_export.h"
#include "core/svg_export.h"

using namespace gwcli;

namespace {

TEST_F(ConvertTest, SvgAndCastAreTheCoreExportsWithTheOptionsOrTheEditorsSettings)
{
    const std::vector<Frame> second = {m_frames[1]};
    CFrameList frames(m_frames), secondOnly(second);
    const auto svg = [&](IAnimFrameSource& src, int nZoom, int nInterval, bool bLoop, COLORREF cr) {
        return Written([&](std::ostream& os) {
            ExportAnimatedSvg(os, src, {SvgLayoutForZoom(nZoom), nInterval, bLoop, cr});
        });
    };
    // Titled with the drawing's name.
    const auto cast = [&](int nInterval, COLORREF cr) {
        return Written([&](std::ostream& os) { ExportCast(os, frames, {nInterval, cr, "two"}); });
    };
    const auto run = [&](std::vector<std::string> v) {
        v.insert(v.begin() + 1, {m_in.string(), "a." + v[0]});
        SCOPED_TRACE(v[0] + " " + v.back());
        ExpectDone(Run(v));
        return ReadFile(Work("a." + v[0]));
    };
    EXPECT_EQ(run({"svg"}), svg(frames, 2, 5, true, 0xFFFFFF));
    EXPECT_EQ(run({"svg", "--zoom", "4", "--interval", "9", "--once", "--background", "102030"}),
              svg(frames, 4, 9, false, 0x302010));
    EXPECT_EQ(run({"svg", "--frame", "2"}), svg(secondOnly, 2, 5, false, 0xFFFFFF));
    EXPECT_EQ(run({"cast", "--interval", "3", "--background", "102030"}), cast(3, 0x302010));
    StoreSetting("GWSet/FrmInterval", Bytes({7, 0, 0, 0}));
    StoreSetting("GWSet/PlayLoop", Bytes({0, 0, 0, 0}));
    StoreSetting("GWColor/BKCLR", Bytes({0x11, 0x22, 0x33, 0}));
    EXPECT_EQ(run({"svg"}), svg(frames, 2, 7, false, 0x332211));
    EXPECT_EQ(run({"svg", "--loop"}), svg(frames, 2, 7, true, 0x332211));
    EXPECT_EQ(run({"cast"}), cast(7, 0x332211));
}

TEST_F(ConvertTest, AnimationCommandsRefuseBadOptionsAndKeepTheOldOutput)
{
    const std::vector<std::vector<std::string>> bad = {
        {"svg", "--frame", "3"},     {"svg", "--zoom", "5"},        {"svg", "--interval", "0"},
        {"svg", "--loop", "--once"}, {"svg", "--spacing", "1"},     {"cast", "--frame", "1"},
        {"cast", "--once"},          {"cast", "--interval", "101"},
    };
    for (std::vector<std::string> args : bad) {
        args.insert(args.begin() + 1, {m_in.string(), "out"});
        SCOPED_TRACE(args[0] + " " + args[3]);
        ExpectFailure(Run(args), 2);
    }
    for (const char* pszCommand : {"svg", "cast"}) {
        SCOPED_TRACE(pszCommand);
        WriteFile(Work("kept"), "old");
        ExpectFailure(Run({pszCommand, "none.gwp", "kept"}), 1);
        WriteFile(Work("cut.gwp"), m_strGwp.substr(0, m_strGwp.size() - 20));
        ExpectFailure(Run({pszCommand, "cut.gwp", "kept"}), 1, "cut.gwp");
        EXPECT_EQ(ReadFile(Work("kept")), "old");
        ExpectFailure(Run({pszCommand, m_in.string(), Work("missing/out").string()}), 1);
    }
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"cut.gwp", "kept", "two.gwp"}));
}

} // namespace
