// gwconvert play under a pseudo-terminal of a chosen size: the bytes the
// terminal receives after the end, after Ctrl+C, and its refusal off a terminal.
#include "convert_test_support.h"

#include "cli/play_command.h"
#include "core/cast_export.h"

#include <pty.h>

#include <functional>

using namespace gwcli;

namespace {

// gwconvert on the child side of a raw pseudo-terminal of nRows x nCols.
class CPtyRun {
public:
    CPtyRun(const fs::path& dir, std::vector<std::string> args, int nRows, int nCols)
    {
        args.insert(args.begin(), GWCONVERT_PATH);
        const std::string strConfig = (dir / "config").string();
        std::vector<std::string> env = {"HOME=" + (dir / "home").string(),
                                        "XDG_CONFIG_HOME=" + strConfig,
                                        "XDG_CONFIG_DIRS=" + strConfig, "TERM=xterm-256color"};
        std::vector<char*> argv, envp;
        for (std::string& s : args)
            argv.push_back(s.data());
        for (std::string& s : env)
            envp.push_back(s.data());
        argv.push_back(nullptr);
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

    // Reads until done(output) holds or the child closes its side (at worst
    // when its alarm ends it); whether done holds.
    bool ReadUntil(const std::function<bool(const std::string&)>& done)
    {
        char buf[4096];
        for (ssize_t n = 0; !done(m_strOut) && (n = read(m_fdMaster, buf, sizeof buf)) > 0;)
            m_strOut.append(buf, std::size_t(n));
        return done(m_strOut);
    }
    int Wait()
    {
        int nStatus = 0;
        waitpid(m_pid, &nStatus, 0);
        m_bWaited = true;
        return nStatus;
    }

    pid_t m_pid = -1;
    std::string m_strOut;

private:
    int m_fdMaster = -1;
    bool m_bWaited = false;
};

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
    EXPECT_EQ(run.m_strOut.find(kPlayRestore), run.m_strOut.rfind(kPlayRestore)) << "restored once";
    const int nStatus = run.Wait();
    EXPECT_TRUE(WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == SIGINT) << nStatus;
}

TEST_F(ConvertTest, PlayOnceInASmallTerminalShowsTheTopLeftAndSaysSo)
{
    const int nRows = 2, nCols = 5;
    CPtyRun run(m_dir,
                {"play", m_in.string(), "--interval", "1", "--once", "--background", "102030"},
                nRows, nCols);
    run.ReadUntil([](const std::string&) { return false; });
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
