// gwconvert's animated export as scripts run it, against the export alone, on
// a drawing of 1,000 frames of 80 x 128 cells (163,840,020 bytes), each cell
// a random colour and about two in three drawn, written once to a fresh
// folder under /tmp.
//
//   BM_ExportGwconvertAnimation  gwconvert animation run as a process (start,
//                                header, frames read one at a time, the page
//                                streamed to a temporary file, synced and
//                                renamed; the last run's page is removed
//                                first, untimed) against ExportAnimationHtml of the
//                                same frames from a document in this process
//                                into a stream that discards, timed in the same
//                                iterations: gwconvert_ms, export_ms and
//                                x_median, the ratio of their medians (goal
//                                <= 1.3); x_cpu, the same for processor time
//                                (user and system). out_MB is the page's size.
//   BM_GwconvertPeakMemory       peak resident memory (VmHWM at the exit) of
//                                gwconvert animation and of gwconvert info on
//                                the same file, and the difference,
//                                rss_extra_MB (goal <= 64).
//
// gwconvert is looked for beside this program (both go to the build's bin/).

#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/char_cell.h"
#include "core/gwp_format.h"
#include "core/gwp_reader.h"
#include "core/html_export.h"

#include "bench/doc_bench_support.h"
#include "bench/ratio_counters.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <exception>
#include <fstream>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

extern char** environ;

namespace {

using gwratio::Clock;

constexpr int kFrames = 1000;
constexpr int kRows = MAX_ROWS;
constexpr int kCols = MAX_COLS;

// The folder, the drawing in it and gwconvert's path, made once; the folder
// goes at exit.
class CExportBenchFiles {
public:
    static CExportBenchFiles& Instance()
    {
        static CExportBenchFiles s_files;
        return s_files;
    }

    // Empty when all is ready, else why not.
    const std::string& Problem() const { return m_strProblem; }
    const std::string& Gwconvert() const { return m_strGwconvert; }
    std::string File(const char* szName) const { return m_strDir + "/" + szName; }

private:
    CExportBenchFiles()
    {
        char szExe[PATH_MAX] = {};
        const ssize_t n = readlink("/proc/self/exe", szExe, sizeof szExe - 1);
        const std::string strExe(szExe, n > 0 ? std::size_t(n) : 0);
        m_strGwconvert = strExe.substr(0, strExe.rfind('/') + 1) + "gwconvert";
        if (access(m_strGwconvert.c_str(), X_OK) != 0) {
            m_strProblem = "no gwconvert beside this program: build the gwconvert target";
            return;
        }
        char szDir[] = "/tmp/gw_export_bench.XXXXXX";
        if (!mkdtemp(szDir)) {
            m_strProblem = "cannot create a folder under /tmp";
            return;
        }
        m_strDir = szDir;
        if (!WriteDrawing(File("drawing.gwp")))
            m_strProblem = "cannot write the drawing";
    }

    ~CExportBenchFiles()
    {
        if (m_strDir.empty())
            return;
        for (const char* szName : {"drawing.gwp", "page.htm"})
            unlink(File(szName).c_str());
        rmdir(m_strDir.c_str());
    }

    // A frame at a time, so the bench never holds the whole file either.
    static bool WriteDrawing(const std::string& strPath)
    {
        std::ofstream out(strPath, std::ios::binary);
        out.write(GWP_MAGIC, 8);
        const int32_t nHeader[3] = {kFrames, kCols, kRows};
        out.write(reinterpret_cast<const char*>(nHeader), sizeof nHeader);
        std::vector<CharCell> vFrame(std::size_t(kRows) * kCols);
        uint32_t nRand = 12345;
        for (int f = 0; f < kFrames; ++f) {
            for (std::size_t i = 0; i < vFrame.size(); ++i) {
                nRand = nRand * 1103515245u + 12345u;
                CharCell& cell = vFrame[i];
                cell.crColor = (nRand >> 8) & 0xFFFFFF;
                cell.nX = int(i % kCols) * 8;
                cell.nY = int(i / kCols) * 16;
                cell.chChar = (nRand >> 29) < 3 ? ' ' : uint8_t(33 + (nRand >> 3) % 94);
            }
            out.write(reinterpret_cast<const char*>(vFrame.data()),
                      std::streamsize(vFrame.size() * sizeof(CharCell)));
        }
        out.close();
        return !out.fail();
    }

    std::string m_strDir;
    std::string m_strGwconvert;
    std::string m_strProblem;
};

bool Prepare(benchmark::State& state)
{
    const CExportBenchFiles& files = CExportBenchFiles::Instance();
    if (!files.Problem().empty()) {
        state.SkipWithError(files.Problem().c_str());
        return false;
    }
    return true;
}

struct CChildRun {
    bool bOk = false;
    double dMicros = 0;
    double dCpuMicros = 0; // user and system time of the child
    long nPeakRssKb = 0;   // when asked for
};

// VmHWM of a stopped child: the high-water mark of its own memory since exec.
long PeakRssKb(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string strLine;
    while (std::getline(in, strLine))
        if (strLine.starts_with("VmHWM:"))
            return std::stol(strLine.substr(6));
    return 0;
}

// Runs gwconvert with its output to /dev/null, as a script would. The peak
// memory is read at the child's exit stop (ptrace): wait4's ru_maxrss will
// not do, since at exec the kernel keeps the high-water mark of the memory
// the child was forked from, which is this program's, loaded drawing and all.
CChildRun RunGwconvert(std::vector<std::string> vArgs, bool bPeakRss = false)
{
    CChildRun run;
    vArgs.insert(vArgs.begin(), CExportBenchFiles::Instance().Gwconvert());
    std::vector<char*> vArgv;
    for (std::string& str : vArgs)
        vArgv.push_back(str.data());
    vArgv.push_back(nullptr);
    const auto t0 = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open("/dev/null", O_WRONLY);
        if (fd < 0 || dup2(fd, 1) < 0 || dup2(fd, 2) < 0 ||
            (bPeakRss && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0))
            _exit(126);
        execve(vArgv[0], vArgv.data(), environ);
        _exit(127);
    }
    if (pid < 0)
        return run;
    int nStatus = 0;
    rusage usage{};
    for (;;) {
        if (wait4(pid, &nStatus, 0, &usage) < 0) {
            if (errno == EINTR)
                continue;
            return run;
        }
        if (!WIFSTOPPED(nStatus))
            break;
        int nSignal = WSTOPSIG(nStatus);
        if (nStatus >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            run.nPeakRssKb = PeakRssKb(pid);
            nSignal = 0;
        } else if (nSignal == SIGTRAP) {
            // The stop after exec: from here on, stop again at the exit.
            ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL);
            nSignal = 0;
        }
        ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(intptr_t(nSignal)));
    }
    run.dMicros = gwratio::Micros(Clock::now() - t0);
    for (const timeval& tv : {usage.ru_utime, usage.ru_stime})
        run.dCpuMicros += double(tv.tv_sec) * 1e6 + double(tv.tv_usec);
    run.bOk = WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0 && (!bPeakRss || run.nPeakRssKb > 0);
    return run;
}

std::vector<std::string> AnimationArgs()
{
    const CExportBenchFiles& files = CExportBenchFiles::Instance();
    // Both options given, so the user's settings are never read.
    return {"animation",
            files.File("drawing.gwp"),
            files.File("page.htm"),
            "--interval",
            "5",
            "--background",
            "ffffff"};
}

double ThreadCpuMicros()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

void BM_ExportGwconvertAnimation(benchmark::State& state)
{
    if (!Prepare(state))
        return;
    try {
        BackupInstallFaultFilter();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    CArtDoc doc;
    {
        CGwpFile file;
        CLoadedFrames frames;
        std::string strMessage;
        if (file.Open(CExportBenchFiles::Instance().File("drawing.gwp"), &strMessage) !=
                EGwpOpen::Ok ||
            GwpReadFrames(file, &frames, &strMessage) != EGwpLoad::Ok || !doc.AdoptFrames(frames)) {
            state.SkipWithError(strMessage.c_str());
            return;
        }
    }
    std::vector<double> vProcess, vExport, vProcessCpu, vExportCpu;
    std::size_t nOut = 0;
    for (auto _ : state) {
        // Replacing the last run's page would add the removal of 183 MB of
        // file to the export's time.
        unlink(CExportBenchFiles::Instance().File("page.htm").c_str());
        const CChildRun run = RunGwconvert(AnimationArgs());
        if (!run.bOk) {
            state.SkipWithError("gwconvert animation failed");
            return;
        }
        vProcess.push_back(run.dMicros);
        vProcessCpu.push_back(run.dCpuMicros);
        const auto t0 = Clock::now();
        const double dCpu0 = ThreadCpuMicros();
        gwdocbench::CDiscardBuf buf;
        std::ostream os(&buf);
        ExportAnimationHtml(os, doc, 5, 0xFFFFFF);
        vExportCpu.push_back(ThreadCpuMicros() - dCpu0);
        vExport.push_back(gwratio::Micros(Clock::now() - t0));
        nOut = buf.Count();
    }
    const double dProcess = gwratio::Median(vProcess);
    const double dExport = gwratio::Median(vExport);
    state.counters["gwconvert_ms"] = dProcess / 1000;
    state.counters["export_ms"] = dExport / 1000;
    state.counters["x_median"] = dExport > 0 ? dProcess / dExport : 0;
    // Processor time, which a busy machine skews far less than wall time.
    const double dExportCpu = gwratio::Median(vExportCpu);
    state.counters["x_cpu"] = dExportCpu > 0 ? gwratio::Median(vProcessCpu) / dExportCpu : 0;
    state.counters["out_MB"] = double(nOut) / 1e6;
}
BENCHMARK(BM_ExportGwconvertAnimation)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(11);

void BM_GwconvertPeakMemory(benchmark::State& state)
{
    if (!Prepare(state))
        return;
    long nAnimationKb = 0, nInfoKb = 0;
    for (auto _ : state) {
        const CChildRun animation = RunGwconvert(AnimationArgs(), true);
        const CChildRun info =
            RunGwconvert({"info", CExportBenchFiles::Instance().File("drawing.gwp")}, true);
        if (!animation.bOk || !info.bOk) {
            state.SkipWithError("gwconvert failed");
            return;
        }
        nAnimationKb = std::max(nAnimationKb, animation.nPeakRssKb);
        nInfoKb = std::max(nInfoKb, info.nPeakRssKb);
    }
    state.counters["rss_animation_MB"] = double(nAnimationKb) / 1024;
    state.counters["rss_info_MB"] = double(nInfoKb) / 1024;
    state.counters["rss_extra_MB"] = double(nAnimationKb - nInfoKb) / 1024;
}
BENCHMARK(BM_GwconvertPeakMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
