// `gwconvert image PICTURE OUT.gwp --frames`: an animated GIF made with giflib
// becomes one drawing whose frames are, byte for byte, each shown frame
// converted as a still picture, whether giflib or Qt's reader decodes it; a
// still picture gives the same drawing as without --frames; what cannot be
// converted leaves no file.
#include "cli/image_command_internal.h"
#include "convert_test_support.h"
#include "tests/ui/animated_gif.h"

using namespace gwcli;

TEST_F(ConvertTest, ImageFramesWritesEveryShownFrameAsAStillWouldConvert)
{
    std::vector<SGifFrame> vFrames = kDisposalFrames;
    vFrames.push_back({8, 4, 32, 24, 0, 10, 1, true}); // interlaced, over part of the screen
    WriteFile(Work("anim.gif"), MakeAnimatedGif(48, 32, vFrames));
    StoreSetting("GWColor/FTCLR", Bytes({0x56, 0x34, 0x12, 0x00}));
    ExpectDone(Run({"image", "anim.gif", "anim.gwp", "--frames", "--width", "12", "--cell", "6x10"}));

    CImageConvertParams params;
    params.nConvertWidth = 12, params.nCellWidth = 6, params.nCellHeight = 10, params.crText = 0x123456;
    std::vector<Frame> vExpected;
    for (const std::vector<uint8_t>& vShown : ComposeGifFrames(48, 32, vFrames)) {
        CBlankCanvas canvas(params.nCellWidth, params.nCellHeight, params.crText);
        ConvertImage({vShown.data(), 48, 32, 48 * 4}, params, canvas);
        vExpected.push_back(canvas.Cells());
    }
    EXPECT_TRUE(ReadFile(Work("anim.gwp")) == MakeGwp(vExpected, MAX_COLS, MAX_ROWS));
    // giflib decodes a GIF; the part with Qt's readers, which takes the other
    // animated formats, makes the same drawing of it.
    m_strProgram = fs::path(GWCONVERT_PATH).replace_filename("gwconvert-draw").string();
    ExpectDone(Run({"image", "anim.gif", "qt.gwp", "--frames", "--width", "12", "--cell", "6x10"}));
    EXPECT_TRUE(ReadFile(Work("qt.gwp")) == ReadFile(Work("anim.gwp")));
    m_strProgram = GWCONVERT_PATH;

    // One frame: the drawing the still conversion writes.
    QImage picture(30, 40, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(QString::fromStdString(Work("still.png").string())));
    ExpectDone(Run({"image", "still.png", "plain.gwp"}));
    ExpectDone(Run({"image", "still.png", "frames.gwp", "--frames"}));
    EXPECT_TRUE(ReadFile(Work("plain.gwp")) == ReadFile(Work("frames.gwp")));
}

TEST_F(ConvertTest, ImageFramesThatCannotBeConvertedLeaveNoFile)
{
    const std::string gif = MakeAnimatedGif(48, 32, kDisposalFrames);
    WriteFile(Work("broken.gif"), gif.substr(0, gif.size() * 3 / 4)); // cut in its third frame
    WriteFile(Work("anim.gif"), gif);
    WriteFile(Work("flat.gif"), MakeAnimatedGif(128, 2, {{0, 0, 128, 2, 1, 10, 1}, {0, 0, 64, 2, 2, 10, 1}}));
    WriteFile(Work("old.gwp"), "an earlier drawing");
    const std::pair<const char*, const char*> kCases[] = {
        {"broken.gif", "cannot read broken.gif"}, {"flat.gif", "too short"}, {"missing.gif", "missing.gif"}};
    for (const auto& [pszIn, pszSays] : kCases)
        ExpectFailure(Run({"image", pszIn, "old.gwp", "--frames"}), 1, pszSays);
    EXPECT_TRUE(ReadFile(Work("old.gwp")) == "an earlier drawing");
    ExpectFailure(Run({"image", "anim.gif", "anim.txt", "--frames"}), 2, "must end in .gwp");
}
