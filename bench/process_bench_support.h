// What the benchmarks that run whole programs share: finding a program built
// beside this one, and timing a run of a program to its end.
#pragma once

#include "bench/ratio_counters.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
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
inline double RunProcess(std::vector<std::string> vArgs)
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
    while (waitpid(pid, &nStatus, 0) < 0)
        if (errno != EINTR)
            return -1;
    const double dMicros = gwratio::Micros(gwratio::Clock::now() - t0);
    return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0 ? dMicros : -1;
}

} // namespace gwbench
