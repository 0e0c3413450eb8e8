// gwconvert run as a separate process, the way scripts use it. Drawings are
// written byte by byte here, independently of the core's own file writer, and
// every export is compared with what the core's export functions make of the
// same cells, so the tool must write exactly what the editor writes.
#include "canvas/frame_picture.h"
#include "canvas/gif_export.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/figlet.h"
#include "core/gwp_file.h"
#include "core/html_export.h"
#include "core/image_convert.h"
#include "core/terminal_export.h"
#include "ui/picture_reader.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int COLS = 7; // not square, so columns and rows cannot be swapped unnoticed
constexpr int ROWS = 3;

using Frame = std::vector<CharCell>;

// Two frames that differ in every cell's character and colour, with spaces
// and bytes above 127 among them.
std::vector<Frame> SampleFrames()
{
    std::vector<Frame> frames;
    for (int f = 0; f < 2; ++f) {
        Frame frame(COLS * ROWS);
        for (int i = 0; i < COLS * ROWS; ++i) {
            CharCell& cell = frame[std::size_t(i)];
            cell.crColor = 0x00102030u * COLORREF(f + 1) + COLORREF(i);
            cell.nX = (i % COLS) * 8;
            cell.nY = (i / COLS) * 12;
            cell.chChar = i % 5 == 0   ? ' '
                          : i % 7 == 3 ? uint8_t(0xE9 + f)
                                       : uint8_t('A' + f * 10 + i);
        }
        frames.push_back(frame);
    }
    return frames;
}

void AppendLe32(std::string& str, uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        str.push_back(char((n >> (8 * i)) & 0xFF));
}

std::string GwpHeader(int nFrames, int nCols, int nRows)
{
    std::string str = "GWHEADER";
    for (int n : {nFrames, nCols, nRows})
        AppendLe32(str, uint32_t(n));
    return str;
}

// The ".gwp" layout spelt out field by field.
std::string MakeGwp(const std::vector<Frame>& frames, int nCols, int nRows)
{
    std::string str = GwpHeader(int(frames.size()), nCols, nRows);
    for (const Frame& frame : frames) {
        for (const CharCell& cell : frame) {
            AppendLe32(str, cell.crColor);
            AppendLe32(str, uint32_t(cell.nX));
            AppendLe32(str, uint32_t(cell.nY));
            str.push_back(char(cell.chChar));
            str.append(3, '\0');
        }
    }
    return str;
}

std::string ExpectedText(const Frame& frame)
{
    std::ostringstream os;
    ExportSingleText(os, frame.data(), ROWS, COLS);
    return os.str();
}

std::string ExpectedHtml(const Frame& frame, COLORREF crBack)
{
    std::ostringstream os;
    ExportSingleHtml(os, frame.data(), ROWS, COLS, crBack);
    return os.str();
}

std::string ExpectedAnimation(const std::string& strGwp, int nInterval, COLORREF crBack)
{
    CGwpImage image;
    std::string strMessage;
    if (GwpParse(strGwp, &image, &strMessage) != EGwpResult::Ok)
        return "unparsable sample: " + strMessage;
    CArtDoc doc;
    GwpLoad(doc, image);
    std::ostringstream os;
    ExportAnimationHtml(os, doc, nInterval, crBack);
    return os.str();
}

// The frames as the GIF export takes them from a document or a file.
class CFrameList : public IAnimFrameSource {
public:
    explicit CFrameList(const std::vector<Frame>& frames) : m_frames(frames) {}
    int GetFrameCount() const override { return int(m_frames.size()); }
    int GetRows() const override { return ROWS; }
    int GetCols() const override { return COLS; }
    const CharCell* GetFrame(int n) override { return m_frames[std::size_t(n)].data(); }

private:
    const std::vector<Frame>& m_frames;
};

// What the canvas-level and core exports make of the sample, in process.
template <class TWrite>
std::string Written(TWrite write)
{
    std::ostringstream os;
    write(os);
    return os.str();
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& str)
{
    std::ofstream out(path, std::ios::binary);
    out.write(str.data(), std::streamsize(str.size()));
}

QByteArray Bytes(std::initializer_list<unsigned char> bytes)
{
    QByteArray array;
    for (unsigned char ch : bytes)
        array.append(char(ch));
    return array;
}

struct CRun {
    int nStatus = -1; // exit status; -1 when the child did not exit normally
    std::string strOut;
    std::string strErr;
};

class ConvertTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string strTemplate = (fs::temp_directory_path() / "gwconvert.XXXXXX").string();
        ASSERT_NE(mkdtemp(strTemplate.data()), nullptr);
        m_dir = strTemplate;
        for (const char* pszSub : {"home", "config", "work"})
            fs::create_directories(m_dir / pszSub);
        m_in = Work("two.gwp");
        m_strGwp = MakeGwp(m_frames, COLS, ROWS);
        WriteFile(m_in, m_strGwp);
    }

    void TearDown() override { fs::remove_all(m_dir); }

    fs::path Work(const std::string& strName) const { return m_dir / "work" / strName; }

    // Values as the editor stores them: in its settings file under the
    // child's private XDG_CONFIG_HOME.
    void StoreSetting(const char* pszKey, const QByteArray& value)
    {
        const fs::path file = m_dir / "config" / "Quillmark" / "Glyphwright.conf";
        QSettings settings(QString::fromStdString(file.string()), QSettings::IniFormat);
        settings.setValue(QString::fromLatin1(pszKey), value);
        settings.sync();
        ASSERT_EQ(settings.status(), QSettings::NoError);
    }

    // Runs gwconvert in the work folder. A child still running after 30 s is
    // killed (a hang fails the case instead of the suite); nAddressSpace
    // caps the child's address space and nFileSize the files it writes.
    CRun Run(const std::vector<std::string>& args, rlim_t nAddressSpace = RLIM_INFINITY,
             rlim_t nFileSize = RLIM_INFINITY)
    {
        std::vector<std::string> env;
        const fs::path home = m_dir / "home";
        const fs::path config = m_dir / "config";
        const std::vector<std::string> own = {
            "HOME=" + home.string(),
            "XDG_CONFIG_HOME=" + config.string(),
            "XDG_CONFIG_DIRS=" + config.string(), // no system-wide settings either
            "XDG_DATA_HOME=" + home.string(),
            "XDG_CACHE_HOME=" + home.string(),
        };
        for (char** pp = environ; *pp; ++pp) {
            const std::string str = *pp;
            const std::string strName = str.substr(0, str.find('=') + 1);
            if (std::none_of(own.begin(), own.end(),
                             [&](const std::string& s) { return s.starts_with(strName); }))
                env.push_back(str);
        }
        env.insert(env.end(), own.begin(), own.end());

        std::vector<std::string> argv = {GWCONVERT_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        const fs::path out = m_dir / "stdout";
        const fs::path err = m_dir / "stderr";
        // Relative paths in a case are relative to the work folder.
        const fs::path work = m_dir / "work";
        std::vector<char*> argvPtrs, envPtrs;
        for (std::string& s : argv)
            argvPtrs.push_back(s.data());
        argvPtrs.push_back(nullptr);
        for (std::string& s : env)
            envPtrs.push_back(s.data());
        envPtrs.push_back(nullptr);

        CRun run;
        const pid_t pid = fork();
        if (pid == 0) {
            // Only async-signal-safe calls between fork and exec.
            const int fdOut = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int fdErr = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const rlimit limit{nAddressSpace, nAddressSpace};
            const rlimit fileLimit{nFileSize, nFileSize};
            // The program must guard itself against SIGXFSZ; an ignored
            // signal would be inherited through exec and hide it.
            if (fdOut < 0 || fdErr < 0 || dup2(fdOut, 1) < 0 || dup2(fdErr, 2) < 0 ||
                chdir(work.c_str()) != 0 || signal(SIGXFSZ, SIG_DFL) == SIG_ERR ||
                (nAddressSpace != RLIM_INFINITY && setrlimit(RLIMIT_AS, &limit) != 0) ||
                (nFileSize != RLIM_INFINITY && setrlimit(RLIMIT_FSIZE, &fileLimit) != 0))
                _exit(126);
            alarm(30);
            execve(argvPtrs[0], argvPtrs.data(), envPtrs.data());
            _exit(127);
        }
        if (pid < 0) {
            ADD_FAILURE() << "fork: " << std::strerror(errno);
            return run;
        }
        int nWait = 0;
        while (waitpid(pid, &nWait, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(nWait))
            run.nStatus = WEXITSTATUS(nWait);
        run.strOut = ReadFile(out);
        run.strErr = ReadFile(err);
        return run;
    }

    // Exactly one line on standard error, and nothing on standard output.
    static void ExpectOneErrorLine(const CRun& run)
    {
        EXPECT_EQ(std::count(run.strErr.begin(), run.strErr.end(), '\n'), 1) << run.strErr;
        EXPECT_TRUE(run.strErr.ends_with('\n')) << run.strErr;
        EXPECT_EQ(run.strOut, "");
    }

    // Nothing but the drawing and what the test put there: no output, no
    // temporary file left behind.
    std::vector<std::string> WorkFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir / "work"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_dir;
    fs::path m_in;
    std::vector<Frame> m_frames = SampleFrames();
    std::string m_strGwp;
};

TEST_F(ConvertTest, InfoPrintsColumnsRowsAndFrames)
{
    const CRun run = Run({"info", m_in.string()});
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strOut, "columns: 7\nrows: 3\nframes: 2\n");
    EXPECT_EQ(run.strErr, "");
}

TEST_F(ConvertTest, TextAndHtmlWriteTheChosenFrameAsTheEditorDoes)
{
    const fs::path text1 = Work("one.txt"), text2 = Work("two.txt");
    EXPECT_EQ(Run({"text", m_in.string(), text1.string()}).nStatus, 0);
    EXPECT_EQ(ReadFile(text1), ExpectedText(m_frames[0])) << "frame 1 is the default";
    EXPECT_EQ(Run({"text", m_in.string(), text2.string(), "--frame", "2"}).nStatus, 0);
    EXPECT_EQ(ReadFile(text2), ExpectedText(m_frames[1]));

    const fs::path html = Work("two.htm");
    const CRun run =
        Run({"html", "--frame=2", m_in.string(), html.string(), "--background", "102030"});
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strOut, "");
    EXPECT_EQ(run.strErr, "");
    // RRGGBB on the command line, 0x00BBGGRR inside.
    EXPECT_EQ(ReadFile(html), ExpectedHtml(m_frames[1], 0x00302010));

    EXPECT_EQ(Run({"html", m_in.string(), html.string(), "--background", "#A0b0C0"}).nStatus, 0);
    EXPECT_EQ(ReadFile(html), ExpectedHtml(m_frames[0], 0x00C0B0A0));
}

TEST_F(ConvertTest, AnimationPlaysEveryFrameAtTheGivenInterval)
{
    const fs::path out = Work("anim.htm");
    const CRun run = Run({"animation", m_in.string(), out.string(), "--interval", "12"});
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
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
    const CRun run = Run({"animation", "big.gwp", "big.htm", "--interval", "3"});
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_TRUE(ReadFile(Work("big.htm")) == ExpectedAnimation(strGwp, 3, 0x00FFFFFF));
}

TEST_F(ConvertTest, DefaultsComeFromTheUsersSettings)
{
    const fs::path html = Work("one.htm"), anim = Work("anim.htm");
    // A clean profile: white and 5 tenths.
    EXPECT_EQ(Run({"html", m_in.string(), html.string()}).nStatus, 0);
    EXPECT_EQ(ReadFile(html), ExpectedHtml(m_frames[0], 0x00FFFFFF));
    EXPECT_EQ(Run({"animation", m_in.string(), anim.string()}).nStatus, 0);
    EXPECT_EQ(ReadFile(anim), ExpectedAnimation(m_strGwp, 5, 0x00FFFFFF));

    StoreSetting("GWSet/FrmInterval", Bytes({7, 0, 0, 0}));
    StoreSetting("GWColor/BKCLR", Bytes({0xF0, 0xF0, 0xF0, 0x00}));
    const CRun run = Run({"animation", m_in.string(), anim.string()});
    EXPECT_EQ(run.nStatus, 0);
    EXPECT_EQ(run.strErr, "");
    const std::string strPage = ReadFile(anim);
    EXPECT_NE(strPage.find("delay=700"), std::string::npos);
    EXPECT_NE(strPage.find("#f0f0f0"), std::string::npos);
    EXPECT_EQ(strPage, ExpectedAnimation(m_strGwp, 7, 0x00F0F0F0));
    EXPECT_EQ(Run({"html", m_in.string(), html.string()}).nStatus, 0);
    EXPECT_EQ(ReadFile(html), ExpectedHtml(m_frames[0], 0x00F0F0F0));

    // The byte order is the editor's: little-endian, red in the low byte.
    StoreSetting("GWColor/BKCLR", Bytes({0x11, 0x22, 0x33, 0x00}));
    EXPECT_EQ(Run({"html", m_in.string(), html.string()}).nStatus, 0);
    EXPECT_NE(ReadFile(html).find("bgcolor=#112233"), std::string::npos);

    // Options given on the command line win over the settings.
    EXPECT_EQ(Run({"animation", m_in.string(), anim.string(), "--interval", "12", "--background",
                   "000000"})
                  .nStatus,
              0);
    EXPECT_EQ(ReadFile(anim), ExpectedAnimation(m_strGwp, 12, 0x00000000));
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

    CRun run = Run({"html", wrong.string(), out.string()});
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_NE(run.strErr.find("Wrong type file!"), std::string::npos) << run.strErr;
    ExpectOneErrorLine(run);

    for (const fs::path& bad : {cut, none, m_dir / "work"}) {
        for (const char* pszCommand : {"info", "text", "animation"}) {
            std::vector<std::string> args = {pszCommand, bad.string()};
            if (std::strcmp(pszCommand, "info") != 0)
                args.push_back(out.string());
            run = Run(args);
            EXPECT_EQ(run.nStatus, 1) << pszCommand << " " << bad;
            ExpectOneErrorLine(run);
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
        EXPECT_EQ(run.nStatus, c.nStatus) << run.strErr;
        if (c.nStatus == 0) {
            EXPECT_EQ(run.strOut, c.strExpected);
        } else {
            ExpectOneErrorLine(run);
            EXPECT_NE(run.strErr.find(c.strExpected), std::string::npos) << run.strErr;
        }
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
        const CRun run = Run({"animation", "long.gwp", "long.htm"}, rlim_t(256) << 20);
        EXPECT_EQ(run.nStatus, 0) << run.strErr;
        EXPECT_EQ(run.strErr, "");
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
        const CRun run = Run({pszCommand, m_in.string(), Work("missing/out.htm").string()});
        EXPECT_EQ(run.nStatus, 1) << pszCommand;
        ExpectOneErrorLine(run);
    }
    // A folder where the file should go.
    fs::create_directory(Work("taken"));
    const CRun run = Run({"text", m_in.string(), Work("taken").string()});
    EXPECT_EQ(run.nStatus, 1);
    ExpectOneErrorLine(run);
    EXPECT_TRUE(fs::is_empty(Work("taken")));
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"taken", "two.gwp"}));
}

// A file size limit fails the write like a full disk: the signal it raises
// must not kill the tool half way through the temporary file.
TEST_F(ConvertTest, OutputOverTheFileSizeLimitFailsAndKeepsTheOldFile)
{
    constexpr rlim_t kLimit = 1024;
    ASSERT_GT(ExpectedAnimation(m_strGwp, 10, 0).size(), kLimit);
    WriteFile(Work("out.htm"), "the old page");
    const CRun run = Run({"animation", m_in.string(), "out.htm"}, RLIM_INFINITY, kLimit);
    EXPECT_EQ(run.nStatus, 1) << run.strErr;
    ExpectOneErrorLine(run);
    EXPECT_NE(run.strErr.find("cannot write"), std::string::npos) << run.strErr;
    EXPECT_EQ(ReadFile(Work("out.htm")), "the old page");
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"out.htm", "two.gwp"}));
}

TEST_F(ConvertTest, BadArgumentsAreUsageErrors)
{
    const std::string in = m_in.string();
    const std::string out = Work("out.txt").string();
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"convert", in, out},
        {"--frame", "2"},
        {"info"},
        {"info", in, out},
        {"text"},
        {"text", in},
        {"text", in, out, "extra"},
        {"text", in, out, "--frame", "0"},
        {"text", in, out, "--frame", "-1"},
        {"text", in, out, "--frame", "3"}, // past the last of two frames
        {"text", in, out, "--frame", "99999999999999999999"},
        {"text", in, out, "--frame", "two"},
        {"text", in, out, "--frame"},
        {"text", in, out, "--interval", "5"},
        {"text", in, out, "--colour", "ffffff"},
        {"html", in, out, "--frame", "3"},
        {"html", in, out, "--background", "zzzzzz"},
        {"html", in, out, "--background", "fff"},
        {"html", in, out, "--background", "ffffff0"},
        {"animation", in, out, "--interval", "0"},
        {"animation", in, out, "--interval", "101"},
        {"animation", in, out, "--interval", ""},
        {"animation", in, out, "--frame", "1"},
        {"animation", in, out, "--background", "12345g"},
        {"figlet"},
        {"figlet", "standard"},
        {"figlet", "standard", "Hi", "extra"},
        {"figlet", "standard", "Hi", "--spacing", "3"},
        {"figlet", "standard", "Hi", "--output"},
        {"text", in, out, "--spacing", "1"},
        {"image", "pic.png"},
        {"image", "pic.png", "out.bmp"},
        {"image", "pic.png", out, "--width", "0"},
        {"image", "pic.png", out, "--width", "129"},
        {"image", "pic.png", out, "--set", "4"},
        {"image", "pic.png", out, "--set", "1", "--auto"},
        {"image", "pic.png", out, "--auto=1"},
        {"image", "pic.png", out, "--custom", "xy"},
        {"image", "pic.png", out, "--custom", "\x7f"},
        {"image", "pic.png", out, "--custom", "x", "--gray"},
        {"image", "pic.png", out, "--brightness", "1.05"},
        {"image", "pic.png", out, "--contrast", "0.1"},
        {"image", "pic.png", out, "--saturation", "-0.5"},
        {"image", "pic.png", out, "--saturation", "1e0"},
        {"image", "pic.png", out, "--cell", "8"},
        {"image", "pic.png", out, "--background", "ffffff"}, // a page colour for text
        {"image", "pic.png", out, "--frame", "1"},
    };
    for (const auto& args : cases) {
        std::string strLine;
        for (const std::string& s : args)
            strLine += s + " ";
        SCOPED_TRACE("gwconvert " + strLine);
        const CRun run = Run(args);
        EXPECT_EQ(run.nStatus, 2);
        ExpectOneErrorLine(run);
    }
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"two.gwp"});
}

TEST_F(ConvertTest, HelpGoesToStandardOutput)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--help"},
        {"-h"},
        {"info", "--help"},
        {"text", "--help"},
        {"html", "-h"},
        {"animation", "--help"},
        {"figlet", "--help"},
        {"image", "--help"},
        {"text", m_in.string(), "--frame", "0", "--help"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0] + " " + args.back());
        const CRun run = Run(args);
        EXPECT_EQ(run.nStatus, 0);
        EXPECT_TRUE(run.strOut.starts_with("Usage: gwconvert")) << run.strOut;
        EXPECT_EQ(run.strErr, "");
    }
    // Each command describes its own options.
    EXPECT_NE(Run({"animation", "--help"}).strOut.find("--interval"), std::string::npos);
    EXPECT_NE(Run({"html", "--help"}).strOut.find("--background"), std::string::npos);
    EXPECT_NE(Run({"text", "--help"}).strOut.find("--frame"), std::string::npos);
    EXPECT_NE(Run({"image", "--help"}).strOut.find("--brightness"), std::string::npos);
    // Nothing is reserved up front: a small address space is no obstacle.
    EXPECT_EQ(Run({"--help"}, rlim_t(256) << 20).nStatus, 0);
}

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
        m_vCells[Index(c, r)].chChar = ch;
        m_vCells[Index(c, r)].crColor = cr;
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
    QImage picture(60, 45, QImage::Format_RGB32);
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 60; ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) % 256));
    ASSERT_TRUE(picture.save(QString::fromStdString(Work("pic.png").string()), "PNG"));
    QImage decoded;
    QString strWhy;
    ASSERT_TRUE(ReadPicture(QString::fromStdString(Work("pic.png").string()), &decoded, &strWhy));
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
        EXPECT_EQ(run.nStatus, 0) << run.strErr;
        EXPECT_EQ(run.strErr + run.strOut, "");

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
            const CRun run = Run({"image", pszPicture, pszOut});
            EXPECT_EQ(run.nStatus, 1);
            ExpectOneErrorLine(run);
            EXPECT_NE(run.strErr.find(pszPicture), std::string::npos) << run.strErr;
        }
    }
    EXPECT_EQ(ReadFile(Work("old.txt")), "an earlier export");
    const CRun run = Run({"image", "ok.png", "missing/out.txt", "--width", "16"});
    EXPECT_EQ(run.nStatus, 1);
    ExpectOneErrorLine(run);
    EXPECT_NE(run.strErr.find("cannot write"), std::string::npos) << run.strErr;
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"bad.png", "empty.png", "flat.png", "ok.png",
                                                     "old.txt", "two.gwp"}));
}

// A two-row font whose "H" and "i" differ, with a hardblank and end marks.
std::string SmallFont()
{
    std::string str = "flf2a$ 2 2 8 0 1\ncomment\n";
    for (int ch = 32; ch <= 126; ++ch) {
        const bool bH = ch == 'H';
        const bool bI = ch == 'i';
        str += bH ? "|_|@\n| |@@\n" : bI ? "o$@\n|$@@\n" : "@\n@@\n";
    }
    return str;
}

TEST_F(ConvertTest, FigletLettersTextAsTheEditorComposesIt)
{
    WriteFile(Work("small.flf"), SmallFont());
    FigFont font;
    ASSERT_EQ(ParseFigFont(SmallFont(), font), EFigLoad::OK);
    const std::string strExpected = RenderFigText("Hi", font, 2);
    EXPECT_EQ(strExpected, "|_|o \r\n| || \r\n");

    CRun run = Run({"figlet", "small.flf", "Hi"});
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strOut, strExpected);
    // By name from the user's font folder, into a file.
    fs::create_directories(m_dir / "home" / "Glyphwright" / "Fonts");
    WriteFile(m_dir / "home" / "Glyphwright" / "Fonts" / "tiny.flf", SmallFont());
    run = Run({"figlet", "tiny", "Hi", "--spacing", "1", "--output", "hi.txt"});
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(ReadFile(Work("hi.txt")), RenderFigText("Hi", font, 1));

    WriteFile(Work("bad.flf"), "flf2 2 2 8 0 0\n");
    for (const char* pszFont : {"bad.flf", "nosuchfont", "missing/x.flf"}) {
        SCOPED_TRACE(pszFont);
        run = Run({"figlet", pszFont, "Hi", "--output", "no.txt"});
        EXPECT_EQ(run.nStatus, 1);
        ExpectOneErrorLine(run);
    }
    EXPECT_FALSE(fs::exists(Work("no.txt")));
}

TEST_F(ConvertTest, OperandsAfterDoubleDashMayStartWithADash)
{
    fs::copy_file(m_in, Work("-dashed.gwp"));
    const CRun run = Run({"info", "--", "-dashed.gwp"});
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strOut, "columns: 7\nrows: 3\nframes: 2\n");
    EXPECT_EQ(Run({"info", "-dashed.gwp"}).nStatus, 2);
}

// The picture and terminal exports write exactly what the editor's own
// functions write; zoom, interval and looping come from the options, else
// from the user's settings as the editor's playback has them.
TEST_F(ConvertTest, PictureAndTerminalExportsAreTheEditors)
{
    const std::vector<std::string> args = {m_in.string(), "--frame", "2"};
    const auto run = [&](std::vector<std::string> v) {
        const CRun r = Run(v);
        EXPECT_EQ(r.nStatus, 0) << v[0] << r.strErr;
        EXPECT_EQ(r.strErr, "");
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
        const CRun run = Run(args);
        EXPECT_EQ(run.nStatus, 2) << args[0] << " " << args[3];
        ExpectOneErrorLine(run);
    }
    for (const char* pszCommand : {"png", "gif", "utf8", "ansi"}) {
        CRun run = Run({pszCommand, m_in.string(), Work("missing/out").string()});
        EXPECT_EQ(run.nStatus, 1) << pszCommand;
        ExpectOneErrorLine(run);
        WriteFile(Work("kept"), "old");
        run = Run({pszCommand, "none.gwp", "kept"});
        EXPECT_EQ(run.nStatus, 1) << pszCommand;
        ExpectOneErrorLine(run);
        EXPECT_EQ(ReadFile(Work("kept")), "old");
    }
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"kept", "two.gwp"}));
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
