// gwconvert flip against hand-made pictures: every frame or one, left-right
// or top-bottom, glyph-aware or plain, and the usage and file errors.
#include "convert_test_support.h"

#include "core/gwp_format.h"

using namespace gwcli;

namespace {
// A drawing of rows of text, one frame per entry, each cell's colour its column.
std::string TextGwp(const std::vector<std::vector<std::string>>& vFrames)
{
    const int nRows = int(vFrames[0].size()), nCols = int(vFrames[0][0].size());
    std::vector<Frame> frames;
    for (const auto& vRows : vFrames) {
        Frame& frame = frames.emplace_back(std::size_t(nRows * nCols));
        for (int i = 0; i < nRows * nCols; ++i)
            frame[std::size_t(i)] = {COLORREF(i % nCols),
                                     0,
                                     0,
                                     uint8_t(vRows[std::size_t(i / nCols)][std::size_t(i % nCols)]),
                                     {}};
    }
    return MakeGwp(frames, nCols, nRows);
}

// Each frame's rows joined by '|', frames by " / "; after '#' the colours of
// the first frame's first row.
std::string Shown(const std::string& strGwp)
{
    CGwpImage image;
    if (GwpParse(strGwp, &image, nullptr) != EGwpResult::Ok)
        return "unreadable";
    std::string str;
    for (int f = 0; f < image.nFrames; ++f) {
        const auto* pCells = reinterpret_cast<const CharCell*>(image.Frame(f));
        for (int i = 0; i < image.nRows * image.nCols; ++i)
            str +=
                (i > 0 && i % image.nCols == 0 ? "|" : "") + std::string(1, char(pCells[i].chChar));
        str += f + 1 < image.nFrames ? " / " : " #";
    }
    for (int c = 0; c < image.nCols; ++c)
        str += std::to_string(reinterpret_cast<const CharCell*>(image.Frame(0))[c].crColor);
    return str;
}
} // namespace

TEST_F(ConvertTest, FlipWritesTheDrawingFlipped)
{
    WriteFile(Work("art.gwp"), TextGwp({{"/(b", "n M"}, {"ab ", "  _"}}));
    const struct {
        std::vector<std::string> vOptions;
        const char* pszWant;
    } cases[] = {
        {{"--left-right"}, "d)\\|M n /  da|_   #210"},
        {{"--top-bottom", "--frame", "1"}, "u W|\\(p / ab |  _ #012"},
        {{"--plain", "--top-bottom", "--frame=2"}, "/(b|n M /   _|ab  #012"},
        {{"--left-right", "--plain"}, "b(/|M n /  ba|_   #210"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> vArgs = {"flip", "art.gwp", "out.gwp"};
        vArgs.insert(vArgs.end(), c.vOptions.begin(), c.vOptions.end());
        ExpectDone(Run(vArgs));
        EXPECT_EQ(Shown(ReadFile(Work("out.gwp"))), c.pszWant) << c.vOptions[0];
    }
}

TEST_F(ConvertTest, FlipRefusesBadArgumentsAndUnreadableDrawings)
{
    WriteFile(Work("bad.gwp"), "not a drawing");
    const struct {
        std::vector<std::string> vArgs;
        int nStatus;
        const char* pszPart;
    } cases[] = {
        {{"flip", "two.gwp", "out.gwp"}, 2, "--left-right or --top-bottom"},
        {{"flip", "two.gwp", "out.gwp", "--left-right", "--top-bottom"}, 2, "cannot both"},
        {{"flip", "two.gwp", "out.gwp", "--left-right", "--frame", "3"}, 2, "past the last frame"},
        {{"flip", "two.gwp", "out.gwp", "--left-right", "--zoom", "1"}, 2, "unknown option"},
        {{"flip", "bad.gwp", "out.gwp", "--left-right"}, 1, "bad.gwp"},
        {{"flip", "none.gwp", "out.gwp", "--top-bottom"}, 1, "cannot read none.gwp"},
    };
    for (const auto& c : cases) {
        ExpectFailure(Run(c.vArgs), c.nStatus, c.pszPart);
        EXPECT_FALSE(fs::exists(Work("out.gwp"))) << c.pszPart;
    }
}
