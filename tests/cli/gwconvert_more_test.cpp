// gwconvert's commands beyond the drawing exports, run as processes: the
// picture conversion, FIGlet lettering, and the picture and terminal exports,
// each compared with what the editor's own functions make of the same input.
#include "convert_test_support.h"

#include "core/gwp_writer.h"

using namespace gwcli;

namespace {

// The editor's conversion of a picture onto a blank 80 x 128 canvas.
class CCanvas : public ICellWriter {
public:
    CCanvas(const CImageConvertParams& params) : m_vCells(std::size_t(MAX_ROWS) * MAX_COLS)
    {
        for (int i = 0; i < MAX_ROWS * MAX_COLS; ++i)
            m_vCells[std::size_t(i)] = CharCell{params.crText, i % MAX_COLS * params.nCellWidth,
                                                i / MAX_COLS * params.nCellHeight, ' ', {}};
    }
    int Cols() const override { return MAX_COLS; }
    int Rows() const override { return MAX_ROWS; }
    uint8_t GetChar(int c, int r) const override { return m_vCells[Index(c, r)].chChar; }
    COLORREF GetColor(int c, int r) const override { return m_vCells[Index(c, r)].crColor; }
    void SetCell(int c, int r, uint8_t ch, COLORREF cr) override
    {
        m_vCells[Index(c, r)].chChar = ch, m_vCells[Index(c, r)].crColor = cr;
    }
    // The converted corner, as the text and HTML outputs hold it.
    Frame Corner(int nRows, int nCols) const
    {
        Frame corner;
        for (int r = 0; r < nRows; ++r)
            for (int c = 0; c < nCols; ++c)
                corner.push_back(m_vCells[Index(c, r)]);
        return corner;
    }
    static std::size_t Index(int c, int r) { return std::size_t(r) * MAX_COLS + std::size_t(c); }
    Frame m_vCells;
};

// Colour and grey steps both ways; narrower than the default width, so the
// columns past its right edge are sampled as white.
TEST_F(ConvertTest, ImageWritesWhatTheConversionMakesOfThePicture)
{
    const QString strPicture = QString::fromStdString(Work("pic.png").string());
    QImage picture(60, 45, QImage::Format_RGB32), decoded;
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 60; ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) % 256));
    QString strWhy;
    ASSERT_TRUE(picture.save(strPicture, "PNG") && ReadPicture(strPicture, &decoded, &strWhy));
    StoreSetting("GWColor/FTCLR", Bytes({0x56, 0x34, 0x12, 0x00}));

    const auto params = [](auto fnChange) {
        CImageConvertParams p;
        p.crText = 0x123456;
        fnChange(p);
        return p;
    };
    const struct {
        std::vector<std::string> args;
        CImageConvertParams params;
        COLORREF crBack;
    } cases[] = {
        {{"out.txt"}, params([](auto&) {}), 0},
        {{"out.htm", "--set", "1", "--brightness", "0.25", "--contrast", "1.5", "--saturation",
          ".5", "--cell", "6x10", "--width", "20", "--background", "102030"},
         params([](auto& p) {
             p.nCharSet = 1, p.fBrightness = 0.25f, p.fContrast = 1.5f, p.fSaturation = 0.5f;
             p.nCellWidth = 6, p.nCellHeight = 10, p.nConvertWidth = 20;
         }),
         0x302010},
        {{"out.HTML", "--custom", "&", "--width", "7"},
         params([](auto& p) { p.bCustom = true, p.chCustom = '&', p.nConvertWidth = 7; }),
         0xFFFFFF},
        {{"out.gwp", "--gray", "--auto", "--width", "128", "--brightness=-0.4"},
         params([](auto& p) {
             p.nColorMode = 1, p.bAuto = true, p.nConvertWidth = 128, p.fBrightness = -0.4f;
         }),
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        std::vector<std::string> args = {"image", "pic.png"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CRun run = Run(args);
        ExpectDone(run);
        EXPECT_EQ(run.strOut, "");

        CCanvas canvas(c.params);
        const int nRows = std::min(
            ConvertImage({decoded.constBits(), decoded.width(), decoded.height(),
                          std::size_t(decoded.bytesPerLine())},
                         c.params, canvas),
            MAX_ROWS);
        const Frame corner = canvas.Corner(nRows, c.params.nConvertWidth);
        std::ostringstream os;
        if (c.args[0] == "out.txt")
            ExportSingleText(os, corner.data(), nRows, c.params.nConvertWidth);
        else if (c.args[0] != "out.gwp")
            ExportSingleHtml(os, corner.data(), nRows, c.params.nConvertWidth, c.crBack);
        const std::string strExpected =
            c.args[0] == "out.gwp" ? MakeGwp({canvas.m_vCells}, MAX_COLS, MAX_ROWS) : os.str();
        EXPECT_TRUE(ReadFile(Work(c.args[0])) == strExpected);
    }
    // At the default width each pixel is a block: 45 rows of 64 characters,
    // darkest first, white past the picture's 60 columns.
    const std::string strText = ReadFile(Work("out.txt"));
    EXPECT_EQ(strText.size(), 45u * 66);
    EXPECT_TRUE(strText.starts_with('@') && strText.ends_with("    \r\n")) << strText;
}

TEST_F(ConvertTest, ImageThatCannotBeConvertedFailsWithoutOutput)
{
    WriteFile(Work("bad.png"), "\x89PNG\r\n\x1a\n but not a picture");
    WriteFile(Work("empty.png"), "");
    // 128 x 2 pixels at width 64: blocks of 2 x 3 pixels, no whole row.
    QImage picture(128, 2, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    ASSERT_TRUE(picture.save(QString::fromStdString(Work("flat.png").string()), "PNG"));
    ASSERT_TRUE(picture.copy(0, 0, 16, 2).save(QString::fromStdString(Work("ok.png").string())));
    WriteFile(Work("old.txt"), "an earlier export");
    for (const char* pszPicture : {"bad.png", "empty.png", "missing.png", "flat.png"}) {
        for (const char* pszOut : {"new.gwp", "old.txt"}) {
            SCOPED_TRACE(std::string(pszPicture) + " to " + pszOut);
            ExpectFailure(Run({"image", pszPicture, pszOut}), 1, pszPicture);
        }
    }
    EXPECT_EQ(ReadFile(Work("old.txt")), "an earlier export");
    ExpectFailure(Run({"image", "ok.png", "missing/out.txt", "--width", "16"}), 1, "cannot write");
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"bad.png", "empty.png", "flat.png", "ok.png",
                                                     "old.txt", "two.gwp"}));
}

// A two-row font whose "H" and "i" differ, with a hardblank and end marks.
std::string SmallFont()
{
    std::string str = "flf2a$ 2 2 8 0 1\ncomment\n";
    for (int ch = 32; ch <= 126; ++ch)
        str += ch == 'H' ? "|_|@\n| |@@\n" : ch == 'i' ? "o$@\n|$@@\n" : "@\n@@\n";
    return str;
}

TEST_F(ConvertTest, FigletLettersTextAsTheEditorComposesIt)
{
    WriteFile(Work("small.flf"), SmallFont());
    FigFont font;
    ASSERT_EQ(ParseFigFont(SmallFont(), font), EFigLoad::OK);
    const std::string strExpected = RenderFigText("Hi", font, 2);
    EXPECT_EQ(strExpected, "|_|o \r\n| || \r\n");

    const CRun run = Run({"figlet", "small.flf", "Hi"});
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strOut, strExpected);
    // By name from the user's font folder, into a file.
    fs::create_directories(m_dir / "home" / "Glyphwright" / "Fonts");
    WriteFile(m_dir / "home" / "Glyphwright" / "Fonts" / "tiny.flf", SmallFont());
    EXPECT_EQ(Run({"figlet", "tiny", "Hi", "--spacing", "1", "--output", "hi.txt"}).nStatus, 0);
    EXPECT_EQ(ReadFile(Work("hi.txt")), RenderFigText("Hi", font, 1));
    // The spacings named by word, which differ for this font and text.
    FigFont standard;
    ASSERT_EQ(LoadFigFontFile("/usr/share/figlet/standard.flf", standard), EFigLoad::OK);
    for (const auto& [pszSpacing, nSpacing] :
         {std::pair{"fit", FIG_SPACING_FITTED}, std::pair{"smush", FIG_SPACING_FONT_LAYOUT}})
        EXPECT_EQ(Run({"figlet", "standard", "Hello\nWorld", "--spacing", pszSpacing}).strOut,
                  RenderFigText("Hello\nWorld", standard, nSpacing));

    // A zipped TOIlet font by its path or its name; one cut short is refused, saying why.
    const std::string strZipped = "/usr/share/figlet/mono9.tlf";
    FigFont mono9;
    ASSERT_EQ(LoadFigFontFile(strZipped, mono9), EFigLoad::OK);
    for (const std::string& strFont : {strZipped, std::string("mono9")})
        EXPECT_EQ(Run({"figlet", strFont, "Hi"}).strOut, RenderFigText("Hi", mono9, 2));
    WriteFile(Work("cut.tlf"), ReadFile(strZipped).substr(0, 4000));
    ExpectFailure(Run({"figlet", "cut.tlf", "Hi"}), 1, "ends inside the font's data");

    WriteFile(Work("bad.flf"), "flf2 2 2 8 0 0\n");
    for (const char* pszFont : {"bad.flf", "nosuchfont", "missing/x.flf"}) {
        SCOPED_TRACE(pszFont);
        ExpectFailure(Run({"figlet", pszFont, "Hi", "--output", "no.txt"}), 1);
    }
    EXPECT_FALSE(fs::exists(Work("no.txt")));
}

TEST_F(ConvertTest, FigletLetteringPastTheSizeLimitIsRefused)
{
    // 256 rows of 2,000 columns in "W" (half a megabyte): 132 letters pass 64 MB,
    // 1,000 would make half a gigabyte.
    std::string strFont = "flf2a$ 256 256 2000 0 0\n";
    for (int ch = 32; ch <= 126; ++ch)
        for (int k = 0; k < 256; ++k)
            strFont += (ch == 'W' ? std::string(2000, 'W') : "") + (k < 255 ? "@\n" : "@@\n");
    WriteFile(Work("wide.flf"), strFont);
    for (const char* pszOutput : {"", "no.txt"}) {
        std::vector<std::string> vArgs{"figlet", "wide.flf", std::string(1000, 'W')};
        if (*pszOutput)
            vArgs.insert(vArgs.end(), {"--output", pszOutput});
        ExpectFailure(Run(vArgs), 1, "larger than 64 MB");
    }
    EXPECT_FALSE(fs::exists(Work("no.txt")));
}

TEST_F(ConvertTest, OperandsAfterDoubleDashMayStartWithADash)
{
    fs::copy_file(m_in, Work("-dashed.gwp"));
    const CRun run = Run({"info", "--", "-dashed.gwp"});
    ExpectDone(run);
    EXPECT_EQ(run.strOut, "columns: 7\nrows: 3\nframes: 2\n");
    EXPECT_EQ(Run({"info", "-dashed.gwp"}).nStatus, 2);
}

// The picture and terminal exports write exactly what the editor's own
// functions write; zoom, interval and looping come from the options, else
// from the user's settings as the editor's playback has them.
TEST_F(ConvertTest, PictureAndTerminalExportsAreTheEditors)
{
    const auto run = [&](std::vector<std::string> v) {
        SCOPED_TRACE(v[0]);
        ExpectDone(Run(v));
        return ReadFile(Work(v[2]));
    };
    const Frame& f2 = m_frames[1];
    EXPECT_EQ(run({"png", m_in.string(), "a.png", "--frame", "2", "--zoom", "1"}),
              Written([&](std::ostream& os) { WriteFramePng(os, f2.data(), ROWS, COLS, 1, 0xFFFFFF, nullptr); }));
    EXPECT_EQ(run({"png", m_in.string(), "a.png", "--background", "102030"}),
              Written([&](std::ostream& os) { WriteFramePng(os, m_frames[0].data(), ROWS, COLS, 2, 0x302010, nullptr); }));
    EXPECT_EQ(run({"utf8", m_in.string(), "a.txt", "--frame", "2"}),
              Written([&](std::ostream& os) { ExportUtf8Text(os, f2.data(), ROWS, COLS); }));
    EXPECT_EQ(run({"ansi", m_in.string(), "a.ans", "--frame=2", "--background", "A0B0C0"}),
              Written([&](std::ostream& os) { ExportAnsiText(os, f2.data(), ROWS, COLS, 0xC0B0A0); }));

    CFrameList frames(m_frames);
    const auto gif = [&](int nZoom, int nInterval, bool bLoop) {
        return Written([&](std::ostream& os) { ExportAnimatedGif(os, frames, nZoom, nInterval, bLoop, 0xFFFFFF, nullptr); });
    };
    EXPECT_EQ(run({"gif", m_in.string(), "a.gif"}), gif(2, 5, true)) << "5 tenths, looping";
    EXPECT_EQ(run({"gif", m_in.string(), "a.gif", "--zoom", "4", "--interval", "9", "--once"}), gif(4, 9, false));
    StoreSetting("GWSet/FrmInterval", Bytes({7, 0, 0, 0}));
    StoreSetting("GWSet/PlayLoop", Bytes({0, 0, 0, 0}));
    EXPECT_EQ(run({"gif", m_in.string(), "a.gif", "--zoom", "0"}), gif(0, 7, false));
    EXPECT_EQ(run({"gif", m_in.string(), "a.gif", "--loop"}), gif(2, 7, true));
}

TEST_F(ConvertTest, PictureAndTerminalExportsRefuseBadOptionsAndOutputs)
{
    const std::vector<std::vector<std::string>> bad = {
        {"png", "--zoom", "5"}, {"png", "--zoom", "-1"}, {"gif", "--zoom", "x"},
        {"png", "--frame", "3"}, {"ansi", "--frame", "0"}, {"utf8", "--zoom", "1"},
        {"utf8", "--background", "ffffff"}, {"gif", "--frame", "1"},
        {"gif", "--interval", "101"}, {"gif", "--loop", "--once"}, {"png", "--loop"},
    };
    for (std::vector<std::string> args : bad) {
        args.insert(args.begin() + 1, {m_in.string(), "out"});
        SCOPED_TRACE(args[0] + " " + args[3]);
        ExpectFailure(Run(args), 2);
    }
    for (const char* pszCommand : {"png", "gif", "utf8", "ansi"}) {
        SCOPED_TRACE(pszCommand);
        ExpectFailure(Run({pszCommand, m_in.string(), Work("missing/out").string()}), 1);
        WriteFile(Work("kept"), "old");
        ExpectFailure(Run({pszCommand, "none.gwp", "kept"}), 1);
        EXPECT_EQ(ReadFile(Work("kept")), "old");
    }
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"kept", "two.gwp"}));
}

} // namespace

// A drawing saved after a move and an undone delete is read back in the
// order the editor showed.
TEST_F(ConvertTest, ReadsFramesInTheOrderSavedAfterMoveAndUndoneDelete)
{
    Frame third = m_frames[0];
    for (CharCell& cell : third)
        cell.chChar = cell.chChar == ' ' ? uint8_t('z') : ' ';
    const std::vector<Frame> made = {m_frames[0], m_frames[1], third};
    CArtDoc doc;
    doc.SetCanvasSize(ROWS, COLS);
    ASSERT_TRUE(doc.OnNewDocument());
    doc.RegisterFrame();
    const auto write = [&](const Frame& frame) {
        ASSERT_EQ(BackupWriteSealed(static_cast<unsigned>(doc.GetCurHistory()), doc.GetCurCells(), frame.data(),
                                    frame.size() * sizeof(CharCell)),
                  BACKUP_OK);
    };
    write(made[0]);
    for (int i = 1; i < 3; ++i) {
        ASSERT_EQ(doc.InsertFrame(i), i);
        write(made[std::size_t(i)]);
    }
    ASSERT_TRUE(doc.MoveFrame(2, 0)); // third, first, second
    ASSERT_TRUE(doc.RemoveFrame(0));
    ASSERT_GE(doc.UndoFrameChange(), 0);
    ASSERT_TRUE(GwpSaveDocument(doc, m_in.string()));

    const Frame* expected[] = {&made[2], &made[0], &made[1]};
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        ExpectDone(Run({"utf8", m_in.string(), "a.txt", "--frame", std::to_string(n + 1)}));
        EXPECT_EQ(ReadFile(Work("a.txt")),
                  Written([&](std::ostream& os) { ExportUtf8Text(os, expected[n]->data(), ROWS, COLS); }));
    }
}
