// Benchmarks of the document file and the animated export on the largest
// drawing a file holds in practice: 100 frames of 80 x 128 cells, 16,384,020
// bytes on disk.
//
//   BM_FilePlainWrite       open, write, fsync, close of the file's bytes: the
//                           least a durable save can cost.
//   BM_FileSave             GwpSaveDocument: the bytes gathered from the
//                           frames, written to a temporary file, synced,
//                           renamed over the old file, the folder synced.
//   BM_FilePlainRead        open, read into a buffer, close (page cache warm).
//   BM_FileLoad             CGwpFile, GwpReadFrames and AdoptFrames: every
//                           frame read straight into its store's pages as a
//                           sealed step; against a read of the same bytes into
//                           freshly mapped memory in the same iterations
//                           (x_median, goal <= 1.5).
//   BM_FileExportAnimation  ExportAnimationHtml into a stream that counts and
//                           discards; bytes/s is the rate of HTML produced.
//
// Times are wall-clock per operation. x_plain is the time per save over the
// time per plain write, taken from BM_FilePlainWrite earlier in the same
// process, or measured on the spot when that benchmark was filtered out. Files go to a fresh folder under /tmp,
// removed at exit.

#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/char_cell.h"
#include "core/gwp_reader.h"
#include "core/gwp_writer.h"
#include "core/html_export.h"
#include "core/safe_file.h"

#include "bench/doc_bench_support.h"
#include "bench/ratio_counters.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFrames = 100;
constexpr int kRows = MAX_ROWS;
constexpr int kCols = MAX_COLS;
constexpr std::size_t kFileBytes =
    GWP_HEADER_SIZE + std::size_t(kFrames) * kRows * kCols * sizeof(CharCell);
static_assert(kFileBytes == 16384020);

double g_dPlainWriteSeconds = 0; // per plain write, from BM_FilePlainWrite

// ---------------------------------------------------------------------------
// The drawing and where its files go

// The file's bytes, built directly: every frame a different picture, about
// two cells in three drawn (the rest blank), colours varying per cell, each
// cell at the position the view gives it at 8 x 16 pixels.
const std::string& FileBytes()
{
    static const std::string s_str = [] {
        std::string str(kFileBytes, '\0');
        std::memcpy(str.data(), GWP_MAGIC, 8);
        const int32_t nHeader[3] = {kFrames, kCols, kRows};
        std::memcpy(str.data() + 8, nHeader, sizeof nHeader);
        char* p = str.data() + GWP_HEADER_SIZE;
        uint32_t nRand = 12345;
        for (int f = 0; f < kFrames; ++f)
            for (int r = 0; r < kRows; ++r)
                for (int c = 0; c < kCols; ++c) {
                    nRand = nRand * 1103515245u + 12345u;
                    CharCell cell{};
                    cell.crColor = (nRand >> 8) & 0xFFFFFF;
                    if (cell.crColor == 0)
                        cell.crColor = 0x010101;
                    cell.nX = c * 8;
                    cell.nY = r * 16;
                    cell.chChar = (nRand >> 29) < 3 ? ' ' : static_cast<uint8_t>(33 + (nRand >> 3) % 94);
                    std::memcpy(p, &cell, sizeof cell);
                    p += sizeof cell;
                }
        return str;
    }();
    return s_str;
}

// A fresh folder under /tmp for the run, removed with its files at exit.
class BenchDir {
public:
    static BenchDir& Instance()
    {
        static BenchDir s_dir;
        return s_dir;
    }
    bool Ok() const { return !m_strPath.empty(); }
    std::string File(const char* szName) const { return m_strPath + "/" + szName; }

private:
    BenchDir()
    {
        char sz[] = "/tmp/gw_file_bench.XXXXXX";
        if (mkdtemp(sz))
            m_strPath = sz;
    }
    ~BenchDir()
    {
        if (m_strPath.empty())
            return;
        for (const char* szName : {"plain.gwp", "saved.gwp", "read.gwp"})
            unlink(File(szName).c_str());
        rmdir(m_strPath.c_str());
    }
    std::string m_strPath;
};

bool Prepare(benchmark::State& state)
{
    try {
        BackupInstallFaultFilter();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return false;
    }
    if (!BenchDir::Instance().Ok()) {
        state.SkipWithError("cannot create a folder under /tmp");
        return false;
    }
    return true;
}

// Loads the drawing into doc the way the program opens a file.
bool LoadDrawing(benchmark::State& state, CArtDoc& doc, std::string_view data)
{
    CGwpImage image;
    std::string strMessage;
    if (GwpParse(data, &image, &strMessage) != EGwpResult::Ok) {
        state.SkipWithError(strMessage.c_str());
        return false;
    }
    GwpLoad(doc, image);
    return true;
}

// ---------------------------------------------------------------------------
// Plain file operations

bool PlainWrite(const std::string& strPath, std::string_view data)
{
    const int fd = open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool bOk = true;
    while (bOk && !data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n > 0)
            data.remove_prefix(static_cast<std::size_t>(n));
        else
            bOk = false;
    }
    bOk = fsync(fd) == 0 && bOk;
    return close(fd) == 0 && bOk;
}

bool PlainRead(const std::string& strPath, std::string& strBuffer)
{
    const int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::size_t nRead = 0;
    for (;;) {
        const ssize_t n = read(fd, strBuffer.data() + nRead, strBuffer.size() - nRead);
        if (n <= 0)
            break;
        nRead += static_cast<std::size_t>(n);
    }
    close(fd);
    return nRead == strBuffer.size();
}

double SecondsPerCall(int nCalls, const auto& fn)
{
    const auto t0 = Clock::now();
    for (int i = 0; i < nCalls; ++i)
        fn();
    return std::chrono::duration<double>(Clock::now() - t0).count() / nCalls;
}

// The plain figures when their benchmarks did not run in this process.
double PlainWriteSeconds()
{
    if (g_dPlainWriteSeconds <= 0)
        g_dPlainWriteSeconds = SecondsPerCall(
            5, [] { PlainWrite(BenchDir::Instance().File("plain.gwp"), FileBytes()); });
    return g_dPlainWriteSeconds;
}

// ---------------------------------------------------------------------------

void BM_FilePlainWrite(benchmark::State& state)
{
    if (!Prepare(state))
        return;
    const std::string strPath = BenchDir::Instance().File("plain.gwp");
    const std::string& strData = FileBytes();
    int64_t n = 0;
    const auto t0 = Clock::now();
    for (auto _ : state) {
        if (!PlainWrite(strPath, strData)) {
            state.SkipWithError("plain write failed");
            return;
        }
        ++n;
    }
    g_dPlainWriteSeconds = std::chrono::duration<double>(Clock::now() - t0).count() / double(n);
    state.SetBytesProcessed(n * int64_t(kFileBytes));
}
BENCHMARK(BM_FilePlainWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FileSave(benchmark::State& state)
{
    if (!Prepare(state))
        return;
    const std::string strPath = BenchDir::Instance().File("saved.gwp");
    CArtDoc doc;
    if (!LoadDrawing(state, doc, FileBytes()))
        return;
    const double dPlain = PlainWriteSeconds();
    int64_t n = 0;
    const auto t0 = Clock::now();
    for (auto _ : state) {
        std::string strError;
        if (!GwpSaveDocument(doc, strPath, &strError)) {
            state.SkipWithError(strError.c_str());
            return;
        }
        ++n;
    }
    const double dSave = std::chrono::duration<double>(Clock::now() - t0).count() / double(n);
    state.SetBytesProcessed(n * int64_t(kFileBytes));
    state.counters["x_plain"] = dSave / dPlain;
}
BENCHMARK(BM_FileSave)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FilePlainRead(benchmark::State& state)
{
    if (!Prepare(state))
        return;
    const std::string strPath = BenchDir::Instance().File("read.gwp");
    if (!PlainWrite(strPath, FileBytes())) {
        state.SkipWithError("cannot write the file to read");
        return;
    }
    std::string strBuffer(kFileBytes, '\0');
    int64_t n = 0;
    for (auto _ : state) {
        if (!PlainRead(strPath, strBuffer)) {
            state.SkipWithError("plain read failed");
            return;
        }
        benchmark::DoNotOptimize(strBuffer.data());
        ++n;
    }
    state.SetBytesProcessed(n * int64_t(kFileBytes));
}
BENCHMARK(BM_FilePlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reads the file into memory mapped afresh for it, first touch included: the
// least a load into new memory can cost.
bool PlainReadFresh(const std::string& strPath)
{
    void* p = mmap(nullptr, kFileBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return false;
    const int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t nRead = 0;
    while (fd >= 0 && nRead < kFileBytes) {
        const ssize_t n = read(fd, static_cast<char*>(p) + nRead, kFileBytes - nRead);
        if (n <= 0)
            break;
        nRead += static_cast<std::size_t>(n);
    }
    if (fd >= 0)
        close(fd);
    benchmark::DoNotOptimize(p);
    munmap(p, kFileBytes);
    return nRead == kFileBytes;
}

// The core load (CGwpFile, GwpReadFrames, AdoptFrames) against a plain read
// into freshly mapped memory, both in the same iterations. x_median: the
// ratio of their medians.
void BM_FileLoad(benchmark::State& state)
{
    if (!Prepare(state))
        return;
    const std::string strPath = BenchDir::Instance().File("read.gwp");
    if (!PlainWrite(strPath, FileBytes())) {
        state.SkipWithError("cannot write the file to read");
        return;
    }
    CArtDoc doc;
    std::vector<double> vLoad, vFresh;
    for (auto _ : state) {
        auto t0 = Clock::now();
        if (!PlainReadFresh(strPath)) {
            state.SkipWithError("plain read failed");
            return;
        }
        vFresh.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        t0 = Clock::now();
        CGwpFile file;
        CLoadedFrames frames;
        std::string strMessage;
        if (file.Open(strPath, &strMessage) != EGwpOpen::Ok ||
            GwpReadFrames(file, &frames, &strMessage) != EGwpLoad::Ok || !doc.AdoptFrames(frames)) {
            state.SkipWithError(strMessage.c_str());
            return;
        }
        vLoad.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        state.PauseTiming();
        gwdocbench::DestroyStores(doc);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFileBytes));
    gwratio::SetRatioCounters(state, vLoad, vFresh);
}
BENCHMARK(BM_FileLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FileExportAnimation(benchmark::State& state)
{
    if (!Prepare(state))
        return;
    CArtDoc doc;
    if (!LoadDrawing(state, doc, FileBytes()))
        return;
    std::size_t nOut = 0;
    for (auto _ : state) {
        gwdocbench::CDiscardBuf buf;
        std::ostream os(&buf);
        ExportAnimationHtml(os, doc, 5, 0xFFFFFF);
        nOut = buf.Count();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(nOut));
    state.counters["out_MB"] = double(nOut) / 1e6;
}
BENCHMARK(BM_FileExportAnimation)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
