// Benchmarks of the canvas view's drawing, each against a yardstick timed in
// the same iterations, so the ratios hold however busy the machine is.
//
// The drawing is the largest, 80 x 128 cells, every cell a printable
// character in one of 64 colours (or, where said, a colour of its own).
//
//   BM_FullRedraw/zoom   Refresh(CArtView::REFRESH_ALL): every cell drawn into the text layer and
//                        all layers composed, against a plain loop drawing
//                        the same 10,240 characters with QPainter::drawText
//                        into an image of the canvas size. Goal: x_median <= 1.
//   BM_ManyColourRedraw  Refresh(CArtView::REFRESH_ALL) of the drawing with a random colour in
//                        every cell, against Refresh(CArtView::REFRESH_ALL) of the same
//                        characters in 64 colours on a second view: the cost
//                        of a redraw must not follow the number of colours.
//                        Goal: x_median <= 1.2 at every zoom.
//   BM_StrokeRefresh     one cell drawn plus Refresh(CArtView::REFRESH_VISIBLE) (the visible part of
//                        an 800 x 600 view), against one copy of the visible
//                        part of the text layer into an image placed so the
//                        two never alias modulo 4 KiB, the two taking turns
//                        at going first. Goal: x_median <= 2 at every zoom,
//                        with the grid shown (grid:1) and hidden (grid:0).
//   BM_PlaybackTick      a frame switch at zoom 4 as a playback tick makes it
//                        (the view's part of selecting a frame in the list:
//                        the frame's cells laid out, drawn and composed) and
//                        the paint, against one full redraw and paint
//                        (Refresh(CArtView::REFRESH_ALL) and a repaint) of the
//                        same view, the two taking turns. Goal: x_median <= 1.5.
//   BM_ZoomInToFour      zoom 3 to 4 up to the first paint, against one full
//                        redraw and paint at zoom 4: the visible part comes
//                        first, the rest while idle (not timed).
//   BM_Thumbnail         MakeThumbnail at zoom 2.
//
// Counters: view_us and yardstick_us (medians per iteration, microseconds),
// x_median (ratio of the medians) and x_mean (ratio of the means).

#include "canvas/art_view.h"
#include "canvas/canvas_color.h"
#include "canvas/glyph_cache.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/view_host.h"
#include "canvas/view_layers.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/edit_bracket.h"

#include "bench/ratio_counters.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <numeric>
#include <vector>

namespace {
using gwratio::Clock;
using gwratio::Micros;
using gwratio::Median;
using gwratio::SetRatioCounters;

// One of 64 colours: two bits per channel.
COLORREF Colour64(int i)
{
    const unsigned n = static_cast<unsigned>(i * 37) % 64;
    return DrawingColor(((n & 3) * 85) | (((n >> 2) & 3) * 85) << 8 | (((n >> 4) & 3) * 85) << 16);
}

// A full drawing on a shown view of the given size.
struct CBenchView {
    explicit CBenchView(int nZoom, QSize szView = {800, 600}, COLORREF (*pColour)(int) = Colour64)
    {
        m_doc.SetCanvasSize(MAX_ROWS, MAX_COLS);
        m_doc.OnNewDocument();
        m_pView = std::make_unique<CArtView>(m_doc, &m_host);
        RegisterStandardTools(*m_pView);
        m_pView->resize(szView);
        m_pView->show();
        QCoreApplication::processEvents();
        m_pView->OnInitialUpdate();
        {
            CEditBracket bracket(m_doc);
            bracket.BeginEdit();
            for (int i = 0; i < MAX_ROWS * MAX_COLS; ++i) {
                m_doc.GetCurCells()[i].chChar = static_cast<uint8_t>(33 + (i * 7) % 94);
                m_doc.GetCurCells()[i].crColor = pColour(i);
            }
            bracket.EndEdit();
        }
        while (m_pView->GetZoom() > nZoom)
            m_pView->ZoomOut();
        while (m_pView->GetZoom() < nZoom)
            m_pView->ZoomIn();
        m_pView->Refresh(CArtView::REFRESH_ALL);
    }

    IViewHost m_host;
    CArtDoc m_doc;
    std::unique_ptr<CArtView> m_pView;
};

void BM_FullRedraw(benchmark::State& state)
{
    const int nZoom = static_cast<int>(state.range(0));
    CBenchView bench(nZoom);
    CArtView& view = *bench.m_pView;
    const CharCell* pCells = bench.m_doc.GetCurCells();

    const QFont font = CCellGeometry::ZoomFont(nZoom);
    const int nAscent = QFontMetrics(font).ascent();
    QImage imgYard(view.GetCanvasWidth(), view.GetCanvasHeight(), QImage::Format_RGB32);
    std::array<QString, 256> vText;
    for (int ch = 0; ch < 256; ++ch)
        vText[static_cast<size_t>(ch)] = QString(QChar(Cp1252ToUnicode(static_cast<uint8_t>(ch))));

    std::vector<double> vView;
    std::vector<double> vYard;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        view.Refresh(CArtView::REFRESH_ALL);
        const auto t1 = Clock::now();
        {
            imgYard.fill(ColorRefToRgb(view.GetBackColor()));
            QPainter painter(&imgYard);
            painter.setFont(font);
            for (int i = 0; i < MAX_ROWS * MAX_COLS; ++i) {
                painter.setPen(ColorRefToQColor(pCells[i].crColor));
                painter.drawText(QPoint(pCells[i].nX, pCells[i].nY + nAscent),
                                 vText[pCells[i].chChar]);
            }
        }
        const auto t2 = Clock::now();
        vView.push_back(Micros(t1 - t0));
        vYard.push_back(Micros(t2 - t1));
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        benchmark::DoNotOptimize(imgYard.constBits());
    }
    state.counters["cell_w"] = view.GetCellWidth();
    state.counters["cell_h"] = view.GetCellHeight();
    SetRatioCounters(state, vView, vYard);
}
BENCHMARK(BM_FullRedraw)->DenseRange(0, 4)->UseManualTime()->Unit(benchmark::kMillisecond);

// A colour of its own for every cell: a hash of the index, the same every run.
COLORREF RandomColour(int i)
{
    uint32_t n = static_cast<uint32_t>(i) * 0x9E3779B9u;
    n ^= n >> 16;
    n *= 0x85EBCA6Bu;
    n ^= n >> 13;
    return DrawingColor(n & 0xFFFFFFu);
}

void BM_ManyColourRedraw(benchmark::State& state)
{
    const int nZoom = static_cast<int>(state.range(0));
    CBenchView many(nZoom, {800, 600}, RandomColour);
    CBenchView few(nZoom);

    std::vector<double> vView;
    std::vector<double> vYard;
    bool bManyFirst = true;
    for (auto _ : state) {
        // Each goes first every other time: neither always finds the other's
        // pages in the cache.
        CArtView& first = bManyFirst ? *many.m_pView : *few.m_pView;
        CArtView& second = bManyFirst ? *few.m_pView : *many.m_pView;
        const auto t0 = Clock::now();
        first.Refresh(CArtView::REFRESH_ALL);
        const auto t1 = Clock::now();
        second.Refresh(CArtView::REFRESH_ALL);
        const auto t2 = Clock::now();
        const auto dMany = bManyFirst ? t1 - t0 : t2 - t1;
        vView.push_back(Micros(dMany));
        vYard.push_back(Micros(bManyFirst ? t2 - t1 : t1 - t0));
        state.SetIterationTime(std::chrono::duration<double>(dMany).count());
        bManyFirst = !bManyFirst;
    }
    SetRatioCounters(state, vView, vYard);
}
BENCHMARK(BM_ManyColourRedraw)->DenseRange(0, 4)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_StrokeRefresh(benchmark::State& state)
{
    const int nZoom = static_cast<int>(state.range(0));
    CBenchView bench(nZoom);
    CArtView& view = *bench.m_pView;
    if (state.range(1) == 0)
        view.ToggleGrid();
    const QRect rcVisible = QRect(QPoint(0, 0), view.viewport()->size())
                                .intersected(QRect(0, 0, view.GetCanvasWidth(), view.GetCanvasHeight()));
    // The copy placed as well as it can be, wherever the view's layers lie:
    // its rows half a page from the text layer's modulo 4 KiB, so the
    // yardstick never pays for aliasing (nor hides the view's).
    const QImage& imgText = view.TextLayer();
    const auto nTextOffset = static_cast<int>(reinterpret_cast<quintptr>(imgText.constBits()) % LAYER_PAGE);
    QImage imgYard = NewLayer(imgText.size(), (nTextOffset + int(LAYER_PAGE) / 2) % int(LAYER_PAGE));
    imgYard.fill(Qt::white);

    std::vector<double> vView;
    std::vector<double> vYard;
    int nCell = 0;
    bool bViewFirst = true;
    for (auto _ : state) {
        // Each goes first every other time: neither always finds the text
        // layer in the cache the other left.
        Clock::duration dView{};
        Clock::duration dYard{};
        for (int nPass = 0; nPass < 2; ++nPass) {
            const auto t0 = Clock::now();
            if ((nPass == 0) == bViewFirst) {
                view.DrawCell(nCell);
                view.Refresh(CArtView::REFRESH_VISIBLE);
                dView = Clock::now() - t0;
            } else {
                CopyImageRect(imgYard, rcVisible.topLeft(), imgText, rcVisible);
                dYard = Clock::now() - t0;
            }
        }
        bViewFirst = !bViewFirst;
        nCell = (nCell + 129) % (MAX_ROWS * MAX_COLS);
        vView.push_back(Micros(dView));
        vYard.push_back(Micros(dYard));
        state.SetIterationTime(std::chrono::duration<double>(dView).count());
        benchmark::DoNotOptimize(imgYard.constBits());
    }
    state.counters["visible_px"] = double(rcVisible.width()) * rcVisible.height();
    SetRatioCounters(state, vView, vYard);
}
BENCHMARK(BM_StrokeRefresh)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {1, 0}})
    ->ArgNames({"zoom", "grid"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// One full redraw and paint: everything drawn and composed, then the view
// painted at once (what a playback tick must at least do).
double FullRedrawAndPaint(CArtView& view)
{
    const auto t0 = Clock::now();
    view.Refresh(CArtView::REFRESH_ALL);
    view.viewport()->repaint();
    return Micros(Clock::now() - t0);
}

void BM_PlaybackTick(benchmark::State& state)
{
    CBenchView bench(4);
    CArtView& view = *bench.m_pView;
    CArtDoc& doc = bench.m_doc;
    // Four frames, each with its cells laid out at zoom 4 once shown.
    std::vector<int> vKeys = {doc.GetFrames().begin()->first};
    while (vKeys.size() < 4)
        vKeys.push_back(doc.DuplicateFrame(vKeys.back()));
    std::vector<double> vView;
    std::vector<double> vYard;
    size_t nNext = 0;
    bool bViewFirst = true;
    for (auto _ : state) {
        double dView = 0;
        double dYard = 0;
        for (int nPass = 0; nPass < 2; ++nPass) {
            if ((nPass == 0) != bViewFirst) {
                dYard = FullRedrawAndPaint(view);
                continue;
            }
            // What selecting a frame in the list does to the view, then the paint.
            const auto t0 = Clock::now();
            view.EndPendingEdit();
            doc.SelectFrame(vKeys[nNext]);
            view.SetCells(doc.GetCurCells());
            doc.RestIdleFrames();
            view.RebuildLayers();
            view.Refresh(CArtView::REFRESH_ALL);
            view.viewport()->repaint();
            dView = Micros(Clock::now() - t0);
        }
        bViewFirst = !bViewFirst;
        nNext = (nNext + 1) % vKeys.size();
        vView.push_back(dView);
        vYard.push_back(dYard);
        state.SetIterationTime(dView / 1e6);
    }
    SetRatioCounters(state, vView, vYard);
}
BENCHMARK(BM_PlaybackTick)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ZoomInToFour(benchmark::State& state)
{
    CBenchView bench(3);
    CArtView& view = *bench.m_pView;
    std::vector<double> vView;
    std::vector<double> vYard;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        view.ZoomIn();
        view.viewport()->repaint();
        const auto t1 = Clock::now();
        vView.push_back(Micros(t1 - t0));
        state.PauseTiming();
        // The rest of the canvas, drawn while idle, then back to zoom 3.
        QCoreApplication::processEvents();
        vYard.push_back(FullRedrawAndPaint(view));
        view.ZoomOut();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    SetRatioCounters(state, vView, vYard);
}
BENCHMARK(BM_ZoomInToFour)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Thumbnail(benchmark::State& state)
{
    CBenchView bench(2);
    for (auto _ : state) {
        QImage img = bench.m_pView->MakeThumbnail();
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_Thumbnail)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    // The view reads and writes the colour settings: keep them out of the user's home.
    QTemporaryDir dirHome;
    if (!dirHome.isValid())
        return 2;
    const QByteArray strBase = QFile::encodeName(dirHome.path());
    QDir(dirHome.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(dirHome.path() + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", strBase);
    qputenv("XDG_CONFIG_HOME", strBase);
    qputenv("XDG_DATA_HOME", strBase);
    qputenv("XDG_CACHE_HOME", strBase);
    qputenv("XDG_RUNTIME_DIR", strBase + "/runtime");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    BackupInstallFaultFilter();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationName(QStringLiteral("Glyphwright"));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
