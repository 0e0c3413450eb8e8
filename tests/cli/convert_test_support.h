// What the gwconvert tests share: drawings written byte by byte,
// independently of the core's own file writer, the expected exports made by
// the core's and the canvas's own functions, and a fixture that runs the real
// tool as a child process in a private folder.
#pragma once

#include "canvas/frame_picture.h"
#include "canvas/gif_export.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/figlet.h"
#include "core/gwp_reader.h"
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

namespace gwcli {

constexpr int COLS = 7; // not square, so columns and rows cannot be swapped unnoticed
constexpr int ROWS = 3;

using Frame = std::vector<CharCell>;

// Two frames that differ in every cell's character and colour, with spaces
// and bytes above 127 among them.
inline std::vector<Frame> SampleFrames()
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

inline void AppendLe32(std::string& str, uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        str.push_back(char((n >> (8 * i)) & 0xFF));
}

inline std::string GwpHeader(int nFrames, int nCols, int nRows)
{
    std::string str = "GWHEADER";
    for (int n : {nFrames, nCols, nRows})
        AppendLe32(str, uint32_t(n));
    return str;
}

// The ".gwp" layout spelt out field by field.
inline std::string MakeGwp(const std::vector<Frame>& frames, int nCols, int nRows)
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

// What the canvas-level and core exports make of the sample, in process.
template <class TWrite>
inline std::string Written(TWrite write)
{
    std::ostringstream os;
    write(os);
    return os.str();
}

inline std::string ExpectedText(const Frame& frame)
{
    return Written([&](std::ostream& os) { ExportSingleText(os, frame.data(), ROWS, COLS); });
}

inline std::string ExpectedHtml(const Frame& frame, COLORREF crBack)
{
    return Written([&](std::ostream& os) { ExportSingleHtml(os, frame.data(), ROWS, COLS, crBack); });
}

inline std::string ExpectedAnimation(const std::string& strGwp, int nInterval, COLORREF crBack)
{
    CGwpImage image;
    std::string strMessage;
    if (GwpParse(strGwp, &image, &strMessage) != EGwpResult::Ok)
        return "unparsable sample: " + strMessage;
    CArtDoc doc;
    GwpLoad(doc, image);
    return Written([&](std::ostream& os) { ExportAnimationHtml(os, doc, nInterval, crBack); });
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

inline std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& path, const std::string& str)
{
    std::ofstream out(path, std::ios::binary);
    out.write(str.data(), std::streamsize(str.size()));
}

inline QByteArray Bytes(std::initializer_list<unsigned char> bytes)
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

    std::string m_strProgram = GWCONVERT_PATH; // what Run runs

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

    // Runs gwconvert in the work folder, where a case's relative paths point.
    // A child still running after 30 s is killed (a hang fails the case
    // instead of the suite); nAddressSpace caps the child's address space and
    // nFileSize the files it writes.
    CRun Run(const std::vector<std::string>& args, rlim_t nAddressSpace = RLIM_INFINITY,
             rlim_t nFileSize = RLIM_INFINITY)
    {
        const std::string strHome = (m_dir / "home").string(), strConfig = (m_dir / "config").string();
        // XDG_CONFIG_DIRS too: no system-wide settings either.
        const std::vector<std::string> own = {"HOME=" + strHome, "XDG_CONFIG_HOME=" + strConfig,
                                              "XDG_CONFIG_DIRS=" + strConfig,
                                              "XDG_DATA_HOME=" + strHome, "XDG_CACHE_HOME=" + strHome};
        std::vector<std::string> env = own, argv = {m_strProgram};
        for (char** pp = environ; *pp; ++pp) {
            const std::string str = *pp, strName = str.substr(0, str.find('=') + 1);
            if (std::none_of(own.begin(), own.end(), [&](const std::string& s) { return s.starts_with(strName); }))
                env.push_back(str);
        }
        argv.insert(argv.end(), args.begin(), args.end());
        const fs::path out = m_dir / "stdout", err = m_dir / "stderr", work = m_dir / "work";
        const auto pointers = [](std::vector<std::string>& strings) {
            std::vector<char*> ptrs;
            for (std::string& s : strings)
                ptrs.push_back(s.data());
            ptrs.push_back(nullptr);
            return ptrs;
        };
        std::vector<char*> argvPtrs = pointers(argv), envPtrs = pointers(env);

        CRun run;
        const pid_t pid = fork();
        if (pid == 0) {
            // Only async-signal-safe calls between fork and exec.
            const int fdOut = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int fdErr = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const rlimit limit{nAddressSpace, nAddressSpace}, fileLimit{nFileSize, nFileSize};
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

    // Success without a word on standard error.
    static void ExpectDone(const CRun& run)
    {
        EXPECT_EQ(run.nStatus, 0) << run.strErr;
        EXPECT_EQ(run.strErr, "");
    }

    // The given failure status, exactly one line on standard error (holding
    // strPart when given), and nothing on standard output.
    static void ExpectFailure(const CRun& run, int nStatus, const std::string& strPart = "")
    {
        EXPECT_EQ(run.nStatus, nStatus) << run.strErr;
        EXPECT_EQ(std::count(run.strErr.begin(), run.strErr.end(), '\n'), 1) << run.strErr;
        EXPECT_TRUE(run.strErr.ends_with('\n')) << run.strErr;
        EXPECT_NE(run.strErr.find(strPart), std::string::npos) << run.strErr;
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

} // namespace gwcli
