// What the benchmarks that run whole programs share: finding a program built
// beside this one, and timing a run of a program to its end.
#pragma once

#include "bench/ratio_counters.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace gwbench {

// The path of a program in this benchmark's own folder (gwconvert).
inline std::string ProgramBeside(const char* pszName)
{
    char szExe[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", szExe, sizeof szExe - 1);
    const std::string strExe(szExe, n > 0 ? std::size_t(n) : 0);
    return strExe.substr(0, strExe.rfind('/') + 1) + pszName;
}

// Runs a program to its end with its output to /dev/null; the wall time in
// microseconds, or a negative number when it did not start or did not succeed.
// pUsage, when given, receives what the program used (ru_maxrss: its peak
// resident memory in KiB).
inline double RunProcess(std::vector<std::string> vArgs, rusage* pUsage = nullptr)
{
    std::vector<char*> vArgv;
    for (std::string& str : vArgs)
        vArgv.push_back(str.data());
    vArgv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto t0 = gwratio::Clock::now();
    pid_t pid = 0;
    const int nError = posix_spawnp(&pid, vArgv[0], &actions, nullptr, vArgv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (nError != 0)
        return -1;
    int nStatus = 0;
    rusage usage{};
    while (wait4(pid, &nStatus, 0, &usage) < 0)
        if (errno != EINTR)
            return -1;
    const double dMicros = gwratio::Micros(gwratio::Clock::now() - t0);
    if (pUsage)
        *pUsage = usage;
    return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0 ? dMicros : -1;
}

// A scratch folder under /tmp for a benchmark's files, removed with it, and
// gwconvert beside this program; Problem() says why they cannot be had.
class CGwconvertWorkspace {
public:
    explicit CGwconvertWorkspace(const char* pszPrefix) : m_strGwconvert(ProgramBeside("gwconvert"))
    {
        std::string strTemplate = std::string("/tmp/") + pszPrefix + ".XXXXXX";
        if (access(m_strGwconvert.c_str(), X_OK) != 0)
            m_strProblem = "no gwconvert beside this program: build the gwconvert target";
        else if (!mkdtemp(strTemplate.data()))
            m_strProblem = "cannot create a folder under /tmp";
        else
            m_strDir = strTemplate;
    }
    ~CGwconvertWorkspace()
    {
        if (!m_strDir.empty())
            std::filesystem::remove_all(m_strDir);
    }
    CGwconvertWorkspace(const CGwconvertWorkspace&) = delete;
    CGwconvertWorkspace& operator=(const CGwconvertWorkspace&) = delete;

    const std::string& Problem() const { return m_strProblem; }
    const std::string& Gwconvert() const { return m_strGwconvert; }
    std::string File(const std::string& strName) const { return m_strDir + "/" + strName; }

protected:
    std::string m_strGwconvert;
    std::string m_strDir;
    std::string m_strProblem;
};

} // namespace gwbench
