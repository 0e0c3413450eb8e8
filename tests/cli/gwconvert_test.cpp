// gwconvert run as a separate process, the way scripts use it: the drawing
// commands (info, text, html, animation), their settings, limits and usage.
// Every export is compared with what the core's export functions make of the
// same cells, so the tool must write exactly what the editor writes.
#include "convert_test_support.h"

using namespace gwcli;

namespace {
TEST_F(ConvertTest, InfoPrintsColumnsRowsAndFrames)
{
    const CRun run = Run({"info", m_in.string()});
    ExpectDone(run);
    EXPECT_EQ(run.strOut, "columns: 7\nrows: 3\nframes: 2\n");
}

TEST_F(ConvertTest, TextAndHtmlWriteTheChosenFrameAsTheEditorDoes)
{
    // Frame 1 is the default; colours are RRGGBB on the command line, 0x00BBGGRR inside.
    const std::string in = m_in.string(), text1 = Work("one.txt"), text2 = Work("two.txt"),
                      html = Work("two.htm");
    const struct {
        std::vector<std::string> args;
        std::string strOut, strExpected;
    } cases[] = {
        {{"text", in, text1}, text1, ExpectedText(m_frames[0])},
        {{"text", in, text2, "--frame", "2"}, text2, ExpectedText(m_frames[1])},
        {{"html", "--frame=2", in, html, "--background", "102030"}, html, ExpectedHtml(m_frames[1], 0x00302010)},
        {{"html", in, html, "--background", "#A0b0C0"}, html, ExpectedHtml(m_frames[0], 0x00C0B0A0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        const CRun run = Run(c.args);
        ExpectDone(run);
        EXPECT_EQ(run.strOut, "");
        EXPECT_EQ(ReadFile(c.strOut), c.strExpected);
    }
}

TEST_F(ConvertTest, AnimationPlaysEveryFrameAtTheGivenInterval)
{
    const fs::path out = Work("anim.htm");
    EXPECT_EQ(Run({"animation", m_in.string(), out.string(), "--interval", "12"}).nStatus, 0);
    const std::string strPage = ReadFile(out);
    EXPECT_NE(strPage.find("delay=1200"), std::string::npos);
    EXPECT_EQ(strPage, ExpectedAnimation(m_strGwp, 12, 0x00FFFFFF));
}

// Large frames are read a few MiB at a time, ahead of the page: every frame
// still comes out in its place.
TEST_F(ConvertTest, AnimationOfManyLargeFramesIsTheEditorsPage)
{
    constexpr int nCols = 128, nRows = 80;
    std::vector<Frame> frames;
    for (int f = 0; f < 70; ++f) {
        Frame frame(std::size_t(nCols) * nRows);
        for (std::size_t i = 0; i < frame.size(); ++i)
            frame[i] = CharCell{0x010203u * COLORREF(f + 1), 0, 0, uint8_t(i % 3 ? 33 + (f + i) % 90 : ' '), {}};
        frames.push_back(std::move(frame));
    }
    const std::string strGwp = MakeGwp(frames, nCols, nRows);
    WriteFile(Work("big.gwp"), strGwp);
    EXPECT_EQ(Run({"animation", "big.gwp", "big.htm", "--interval", "3"}).nStatus, 0);
    EXPECT_TRUE(ReadFile(Work("big.htm")) == ExpectedAnimation(strGwp, 3, 0x00FFFFFF));
}

TEST_F(ConvertTest, DefaultsComeFromTheUsersSettings)
{
    const std::string html = Work("one.htm"), anim = Work("anim.htm");
    const auto exported = [&](std::vector<std::string> args) {
        args.insert(args.begin() + 1, {m_in.string(), args[0] == "html" ? html : anim});
        ExpectDone(Run(args));
        return ReadFile(args[2]);
    };
    // A clean profile: white and 5 tenths.
    EXPECT_EQ(exported({"html"}), ExpectedHtml(m_frames[0], 0x00FFFFFF));
    EXPECT_EQ(exported({"animation"}), ExpectedAnimation(m_strGwp, 5, 0x00FFFFFF));

    StoreSetting("GWSet/FrmInterval", Bytes({7, 0, 0, 0}));
    StoreSetting("GWColor/BKCLR", Bytes({0xF0, 0xF0, 0xF0, 0x00}));
    const std::string strPage = exported({"animation"});
    EXPECT_NE(strPage.find("delay=700"), std::string::npos);
    EXPECT_NE(strPage.find("#f0f0f0"), std::string::npos);
    EXPECT_EQ(strPage, ExpectedAnimation(m_strGwp, 7, 0x00F0F0F0));
    EXPECT_EQ(exported({"html"}), ExpectedHtml(m_frames[0], 0x00F0F0F0));

    // The byte order is the editor's: little-endian, red in the low byte.
    StoreSetting("GWColor/BKCLR", Bytes({0x11, 0x22, 0x33, 0x00}));
    EXPECT_NE(exported({"html"}).find("bgcolor=#112233"), std::string::npos);

    // Options given on the command line win over the settings.
    EXPECT_EQ(exported({"animation", "--interval", "12", "--background", "000000"}),
              ExpectedAnimation(m_strGwp, 12, 0x00000000));
}

TEST_F(ConvertTest, StoredValuesOfAnotherWidthOrOutOfRangeAreIgnored)
{
    const fs::path anim = Work("anim.htm");
    const std::string strDefault = ExpectedAnimation(m_strGwp, 5, 0x00FFFFFF);
    const struct {
        QByteArray interval;
        QByteArray back;
    } cases[] = {
        {Bytes({7, 0}), Bytes({0xF0, 0xF0, 0xF0})},
        {Bytes({7, 0, 0, 0, 0, 0, 0, 0}), Bytes({0xF0, 0xF0, 0xF0, 0, 0})},
        {QByteArray(), QByteArray()},
        {Bytes({0, 0, 0, 0}), QByteArray("f0f0f0")},
        {Bytes({101, 0, 0, 0}), QByteArray("\xF0\xF0")},
        {Bytes({0xFB, 0xFF, 0xFF, 0xFF}), QByteArray()}, // -5
    };
    for (const auto& c : cases) {
        StoreSetting("GWSet/FrmInterval", c.interval);
        StoreSetting("GWColor/BKCLR", c.back);
        EXPECT_EQ(Run({"animation", m_in.string(), anim.string()}).nStatus, 0);
        EXPECT_EQ(ReadFile(anim), strDefault)
            << "interval bytes " << c.interval.toHex().toStdString() << ", background bytes "
            << c.back.toHex().toStdString();
    }
}

TEST_F(ConvertTest, BadInputFailsAndLeavesTheOutputAlone)
{
    const fs::path wrong = Work("wrong.gwp"), cut = Work("cut.gwp"), none = Work("none.gwp");
    WriteFile(wrong, "GWHEADEX" + m_strGwp.substr(8));
    WriteFile(cut, m_strGwp.substr(0, m_strGwp.size() - 1));
    const fs::path out = Work("out.htm");

    ExpectFailure(Run({"html", wrong.string(), out.string()}), 1, "Wrong type file!");
    for (const fs::path& bad : {cut, none, m_dir / "work"}) {
        for (const std::string strCommand : {"info", "text", "animation"}) {
            SCOPED_TRACE(strCommand + " " + bad.string());
            std::vector<std::string> args = {strCommand, bad.string()};
            if (strCommand != "info")
                args.push_back(out.string());
            ExpectFailure(Run(args), 1);
        }
    }
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"cut.gwp", "two.gwp", "wrong.gwp"}));

    // An existing output keeps every byte when the input is bad.
    const std::string strOld = "an earlier export\r\n";
    WriteFile(out, strOld);
    for (const fs::path& bad : {wrong, cut, none}) {
        for (const char* pszCommand : {"text", "html", "animation"}) {
            EXPECT_EQ(Run({pszCommand, bad.string(), out.string()}).nStatus, 1);
            EXPECT_EQ(ReadFile(out), strOld) << pszCommand << " " << bad;
        }
    }
    EXPECT_EQ(Run({"text", m_in.string(), out.string(), "--frame", "3"}).nStatus, 2);
    EXPECT_EQ(ReadFile(out), strOld);
}

// None of these is read whole: under a 256 MiB address space a whole 2 GB
// file cannot even be held, and a pipe or a device never ends.
TEST_F(ConvertTest, InfoReadsOnlyTheHeader)
{
    constexpr off_t k2GB = off_t(2) << 30;
    const auto sparse = [&](const char* pszName, const std::string& strHead) {
        const fs::path path = Work(pszName);
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        EXPECT_TRUE(fd >= 0 && ftruncate(fd, k2GB) == 0 &&
                    pwrite(fd, strHead.data(), strHead.size(), 0) == ssize_t(strHead.size()));
        close(fd);
        return path.string();
    };
    ASSERT_EQ(mkfifo(Work("pipe.gwp").c_str(), 0600), 0);
    std::string strLonger = m_strGwp;
    strLonger[8] = 3; // three frames claimed, two there
    WriteFile(Work("claims3.gwp"), strLonger);
    const std::string strShort = "shorter than its header says";

    const struct {
        std::string strPath;
        int nStatus;
        std::string strExpected; // on standard output for 0, in the error line otherwise
    } cases[] = {
        {"pipe.gwp", 1, "Wrong type file!"},
        {Work("").string(), 1, "Wrong type file!"},
        {"/dev/zero", 1, "Wrong type file!"},
        {sparse("zeros.gwp", ""), 1, "Wrong type file!"},
        {sparse("huge.gwp", GwpHeader(65536, 128, 80)), 1, strShort},
        {"claims3.gwp", 1, strShort},
        // 13,107 frames of 128 x 80 fit in 2 GB.
        {sparse("full.gwp", GwpHeader(13107, 128, 80)), 0,
         "columns: 128\nrows: 80\nframes: 13107\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strPath);
        const CRun run = Run({"info", c.strPath}, rlim_t(256) << 20);
        if (c.nStatus != 0)
            ExpectFailure(run, c.nStatus, c.strExpected);
        else
            EXPECT_EQ(run.strOut, c.strExpected) << run.nStatus << run.strErr;
    }
}

// 1,000 frames of the largest canvas make a 164 MB drawing and a 287 MB page;
// holding either whole would not fit in the child's 256 MiB. The page's bytes
// are checked on small drawings above; here, that every frame went out.
// The most frames a file may hold, and the most cells a thousand frames may
// hold: both stream through in bounded memory.
TEST_F(ConvertTest, AnimationStreamsTheLargestDrawingsInBoundedMemory)
{
    const struct {
        int nFrames, nCols, nRows;
    } aCases[] = {{1000, 128, 80}, {65536, 1, 1}};
    for (const auto& c : aCases) {
        const std::string strFrame =
            MakeGwp({Frame(std::size_t(c.nCols) * c.nRows, CharCell{0x123456, 0, 0, 'x', {}})},
                    c.nCols, c.nRows)
                .substr(20);
        {
            std::ofstream out(Work("long.gwp"), std::ios::binary);
            out << GwpHeader(c.nFrames, c.nCols, c.nRows);
            for (int n = 0; n < c.nFrames; ++n)
                out << strFrame;
            ASSERT_TRUE(out.good());
        }
        ExpectDone(Run({"animation", "long.gwp", "long.htm"}, rlim_t(256) << 20));
        const std::string strCell = "<font color=#563412>x</font>";
        EXPECT_GT(fs::file_size(Work("long.htm")),
                  std::uintmax_t(c.nFrames) * c.nCols * c.nRows * strCell.size());
        std::ifstream in(Work("long.htm"), std::ios::binary);
        in.seekg(-300000, std::ios::end); // a little more than a frame
        const std::string strTail(std::istreambuf_iterator<char>(in), {});
        EXPECT_NE(strTail.find("<DIV id=text" + std::to_string(c.nFrames) + ">"), std::string::npos);
        EXPECT_TRUE(strTail.ends_with(strCell + "\r\n</PRE></DIV></BODY></HTML>"));
    }
}

TEST_F(ConvertTest, UnwritableOutputFails)
{
    for (const char* pszCommand : {"text", "html", "animation"}) {
        SCOPED_TRACE(pszCommand);
        ExpectFailure(Run({pszCommand, m_in.string(), Work("missing/out.htm").string()}), 1);
    }
    // A folder where the file should go.
    fs::create_directory(Work("taken"));
    ExpectFailure(Run({"text", m_in.string(), Work("taken").string()}), 1);
    EXPECT_TRUE(fs::is_empty(Work("taken")));
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"taken", "two.gwp"}));
}

// A device is written as it is (it cannot be replaced), and its failure said
// in words; an output that is the input, by name or through a link, is
// refused before anything is read.
TEST_F(ConvertTest, DevicesAreWrittenAndTheInputIsNeverTheOutput)
{
    ExpectDone(Run({"text", m_in.string(), "/dev/null"}));
    ExpectFailure(Run({"html", m_in.string(), "/dev/full"}), 1, "cannot write /dev/full: No space left on device");
    const std::string strBefore = ReadFile(m_in);
    fs::create_symlink(m_in, Work("link.gwp"));
    for (const char* pszCommand : {"text", "html", "gif"})
        for (const fs::path& out : {m_in, Work("link.gwp")}) {
            SCOPED_TRACE(std::string(pszCommand) + " " + out.string());
            ExpectFailure(Run({pszCommand, m_in.string(), out.string()}), 2, "is the input");
        }
    EXPECT_EQ(ReadFile(m_in), strBefore);
}

// A file size limit fails the write like a full disk: the signal it raises
// must not kill the tool half way through the temporary file.
TEST_F(ConvertTest, OutputOverTheFileSizeLimitFailsAndKeepsTheOldFile)
{
    constexpr rlim_t kLimit = 1024;
    ASSERT_GT(ExpectedAnimation(m_strGwp, 10, 0).size(), kLimit);
    WriteFile(Work("out.htm"), "the old page");
    ExpectFailure(Run({"animation", m_in.string(), "out.htm"}, RLIM_INFINITY, kLimit), 1, "cannot write");
    EXPECT_EQ(ReadFile(Work("out.htm")), "the old page");
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"out.htm", "two.gwp"}));
}

TEST_F(ConvertTest, BadArgumentsAreUsageErrors)
{
    const std::string in = m_in.string();
    const std::string out = Work("out.txt").string();
    const std::vector<std::vector<std::string>> cases = {
        {}, {"convert", in, out}, {"--frame", "2"}, {"info"}, {"info", in, out},
        {"text"}, {"text", in}, {"text", in, out, "extra"},
        {"text", in, out, "--frame", "0"}, {"text", in, out, "--frame", "-1"},
        {"text", in, out, "--frame", "3"}, // past the last of two frames
        {"text", in, out, "--frame", "99999999999999999999"}, {"text", in, out, "--frame", "two"},
        {"text", in, out, "--frame"}, {"text", in, out, "--interval", "5"},
        {"text", in, out, "--colour", "ffffff"}, {"text", in, out, "--spacing", "1"},
        {"html", in, out, "--frame", "3"}, {"html", in, out, "--background", "zzzzzz"},
        {"html", in, out, "--background", "fff"}, {"html", in, out, "--background", "ffffff0"},
        {"animation", in, out, "--interval", "0"}, {"animation", in, out, "--interval", "101"},
        {"animation", in, out, "--interval", ""}, {"animation", in, out, "--frame", "1"},
        {"animation", in, out, "--background", "12345g"},
        {"figlet"}, {"figlet", "standard"}, {"figlet", "standard", "Hi", "extra"},
        {"figlet", "standard", "Hi", "--spacing", "3"}, {"figlet", "standard", "Hi", "--spacing", "Smush"},
        {"figlet", "standard", "Hi", "--output"},
        {"image", "pic.png"}, {"image", "pic.png", "out.bmp"},
        {"image", "pic.png", out, "--width", "0"}, {"image", "pic.png", out, "--width", "129"},
        {"image", "pic.png", out, "--set", "4"}, {"image", "pic.png", out, "--set", "1", "--auto"},
        {"image", "pic.png", out, "--auto=1"}, {"image", "pic.png", out, "--custom", "xy"},
        {"image", "pic.png", out, "--custom", "\x7f"}, {"image", "pic.png", out, "--custom", "x", "--gray"},
        {"image", "pic.png", out, "--brightness", "1.05"}, {"image", "pic.png", out, "--contrast", "0.1"},
        {"image", "pic.png", out, "--saturation", "-0.5"}, {"image", "pic.png", out, "--saturation", "1e0"},
        {"image", "pic.png", out, "--cell", "8"},
        {"image", "pic.png", out, "--background", "ffffff"}, // a page colour for text
        {"image", "pic.png", out, "--frame", "1"},
    };
    for (const auto& args : cases) {
        std::string strLine;
        for (const std::string& s : args)
            strLine += s + " ";
        SCOPED_TRACE("gwconvert " + strLine);
        ExpectFailure(Run(args), 2);
    }
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"two.gwp"});
}

TEST_F(ConvertTest, HelpGoesToStandardOutput)
{
    // With the option each command describes as its own, where there is one.
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--help"}, ""}, {{"-h"}, ""}, {{"info", "--help"}, ""}, {{"text", "--help"}, "--frame"},
        {{"html", "-h"}, ""}, {{"html", "--help"}, "--background"},
        {{"animation", "--help"}, "--interval"}, {{"figlet", "--help"}, ""},
        {{"image", "--help"}, "--brightness"}, {{"text", m_in.string(), "--frame", "0", "--help"}, ""},
    };
    for (const auto& [args, strOption] : cases) {
        SCOPED_TRACE(args[0] + " " + args.back());
        const CRun run = Run(args);
        ExpectDone(run);
        EXPECT_TRUE(run.strOut.starts_with("Usage: gwconvert")) << run.strOut;
        EXPECT_NE(run.strOut.find(strOption), std::string::npos) << run.strOut;
    }
    // Nothing is reserved up front: a small address space is no obstacle.
    EXPECT_EQ(Run({"--help"}, rlim_t(256) << 20).nStatus, 0);
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // The expected pictures are drawn with the canvas's font, as the tool draws them.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The expected animations load drawings into documents, as the tool does.
    BackupInstallFaultFilter();
    return RUN_ALL_TESTS();
}
