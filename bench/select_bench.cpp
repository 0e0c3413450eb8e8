// Benchmarks of the select tools and of typing, each against a yardstick
// timed in the same iterations (built into gw_view_bench, whose main sets up
// Qt). The drawing is an 80 x 128 frame full of printable characters in 64
// colours, on an 800 x 600 view at the default zoom; its host renews the
// frame's thumbnail whenever the view asks, as the main window does: once
// the edits pause or the list is painted (the frame list and the command
// states it also renews are not part of this).
//
//   BM_MoveFloatingBlock/transparent  a lifted 40 x 64 block dragged by its
//   BM_MoveFloatingBlock/opaque       middle, every move one cell to the right
//                                     or back: the tracker moves, the block
//                                     follows and the visible part is composed
//                                     with the block between text and grid.
//                                     Per move, the press included, against
//                                     one Refresh(REFRESH_VISIBLE) while the
//                                     tracker still tracks and the block
//                                     floats. Goal: x_median <= 1.5.
//   BM_DropBlock                      dropping a lifted 40 x 64 block: the
//                                     block's cells written and the lift's
//                                     step committed, as DropSelection does,
//                                     against the store's own full-frame step
//                                     (BackupBegin, every cell rewritten,
//                                     BackupCommit). Goal: x_median <= 1.5.
//                                     click_us is the whole DropSelection,
//                                     which also clears the block's layer,
//                                     does Refresh(REFRESH_ALL) and asks for
//                                     a thumbnail (made later); it is also the
//                                     time reported per iteration. refresh_all_us is one
//                                     more Refresh(REFRESH_ALL) just after;
//                                     x_click is click_us over yardstick_us
//                                     plus refresh_all_us.
//   BM_TypeCharacter                  one printable key sent to the view with
//                                     the type tool, end to end: the cell and
//                                     its undo step, the caret moved on, the
//                                     visible refresh, the thumbnail asked for
//                                     (made when its delay runs out, in
//                                     whichever key's event processing that
//                                     falls) and the paint the event loop then
//                                     runs. Per key,
//                                     against one Refresh(REFRESH_VISIBLE)
//                                     followed by the same event processing.
//                                     Goal: x_median <= 1.5. thumb_us is one
//                                     MakeThumbnail, for scale.
//
// Counters: view_us and yardstick_us (medians, microseconds), x_median and x_mean.

#include "canvas/art_view.h"
#include "canvas/canvas_color.h"
#include "canvas/selection.h"
#include "canvas/tool_codes.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/tools/type_tool.h"
#include "canvas/view_host.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/edit_bracket.h"
#include "panes/frame_list_model.h"

#include "bench/ratio_counters.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {
using gwratio::Clock;
using gwratio::Median;
using gwratio::Micros;
using gwratio::SetRatioCounters;

constexpr int REFRESHES = 50;
// The lifted block: rows x columns, and the cell of its top-left corner.
constexpr int BLOCK_ROWS = 40;
constexpr int BLOCK_COLS = 64;
constexpr int BLOCK_COL0 = 1;
constexpr int BLOCK_ROW0 = 1;

// One of 64 colours: two bits per channel.
COLORREF Colour64(int i)
{
    const unsigned n = static_cast<unsigned>(i * 37) % 64;
    return DrawingColor(((n & 3) * 85) | (((n >> 2) & 3) * 85) << 8 | (((n >> 4) & 3) * 85) << 16);
}

// The host the select tools and the type tool ask: the tool, the select mode
// and, after every finished edit, a new thumbnail of the frame, deferred by
// the frame list's model as the main window's frame panel defers it.
struct CSelectHost : IViewHost {
    CSelectHost() { m_thumbs.AddImage(QImage()); }
    int GetCurTool() const override { return m_nTool; }
    int GetSelectMode() const override { return m_nSelectMode; }
    void RefreshFrameThumbnail() override
    {
        if (m_pView)
            m_thumbs.DeferImage(0, [pView = m_pView] { return pView->MakeThumbnail(); });
    }

    int m_nTool = TOOL_CURSOR;
    int m_nSelectMode = TOOL_SELECT_TRANSPARENT;
    CArtView* m_pView = nullptr;
    CFrameListModel m_thumbs;
};

// A full 80 x 128 drawing on a shown 800 x 600 view, and mouse and key
// events sent as the window system would deliver them.
struct CSelectBench {
    CSelectBench()
    {
        m_doc.SetCanvasSize(MAX_ROWS, MAX_COLS);
        m_doc.OnNewDocument();
        m_pView = std::make_unique<CArtView>(m_doc, &m_host);
        RegisterStandardTools(*m_pView);
        m_host.m_pView = m_pView.get();
        m_pView->resize(800, 600);
        m_pView->show();
        QCoreApplication::processEvents();
        m_pView->OnInitialUpdate();
        {
            // The drawing itself is no step: undo never takes it away.
            CUnrecordedEdit edit(m_doc);
            CharCell* pCells = m_doc.GetCurCells();
            for (int i = 0; i < MAX_ROWS * MAX_COLS; ++i) {
                pCells[i].chChar = PatternChar(i);
                pCells[i].crColor = Colour64(i);
            }
        }
        m_pView->Refresh(CArtView::REFRESH_ALL);
        QCoreApplication::processEvents();
    }
    static uint8_t PatternChar(int i)
    {
        return static_cast<uint8_t>('!' + (i * 7 + i / MAX_COLS) % 94);
    }
    // True while the frame holds the drawing it was given.
    bool IsIntact() const
    {
        const CharCell* pCells = m_doc.GetCurCells();
        for (int i = 0; i < MAX_ROWS * MAX_COLS; ++i) {
            if (pCells[i].chChar != PatternChar(i) || pCells[i].crColor != Colour64(i))
                return false;
        }
        return true;
    }
    void Choose(int nTool)
    {
        m_host.m_nTool = nTool;
        m_pView->OnToolChanged();
    }
    void SendMouse(QEvent::Type type, QPoint pt, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent ev(type, QPointF(pt), QPointF(m_pView->viewport()->mapToGlobal(pt)), button,
                       buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(m_pView->viewport(), &ev);
    }
    void Press(QPoint pt)
    {
        SendMouse(QEvent::MouseButtonPress, pt, Qt::LeftButton, Qt::LeftButton);
    }
    void Drag(QPoint pt) { SendMouse(QEvent::MouseMove, pt, Qt::NoButton, Qt::LeftButton); }
    void Release(QPoint pt)
    {
        SendMouse(QEvent::MouseButtonRelease, pt, Qt::LeftButton, Qt::NoButton);
    }
    void Key(int nKey, const QString& strText)
    {
        QKeyEvent ev(QEvent::KeyPress, nKey, Qt::NoModifier, strText);
        QCoreApplication::sendEvent(m_pView.get(), &ev);
    }
    // The centre of a cell, in client pixels while the view is not scrolled.
    QPoint CellCentre(int nCol, int nRow) const
    {
        const int nCellW = m_pView->GetCellWidth();
        const int nCellH = m_pView->GetCellHeight();
        return {nCol * nCellW + nCellW / 2, nRow * nCellH + nCellH / 2};
    }
    // A rubber band over the block's cells with the current select tool;
    // its release lifts them. False when nothing floats afterwards.
    bool LiftBlock()
    {
        Press(CellCentre(BLOCK_COL0, BLOCK_ROW0));
        Drag(CellCentre(BLOCK_COL0 + BLOCK_COLS, BLOCK_ROW0 + BLOCK_ROWS));
        Release(CellCentre(BLOCK_COL0 + BLOCK_COLS, BLOCK_ROW0 + BLOCK_ROWS));
        CSelection& selection = m_pView->Selection();
        return selection.IsFloating() && selection.BlockWidth() == BLOCK_COLS &&
               selection.BlockHeight() == BLOCK_ROWS;
    }
    // A dropped block's rectangles forgotten and its step undone: the
    // drawing as it was before the lift.
    void Restore()
    {
        m_pView->Tracker().Empty();
        m_pView->SetSelectionRect({});
        m_doc.OnEditUndo();
    }

    CSelectHost m_host;
    CArtDoc m_doc;
    std::unique_ptr<CArtView> m_pView;
};

void BM_MoveFloatingBlock(benchmark::State& state, int nTool)
{
    constexpr int MOVES = 200;
    CSelectBench bench;
    CArtView& view = *bench.m_pView;
    bench.m_host.m_nSelectMode = nTool;
    bench.Choose(nTool);
    // Grabbed in its middle, far from every handle; every other move goes a
    // cell to the right, the rest back, so the block ends where it started.
    const QPoint ptGrab =
        bench.CellCentre(BLOCK_COL0 + BLOCK_COLS / 2, BLOCK_ROW0 + BLOCK_ROWS / 2);
    const QPoint aPoints[2] = {ptGrab + QPoint(view.GetCellWidth(), 0), ptGrab};

    std::vector<double> vView;
    std::vector<double> vYard;
    for (auto _ : state) {
        if (!bench.LiftBlock()) {
            state.SkipWithError("the rubber band lifted no 40 x 64 block");
            break;
        }
        const auto t0 = Clock::now();
        bench.Press(ptGrab);
        for (int i = 0; i < MOVES; ++i)
            bench.Drag(aPoints[i % 2]);
        const auto t1 = Clock::now();
        // The same state: the tracker tracks, the block floats.
        for (int i = 0; i < REFRESHES; ++i)
            view.Refresh(CArtView::REFRESH_VISIBLE);
        const auto t2 = Clock::now();
        const bool bMoving = view.Tracker().IsMoving();
        bench.Release(aPoints[(MOVES - 1) % 2]);
        bench.Key(Qt::Key_Escape, {}); // drops the block and forgets its rectangles
        bench.Restore();
        if (!bMoving) {
            state.SkipWithError("the drag did not move the block");
            break;
        }
        vView.push_back(Micros(t1 - t0) / MOVES);
        vYard.push_back(Micros(t2 - t1) / REFRESHES);
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    if (!bench.IsIntact())
        state.SkipWithError("undo did not bring the drawing back");
    state.counters["cell_w"] = view.GetCellWidth();
    state.counters["cell_h"] = view.GetCellHeight();
    SetRatioCounters(state, vView, vYard);
}
BENCHMARK_CAPTURE(BM_MoveFloatingBlock, transparent, TOOL_SELECT_TRANSPARENT)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MoveFloatingBlock, opaque, TOOL_SELECT_OPAQUE)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A lifted block dropped three ways, each undone back to the full drawing:
// its cells written and the lift's step committed as DropSelection does
// them; the store's full-frame step; DropSelection whole.
void BM_DropBlock(benchmark::State& state)
{
    CSelectBench bench;
    CArtView& view = *bench.m_pView;
    CArtDoc& doc = bench.m_doc;
    bench.Choose(TOOL_SELECT_TRANSPARENT);
    CSelection& selection = view.Selection();

    std::vector<double> vView;
    std::vector<double> vYard;
    std::vector<double> vClick;
    std::vector<double> vRefresh;
    for (auto _ : state) {
        if (!bench.LiftBlock()) {
            state.SkipWithError("the rubber band lifted no 40 x 64 block");
            break;
        }
        const auto nId = static_cast<unsigned>(doc.GetCurHistory());
        if (BackupIsOpen(nId) == 0) {
            state.SkipWithError("the lift opened no step");
            break;
        }
        const auto t0 = Clock::now();
        {
            const QRect rc = view.GetSelectionRect();
            const int nCol0 = rc.left() / view.GetCellWidth();
            const int nRow0 = rc.top() / view.GetCellHeight();
            const bool bTransparent = bench.m_host.GetSelectMode() == TOOL_SELECT_TRANSPARENT;
            for (int r = 0; r < selection.BlockHeight(); ++r) {
                for (int c = 0; c < selection.BlockWidth(); ++c) {
                    const CharCell& cell = selection.BlockCell(c, r);
                    if (!bTransparent || cell.chChar != ' ')
                        view.SetCell(nCol0 + c, nRow0 + r, cell.chChar, CArtView::COLOUR_GIVEN,
                                     cell.crColor);
                }
            }
            // What the lift's bracket does to close its own step.
            doc.SetModifiedFlag(true);
            BackupCommit(nId);
        }
        const auto t1 = Clock::now();
        // The step is closed: the selection lets go of it without writing.
        selection.Forget();
        bench.Restore();

        const auto t2 = Clock::now();
        {
            BackupBegin(nId);
            CharCell* pCells = doc.GetCurCells();
            for (int i = 0; i < MAX_ROWS * MAX_COLS; ++i)
                pCells[i].chChar = '#';
            BackupCommit(nId);
        }
        const auto t3 = Clock::now();
        doc.OnEditUndo();

        if (!bench.LiftBlock()) {
            state.SkipWithError("the rubber band lifted no 40 x 64 block");
            break;
        }
        const auto t4 = Clock::now();
        selection.DropSelection();
        const auto t5 = Clock::now();
        // The redraw the drop ends with, again in the state it left.
        view.Refresh(CArtView::REFRESH_ALL);
        const auto t6 = Clock::now();
        bench.Restore();

        vView.push_back(Micros(t1 - t0));
        vYard.push_back(Micros(t3 - t2));
        vClick.push_back(Micros(t5 - t4));
        vRefresh.push_back(Micros(t6 - t5));
        // The whole drop: the write alone would take thousands of iterations,
        // each paying for two lifts and three undos untimed.
        state.SetIterationTime(std::chrono::duration<double>(t5 - t4).count());
    }
    if (!bench.IsIntact())
        state.SkipWithError("undo did not bring the drawing back");
    SetRatioCounters(state, vView, vYard);
    state.counters["click_us"] = Median(vClick);
    state.counters["refresh_all_us"] = Median(vRefresh);
    // The whole drop against the full-frame step plus that redraw.
    const double dWholeYard = Median(vYard) + Median(vRefresh);
    state.counters["x_click"] = dWholeYard > 0 ? Median(vClick) / dWholeYard : 0;
}
BENCHMARK(BM_DropBlock)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_TypeCharacter(benchmark::State& state)
{
    // No more keys than the history keeps steps, so undo restores the frame.
    constexpr int KEYS = 100;
    CSelectBench bench;
    CArtView& view = *bench.m_pView;
    CArtDoc& doc = bench.m_doc;
    bench.Choose(TOOL_TYPE);
    const auto* pType = dynamic_cast<const CTypeTool*>(view.GetTool(TOOL_TYPE));
    if (!pType) {
        state.SkipWithError("no type tool");
        return;
    }
    // The caret walks the visible cells of rows 1 to 10; at the last
    // visible column a click, untimed, takes it to the next row's start.
    const int nVisibleCols = std::min(view.viewport()->width() / view.GetCellWidth(), MAX_COLS);
    constexpr int FIRST_ROW = 1;
    constexpr int ROWS = 10;
    const auto place = [&bench](int nRow) {
        const QPoint pt = bench.CellCentre(0, nRow);
        bench.Press(pt);
        bench.Release(pt);
    };
    const QString strX = QStringLiteral("x");

    std::vector<double> vView;
    std::vector<double> vYard;
    std::vector<double> vThumb;
    for (auto _ : state) {
        int nRow = FIRST_ROW;
        place(nRow);
        QCoreApplication::processEvents();
        Clock::duration tKeys{};
        for (int i = 0; i < KEYS; ++i) {
            if (pType->CaretCell().x() >= nVisibleCols - 1) {
                nRow = FIRST_ROW + (nRow - FIRST_ROW + 1) % ROWS;
                place(nRow);
            }
            const auto t0 = Clock::now();
            bench.Key(Qt::Key_X, strX);
            QCoreApplication::processEvents();
            tKeys += Clock::now() - t0;
        }
        const auto t1 = Clock::now();
        for (int i = 0; i < REFRESHES; ++i) {
            view.Refresh(CArtView::REFRESH_VISIBLE);
            QCoreApplication::processEvents();
        }
        const auto t2 = Clock::now();
        const QImage imgThumb = view.MakeThumbnail();
        const auto t3 = Clock::now();
        benchmark::DoNotOptimize(imgThumb.constBits());
        int nUndone = 0;
        while (nUndone < KEYS && doc.OnEditUndo())
            ++nUndone;
        if (nUndone != KEYS || doc.CanUndo()) {
            state.SkipWithError("the keys did not make one undo step each");
            break;
        }
        vView.push_back(Micros(tKeys) / KEYS);
        vYard.push_back(Micros(t2 - t1) / REFRESHES);
        vThumb.push_back(Micros(t3 - t2));
        state.SetIterationTime(std::chrono::duration<double>(tKeys).count());
    }
    if (!bench.IsIntact())
        state.SkipWithError("undo did not bring the drawing back");
    SetRatioCounters(state, vView, vYard);
    state.counters["thumb_us"] = Median(vThumb);
}
BENCHMARK(BM_TypeCharacter)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace
