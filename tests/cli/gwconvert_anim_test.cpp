// gwconvert's animation commands run as processes: the SVG and its options,
// each compared with what the core writes for the same frames, and the
// refusals.
#include "convert_test_support.h"

#include "core/cast_export.h"
#include "core/svg_export.h"

using namespace gwcli;

namespace {

std::string Svg(IAnimFrameSource& frames, int nZoom, int nInterval, bool bLoop, COLORREF crBack)
{
    return Written([&](std::ostream& os) {
        ExportAnimatedSvg(os, frames, {SvgLayoutForZoom(nZoom), nInterval, bLoop, crBack});
    });
}

TEST_F(ConvertTest, SvgIsTheCoreExportWithTheOptionsOrTheEditorsSettings)
{
    const auto run = [&](std::vector<std::string> v) {
        v.insert(v.begin(), {"svg", m_in.string(), "a.svg"});
        SCOPED_TRACE(v.back());
        ExpectDone(Run(v));
        return ReadFile(Work("a.svg"));
    };
    CFrameList frames(m_frames);
    const std::vector<Frame> second = {m_frames[1]};
    CFrameList secondOnly(second);
    EXPECT_EQ(run({}), Svg(frames, 2, 5, true, 0xFFFFFF));
    EXPECT_EQ(run({"--zoom", "4", "--interval", "9", "--once", "--background", "102030"}),
              Svg(frames, 4, 9, false, 0x302010));
    EXPECT_EQ(run({"--frame", "2"}), Svg(secondOnly, 2, 5, false, 0xFFFFFF));
    StoreSetting("GWSet/FrmInterval", Bytes({7, 0, 0, 0}));
    StoreSetting("GWSet/PlayLoop", Bytes({0, 0, 0, 0}));
    StoreSetting("GWColor/BKCLR", Bytes({0x11, 0x22, 0x33, 0}));
    EXPECT_EQ(run({}), Svg(frames, 2, 7, false, 0x332211));
    EXPECT_EQ(run({"--loop"}), Svg(frames, 2, 7, true, 0x332211));
}

TEST_F(ConvertTest, CastIsTheCoreRecordingTitledWithTheDrawingsName)
{
    CFrameList frames(m_frames);
    const auto cast = [&](int nInterval, COLORREF crBack) {
        return Written([&](std::ostream& os) {
            ExportCast(os, frames, {nInterval, crBack, "two"});
        });
    };
    ExpectDone(Run({"cast", m_in.string(), "a.cast", "--interval", "3", "--background", "102030"}));
    EXPECT_EQ(ReadFile(Work("a.cast")), cast(3, 0x302010));
    StoreSetting("GWSet/FrmInterval", Bytes({7, 0, 0, 0}));
    ExpectDone(Run({"cast", m_in.string(), "a.cast"}));
    EXPECT_EQ(ReadFile(Work("a.cast")), cast(7, 0xFFFFFF));
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
