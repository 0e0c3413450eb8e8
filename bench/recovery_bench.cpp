// The start-up recovery check (FindOrphanedCopies) over a folder holding the
// copy of a crashed session that is 3 GB long (sparse, so cheap to make)
// beside a small one.
//
//   BM_RecoveryCheckLargeCopy  each check runs in a forked child, which
//                              reports the growth of its peak resident size
//                              (getrusage) over the check: rss_growth_mb,
//                              goal < 64. check_s: the check's wall-clock
//                              time, bound by reading the copy.
//
// The folder is made under /tmp and removed at the end.

#include "core/char_cell.h"
#include "core/gwp_format.h"
#include "core/recovery_store.h"
#include "core/safe_file.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kFrames = 18311; // 80 x 128 cells: 3.0 GB

// A crashed session's copy, grown to kFrames frames of blank cells, its
// description changed to match all but the hash (which would take a pass).
void LeaveLargeCopy(const std::string& strFolder)
{
    CRecoveryStore store(strFolder);
    CRecoverySnapshot snap{1, 1, std::vector<CharCell>(1), "", 1, {}, {}};
    if (!store.Open(nullptr) || !store.WriteCopy(snap, nullptr))
        std::abort();
    const std::string strBase = strFolder + "/" + store.SessionName();
    const uint64_t nSize = GWP_HEADER_SIZE + uint64_t(kFrames) * MAX_ROWS * MAX_COLS * sizeof(CharCell);
    std::string strDesc;
    if (!ReadWholeFile(strBase + ".desc", &strDesc, nullptr))
        std::abort();
    for (const auto& [strKey, nValue] : {std::pair<std::string, uint64_t>{"frames", kFrames},
                                         {"rows", MAX_ROWS}, {"cols", MAX_COLS}, {"size", nSize}}) {
        const std::size_t n = strDesc.find("\n" + strKey + "=") + strKey.size() + 2;
        strDesc.replace(n, strDesc.find('\n', n) - n, std::to_string(nValue));
    }
    std::string strHeader(GWP_MAGIC, 8);
    for (const int32_t n : {kFrames, MAX_COLS, MAX_ROWS})
        for (int i = 0; i < 4; ++i)
            strHeader += static_cast<char>((static_cast<uint32_t>(n) >> (8 * i)) & 0xFF);
    if (!SaveFileSafely(strBase + ".desc", strDesc, nullptr) ||
        !SaveFileSafely(strBase + ".1.gwp", strHeader, nullptr) ||
        truncate((strBase + ".1.gwp").c_str(), off_t(nSize)) != 0)
        std::abort();
}

long PeakKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_RecoveryCheckLargeCopy(benchmark::State& state)
{
    char szFolder[] = "/tmp/gw_recovery_bench.XXXXXX";
    if (!mkdtemp(szFolder))
        std::abort();
    LeaveLargeCopy(szFolder);
    {
        // Ends without a clean exit: its copy is offered too.
        CRecoveryStore small(szFolder);
        CRecoverySnapshot snap{2, 3, std::vector<CharCell>(6), "", 2, {}, {}};
        if (!small.Open(nullptr) || !small.WriteCopy(snap, nullptr))
            std::abort();
    }

    double fGrowthMb = 0, fSeconds = 0;
    for (auto _ : state) {
        int aPipe[2];
        if (pipe(aPipe) != 0)
            std::abort();
        const pid_t pid = fork();
        if (pid == 0) {
            const long nBefore = PeakKiB();
            const auto start = std::chrono::steady_clock::now();
            const std::size_t nEntries = FindOrphanedCopies(szFolder).size();
            const double aResult[2] = {
                double(PeakKiB() - nBefore) / 1024.0,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
            _exit(nEntries == 2 && write(aPipe[1], aResult, sizeof aResult) == sizeof aResult ? 0
                                                                                               : 1);
        }
        close(aPipe[1]);
        double aResult[2] = {};
        const bool bRead = read(aPipe[0], aResult, sizeof aResult) == sizeof aResult;
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        close(aPipe[0]);
        if (!bRead || !WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0) {
            state.SkipWithError("the check did not offer both copies");
            break;
        }
        fGrowthMb = std::max(fGrowthMb, aResult[0]);
        fSeconds = std::max(fSeconds, aResult[1]);
    }
    state.counters["rss_growth_mb"] = fGrowthMb;
    state.counters["check_s"] = fSeconds;
    std::filesystem::remove_all(szFolder);
}
BENCHMARK(BM_RecoveryCheckLargeCopy)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
