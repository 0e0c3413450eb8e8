// Picture conversion against its yardsticks, timed in the same iterations
// (built into gw_view_bench, whose main sets up Qt). The picture is a
// 4000 x 3000 photo-like one (soft gradients, shading and noise), written
// once as JPEG and as PNG into a fresh folder under /tmp; /0 is the JPEG,
// /1 the PNG.
//
//   BM_GwconvertImageVsJp2a    `gwconvert image PIC out.txt --width 128` as a
//                              whole process against `jp2a --width=128 PIC`
//                              with its output to /dev/null. Goal: x_median
//                              <= 0.8. decode_us is ReadPicture alone in this
//                              process: the share of Qt's decoder. cpu_us and
//                              yardstick_cpu_us: the processes' processor time
//                              (user and system, all threads). Peak memory is
//                              measured apart (/usr/bin/time -v): a spawned
//                              child's ru_maxrss counts this program's pages.
//   BM_ConvertAgainstDecode    the core's ConvertImage of the decoded picture
//                              at width 128 onto an 80 x 128 grid, against
//                              ReadPicture of the file. Goal: x_median <= 0.3.
//   BM_ThumbnailPerSliderMove  a brightness slider move in the Image Convert
//                              dialog holding the JPEG (the value texts and
//                              UpdateThumbnail) and the paint it asks for,
//                              against Refresh(CArtView::REFRESH_VISIBLE) of an
//                              80 x 128 drawing and its paint. Goal: <= 1.0.
//                              update_us: UpdateThumbnail alone, called
//                              directly with a new brightness, no paint.
//
// Counters: view_us and yardstick_us (medians, microseconds), x_median and
// x_mean. gwconvert is looked for beside this program; jp2a on the PATH.

#include "canvas/art_view.h"
#include "core/image_convert.h"
#include "import/image_convert_dlg.h"
#include "ui/picture_reader.h"

#include "bench/process_bench_support.h"
#include "bench/ratio_counters.h"
#include "bench/view_bench_support.h"

#include <QCoreApplication>
#include <QImage>
#include <QSlider>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <string>
#include <vector>


namespace {

using gwratio::Clock;
using gwratio::Micros;
using gwratio::SetRatioCounters;

constexpr int PICTURE_WIDTH = 4000;
constexpr int PICTURE_HEIGHT = 3000;
const char* const kPictureNames[] = {"photo.jpg", "photo.png"};

// Soft light from the top left, a few round shapes and sensor-like noise:
// enough detail that neither format compresses it to nothing.
QImage PhotoLikePicture()
{
    QImage image(PICTURE_WIDTH, PICTURE_HEIGHT, QImage::Format_RGB32);
    uint32_t nSeed = 12345;
    for (int y = 0; y < PICTURE_HEIGHT; ++y) {
        auto* pLine = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < PICTURE_WIDTH; ++x) {
            nSeed = nSeed * 1664525u + 1013904223u;
            const int nNoise = int(nSeed >> 27) - 16;
            const double dLight = 1.0 - 0.5 * (x + y) / double(PICTURE_WIDTH + PICTURE_HEIGHT);
            const double dShape = 0.5 + 0.5 * std::sin(x / 310.0) * std::cos(y / 270.0);
            const auto channel = [&](double d) {
                return std::clamp(int(255 * d) + nNoise, 0, 255);
            };
            pLine[x] = qRgb(channel(dLight * (0.3 + 0.6 * dShape)), channel(dLight * 0.7),
                            channel(dLight * (0.9 - 0.5 * dShape)));
        }
    }
    return image;
}

// The folder, the two pictures and gwconvert's path, made once; the folder
// goes at exit.
class CImageBenchFiles : public gwbench::CGwconvertWorkspace {
public:
    static CImageBenchFiles& Instance()
    {
        static CImageBenchFiles s_files;
        return s_files;
    }

private:
    CImageBenchFiles() : CGwconvertWorkspace("gw_image_bench")
    {
        if (!m_strProblem.empty())
            return;
        const QImage image = PhotoLikePicture();
        if (!image.save(QString::fromStdString(File("photo.jpg")), "JPEG", 90) ||
            !image.save(QString::fromStdString(File("photo.png")), "PNG"))
            m_strProblem = "cannot write the pictures (is the JPEG plugin installed?)";
    }
};

bool Decode(const std::string& strPath, QImage* pImage)
{
    QString strError;
    return ReadPicture(QString::fromStdString(strPath), pImage, &strError);
}

void BM_GwconvertImageVsJp2a(benchmark::State& state)
{
    const CImageBenchFiles& files = CImageBenchFiles::Instance();
    if (!files.Problem().empty()) {
        state.SkipWithError(files.Problem().c_str());
        return;
    }
    const std::string strPicture = files.File(kPictureNames[state.range(0)]);
    std::vector<double> vOurs, vJp2a, vDecode, vOursCpu, vJp2aCpu;
    const auto cpuMicros = [](const rusage& u) {
        return 1e6 * double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
    };
    for (auto _ : state) {
        rusage ours{}, jp2a{};
        const double dOurs = gwbench::RunProcess(
            {files.Gwconvert(), "image", strPicture, files.File("out.txt"), "--width", "128"}, &ours);
        const double dJp2a = gwbench::RunProcess({"jp2a", "--width=128", strPicture}, &jp2a);
        if (dOurs < 0 || dJp2a < 0) {
            state.SkipWithError(dOurs < 0 ? "gwconvert image failed" : "jp2a failed or is missing");
            return;
        }
        const auto t0 = Clock::now();
        QImage image;
        if (!Decode(strPicture, &image)) {
            state.SkipWithError("the picture cannot be decoded here");
            return;
        }
        vDecode.push_back(Micros(Clock::now() - t0));
        vOurs.push_back(dOurs);
        vJp2a.push_back(dJp2a);
        vOursCpu.push_back(cpuMicros(ours));
        vJp2aCpu.push_back(cpuMicros(jp2a));
        state.SetIterationTime(dOurs / 1e6);
    }
    SetRatioCounters(state, vOurs, vJp2a);
    state.counters["decode_us"] = gwratio::Median(vDecode);
    state.counters["cpu_us"] = gwratio::Median(vOursCpu);
    state.counters["yardstick_cpu_us"] = gwratio::Median(vJp2aCpu);
}
BENCHMARK(BM_GwconvertImageVsJp2a)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The cells the conversion writes, and nothing more.
struct CGridSink : ICellWriter {
    int Cols() const override { return MAX_COLS; }
    int Rows() const override { return MAX_ROWS; }
    uint8_t GetChar(int, int) const override { return ' '; }
    COLORREF GetColor(int, int) const override { return 0; }
    void SetCell(int nCol, int nRow, uint8_t ch, COLORREF cr) override
    {
        m_vCells[std::size_t(nRow) * MAX_COLS + std::size_t(nCol)] = cr ^ ch;
    }
    std::vector<COLORREF> m_vCells = std::vector<COLORREF>(std::size_t(MAX_ROWS) * MAX_COLS);
};

void BM_ConvertAgainstDecode(benchmark::State& state)
{
    const CImageBenchFiles& files = CImageBenchFiles::Instance();
    if (!files.Problem().empty()) {
        state.SkipWithError(files.Problem().c_str());
        return;
    }
    const std::string strPicture = files.File(kPictureNames[state.range(0)]);
    CImageConvertParams params;
    params.nConvertWidth = MAX_COLS;
    CGridSink grid;
    std::vector<double> vConvert, vDecode;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        QImage image;
        if (!Decode(strPicture, &image)) {
            state.SkipWithError("the picture cannot be decoded here");
            return;
        }
        const auto t1 = Clock::now();
        const int nRows = ConvertImage(
            {image.constBits(), image.width(), image.height(), std::size_t(image.bytesPerLine())},
            params, grid);
        const auto t2 = Clock::now();
        if (nRows < 1) {
            state.SkipWithError("the conversion wrote no row");
            return;
        }
        benchmark::DoNotOptimize(grid.m_vCells.data());
        vDecode.push_back(Micros(t1 - t0));
        vConvert.push_back(Micros(t2 - t1));
        state.SetIterationTime(std::chrono::duration<double>(t2 - t1).count());
    }
    SetRatioCounters(state, vConvert, vDecode);
}
BENCHMARK(BM_ConvertAgainstDecode)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_ThumbnailPerSliderMove(benchmark::State& state)
{
    constexpr int MOVES = 40;
    constexpr int REFRESHES = 40;
    const CImageBenchFiles& files = CImageBenchFiles::Instance();
    if (!files.Problem().empty()) {
        state.SkipWithError(files.Problem().c_str());
        return;
    }
    gwviewbench::CToolBench bench;
    CImageConvertDlg dlg(nullptr);
    dlg.show();
    if (!dlg.OpenConvertImage(QString::fromStdString(files.File("photo.jpg")))) {
        state.SkipWithError("the dialog cannot open the picture");
        return;
    }
    QCoreApplication::processEvents();
    QSlider* pSlider = dlg.BrightnessSlider();

    std::vector<double> vView, vYard, vUpdate;
    int nMove = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int i = 0; i < MOVES; ++i, ++nMove) {
            // Up and down the whole range, a new position every move.
            const int nSpan = pSlider->maximum() - pSlider->minimum();
            const int nStep = nMove % (2 * nSpan);
            pSlider->setValue(pSlider->minimum() + (nStep < nSpan ? nStep : 2 * nSpan - nStep));
            QCoreApplication::processEvents();
        }
        const auto t1 = Clock::now();
        for (int i = 0; i < REFRESHES; ++i) {
            bench.m_pView->Refresh(CArtView::REFRESH_VISIBLE);
            QCoreApplication::processEvents();
        }
        const auto t2 = Clock::now();
        for (int i = 0; i < MOVES; ++i) {
            dlg.m_fBrightness = float(i % 41 - 20) * 0.05f;
            dlg.UpdateThumbnail();
        }
        const auto t3 = Clock::now();
        vView.push_back(Micros(t1 - t0) / MOVES);
        vYard.push_back(Micros(t2 - t1) / REFRESHES);
        vUpdate.push_back(Micros(t3 - t2) / MOVES);
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    SetRatioCounters(state, vView, vYard);
    state.counters["update_us"] = gwratio::Median(vUpdate);
}
BENCHMARK(BM_ThumbnailPerSliderMove)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
