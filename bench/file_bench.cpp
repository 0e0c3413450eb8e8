// Benchmarks of the document file and the animated export on the largest
// drawing a file holds in practice: 100 frames of 80 x 128 cells, 16,384,020
// bytes on disk.
//
//   BM_FilePlainWrite       open, write, fsync, close of the file's bytes: the
//                           least a durable save can cost.
//   BM_FileSave             CArtDoc::OnSaveDocument: the bytes gathered from
//                           the frames, written to a temporary file, synced,
//                           renamed over the old file, the folder synced.
//   BM_FilePlainRead        open, read into a buffer, close (page cache warm).
//   BM_FileLoad             ReadWholeFile, GwpParse and GwpLoad into the
//                           document, each frame written in a step that is
//                           committed and sealed.
//   BM_FileExportAnimation  ExportAnimationHtml into a stream that counts and
//                           discards; bytes/s is the rate of HTML produced.
//
// Times are wall-clock per operation. x_plain is the time per save (load)
// over the time per plain write (read), taken from BM_FilePlainWrite
// (BM_FilePlainRead) earlier in the same process, or measured on the spot
// when that benchmark was filtered out. Files go to a fresh folder under /tmp,
// removed at exit.

#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/char_cell.h"
#include "core/gwp_file.h"
#include "core/html_export.h"
#include "core/safe_file.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
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
double g_dPlainReadSeconds = 0;  // per plain read, from BM_FilePlainRead

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

// A document releases its stores' memory on the next load but keeps their
// records (ids are never reused); a run of hundreds of loads would measure
// that pile instead of one open. Dropped between iterations, untimed.
void DestroyStores(CArtDoc& doc)
{
    for (const auto& [nKey, nId] : doc.m_mapHistories)
        BackupDestroy(static_cast<unsigned>(nId));
    doc.m_mapFrames.clear();
    doc.m_mapHistories.clear();
    doc.m_nCurHistory = 0;
    doc.m_pCurCells = nullptr;
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

double PlainReadSeconds()
{
    if (g_dPlainReadSeconds <= 0) {
        const std::string strPath = BenchDir::Instance().File("read.gwp");
        PlainWrite(strPath, FileBytes());
        std::string strBuffer(kFileBytes, '\0');
        PlainRead(strPath, strBuffer);
        g_dPlainReadSeconds = SecondsPerCall(10, [&] { PlainRead(strPath, strBuffer); });
    }
    return g_dPlainReadSeconds;
}

// Counts what is written and keeps none of it.
class CountingBuf : public std::streambuf {
public:
    std::size_t Count() const { return m_nCount; }

protected:
    std::streamsize xsputn(const char* /*s*/, std::streamsize n) override
    {
        m_nCount += static_cast<std::size_t>(n);
        return n;
    }
    int_type overflow(int_type ch) override
    {
        if (!traits_type::eq_int_type(ch, traits_type::eof()))
            ++m_nCount;
        return traits_type::not_eof(ch);
    }

private:
    std::size_t m_nCount = 0;
};

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
        if (!doc.OnSaveDocument(strPath, &strError)) {
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
    const auto t0 = Clock::now();
    for (auto _ : state) {
        if (!PlainRead(strPath, strBuffer)) {
            state.SkipWithError("plain read failed");
            return;
        }
        benchmark::DoNotOptimize(strBuffer.data());
        ++n;
    }
    g_dPlainReadSeconds = std::chrono::duration<double>(Clock::now() - t0).count() / double(n);
    state.SetBytesProcessed(n * int64_t(kFileBytes));
}
BENCHMARK(BM_FilePlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FileLoad(benchmark::State& state)
{
    if (!Prepare(state))
        return;
    const std::string strPath = BenchDir::Instance().File("read.gwp");
    if (!PlainWrite(strPath, FileBytes())) {
        state.SkipWithError("cannot write the file to read");
        return;
    }
    const double dPlain = PlainReadSeconds();
    CArtDoc doc;
    Clock::duration timed{};
    int64_t n = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        std::string strData, strError;
        if (!ReadWholeFile(strPath, &strData, &strError)) {
            state.SkipWithError(strError.c_str());
            return;
        }
        if (!LoadDrawing(state, doc, strData))
            return;
        timed += Clock::now() - t0;
        ++n;
        state.PauseTiming();
        DestroyStores(doc);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(n * int64_t(kFileBytes));
    state.counters["x_plain"] = std::chrono::duration<double>(timed).count() / double(n) / dPlain;
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
        CountingBuf buf;
        std::ostream os(&buf);
        ExportAnimationHtml(os, doc, 5, 0xFFFFFF);
        nOut = buf.Count();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(nOut));
    state.counters["out_MB"] = double(nOut) / 1e6;
}
BENCHMARK(BM_FileExportAnimation)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
