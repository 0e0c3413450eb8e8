// gwconvert play under a pseudo-terminal of a chosen size: the bytes the
// terminal receives (the start, each frame from the top-left corner, cut to
// the terminal, and the restoring sequence) after the end, after Ctrl+C, and
// its refusal when standard output is no terminal.
#include "convert_test_support.h"

#include "cli/play_command.h"
#include "core/cast_export.h"

#include <poll.h>
#include <pty.h>

#include <chrono>
#include <functional>

using namespace gwcli;

namespace {

// gwconvert run on the child side of a pseudo-terminal of nRows x nCols, in
// raw mode, so the bytes read are the bytes written.
class CPtyRun {
public:
    CPtyRun(const fs::path& dir, std::vector<std::string> args, int nRows, int nCols)
    {
        args.insert(args.begin(), GWCONVERT_PATH);
        std::vector<char*> argv;
        for (std::string& s : args)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        std::vector<std::string> env = {
            "HOME=" + (dir / "home").string(), "XDG_CONFIG_HOME=" + (dir / "config").string(),
            "XDG_CONFIG_DIRS=" + (dir / "config").string(), "TERM=xterm-256color"};
        std::vector<char*> envp;
        for (std::string& s : env)
            envp.push_back(s.data());
        envp.push_back(nullptr);
        termios raw = {};
        cfmakeraw(&raw);
        winsize size = {static_cast<unsigned short>(nRows), static_cast<unsigned short>(nCols), 0,
                        0};
        m_pid = forkpty(&m_fdMaster, nullptr, &raw, &size);
        if (m_pid == 0) {
            alarm(30);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
    }
    ~CPtyRun()
    {
        if (m_pid > 0 && !m_bWaited)
            kill(m_pid, SIGKILL), Wait();
        if (m_fdMaster >= 0)
            close(m_fdMaster);
    }

    // Reads until done(output) holds or the child closes its side; false
    // after 10 s.
    bool ReadUntil(const std::function<bool(const std::string&)>& done)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done(m_strOut)) {
            pollfd fd = {m_fdMaster, POLLIN, 0};
            if (std::chrono::steady_clock::now() > end || poll(&fd, 1, 100) < 0)
                return false;
            char buf[4096];
            const ssize_t n =
                (fd.revents & (POLLIN | POLLHUP)) ? read(m_fdMaster, buf, sizeof buf) : 0;
            if (n < 0 || (n == 0 && (fd.revents & POLLHUP)))
                return true; // the child's side is closed (EIO)
            m_strOut.append(buf, std::size_t(n));
        }
        return true;
    }
    int Wait()
    {
        int nStatus = 0;
        while (waitpid(m_pid, &nStatus, 0) < 0 && errno == EINTR) {
        }
        m_bWaited = true;
        return nStatus;
    }

    pid_t m_pid = -1;
    std::string m_strOut;

private:
    int m_fdMaster = -1;
    bool m_bWaited = false;
};

int Count(const std::string& str, const std::string& strPart)
{
    int n = 0;
    for (auto i = str.find(strPart); i != std::string::npos; i = str.find(strPart, i + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(ConvertTest, PlayShowsEveryFrameAndCtrlCPutsTheTerminalBack)
{
    CPtyRun run(m_dir,
                {"play", m_in.string(), "--interval", "1", "--loop", "--background", "102030"},
                ROWS + 5, COLS + 10);
    const std::string strFirst = CastFrameOutput(m_frames[0].data(), ROWS, COLS, 0x302010);
    const std::string strSecond = CastFrameOutput(m_frames[1].data(), ROWS, COLS, 0x302010);
    // Round and round: the first frame again after the second.
    ASSERT_TRUE(run.ReadUntil([&](const std::string& s) {
        return s.find(strFirst, s.find(strSecond)) != std::string::npos;
    })) << run.m_strOut;
    EXPECT_TRUE(
        run.m_strOut.starts_with(std::string(kPlayStart) + strFirst + strSecond + strFirst));
    kill(run.m_pid, SIGINT);
    ASSERT_TRUE(run.ReadUntil([](const std::string& s) { return s.ends_with(kPlayRestore); }))
        << run.m_strOut.substr(run.m_strOut.size() - 40);
    EXPECT_EQ(Count(run.m_strOut, kPlayRestore), 1);
    const int nStatus = run.Wait();
    EXPECT_TRUE(WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == SIGINT) << nStatus;
}

TEST_F(ConvertTest, PlayOnceInASmallTerminalShowsTheTopLeftAndSaysSo)
{
    const int nRows = 2, nCols = 5;
    CPtyRun run(m_dir,
                {"play", m_in.string(), "--interval", "1", "--once", "--background", "102030"},
                nRows, nCols);
    ASSERT_TRUE(run.ReadUntil([](const std::string&) { return false; }));
    std::string strExpected = kPlayStart;
    for (const Frame& frame : m_frames) {
        Frame corner;
        for (int r = 0; r < nRows; ++r)
            corner.insert(corner.end(), frame.begin() + r * COLS, frame.begin() + r * COLS + nCols);
        strExpected += CastFrameOutput(corner.data(), nRows, nCols, 0x302010);
    }
    strExpected += kPlayRestore;
    EXPECT_EQ(run.m_strOut.substr(0, strExpected.size()), strExpected);
    EXPECT_NE(
        run.m_strOut.find("the drawing is 7 x 3 and the terminal showed only its top-left 5 x 2",
                          strExpected.size()),
        std::string::npos)
        << run.m_strOut.substr(strExpected.size());
    const int nStatus = run.Wait();
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << nStatus;
}

TEST_F(ConvertTest, PlayRefusesWhenStandardOutputIsNoTerminal)
{
    ExpectFailure(
        Run({"play", m_in.string(), "--interval", "1", "--background", "102030", "--once"}), 1,
        "standard output is not one");
    ExpectFailure(Run({"play", m_in.string(), "out"}), 2, "unexpected argument");
    ExpectFailure(Run({"play", m_in.string(), "--frame", "1"}), 2, "unknown option");
}
