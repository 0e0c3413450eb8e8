// Frame operations and Undo Frame Change against a plain list model: random
// runs of add, insert, duplicate, delete, move and their undo and redo, mixed
// with cell edits and their per-frame undo, selections and resting frames.
// After every step the order, every frame's cells, the current frame's own
// undo and redo, and the number of frames the history holds must match.
#include "backup_test_support.h"

#include "core/art_doc.h"
#include "core/backup_arena.h"
#include "core/edit_bracket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace {

using Cells = std::vector<uint8_t>; // the characters of a frame

struct MFrame {
    std::vector<Cells> vStates; // its own history
    std::size_t nPos = 0;
    const Cells& Now() const { return vStates[nPos]; }
};

struct MChange {
    std::vector<int> vBefore, vAfter;
};

class FrameModel {
public:
    explicit FrameModel(std::size_t nLimit) : m_nLimit(nLimit) {}

    std::map<int, MFrame> frames;
    std::vector<int> order;
    int nCur = 0;

    void AddFrame(int nKey, Cells cells) { frames[nKey].vStates = {std::move(cells)}; }
    void Edit(Cells cells)
    {
        MFrame& f = frames[nCur];
        f.vStates.resize(f.nPos + 1);
        f.vStates.push_back(std::move(cells));
        if (f.vStates.size() > m_nLimit + 1)
            f.vStates.erase(f.vStates.begin());
        f.nPos = f.vStates.size() - 1;
    }
    void Record(std::vector<int> vBefore)
    {
        m_vChanges.resize(m_nDone);
        m_vChanges.push_back({std::move(vBefore), order});
        while (m_vChanges.size() > m_nLimit)
            m_vChanges.erase(m_vChanges.begin());
        m_nDone = m_vChanges.size();
        Forget();
    }
    bool CanUndo() const { return m_nDone > 0; }
    bool CanRedo() const { return m_nDone < m_vChanges.size(); }
    void Undo() { order = m_vChanges[--m_nDone].vBefore; }
    void Redo() { order = m_vChanges[m_nDone++].vAfter; }
    // Frames out of the drawing that some entry can still bring back.
    std::size_t Held() const
    {
        std::set<int> held;
        for (const MChange& c : m_vChanges)
            for (const auto* v : {&c.vBefore, &c.vAfter})
                for (int k : *v)
                    if (std::find(order.begin(), order.end(), k) == order.end())
                        held.insert(k);
        return held.size();
    }

private:
    // Frames nothing can bring back any more are gone.
    void Forget()
    {
        std::erase_if(frames, [&](const auto& entry) {
            const int k = entry.first;
            auto in = [k](const std::vector<int>& v) { return std::find(v.begin(), v.end(), k) != v.end(); };
            return !in(order) && std::none_of(m_vChanges.begin(), m_vChanges.end(),
                                              [&](const MChange& c) { return in(c.vBefore) || in(c.vAfter); });
        });
    }

    std::size_t m_nLimit;
    std::vector<MChange> m_vChanges;
    std::size_t m_nDone = 0;
};

Cells CellsOf(const CharCell* p, int n)
{
    Cells v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[std::size_t(i)] = p[i].chChar;
    return v;
}

struct ModelCase {
    int nRows, nCols;
    unsigned nLimit;
    uint64_t nSeed;
};

class FrameOpsModel : public testing::TestWithParam<ModelCase> {};

TEST_P(FrameOpsModel, MatchesAListModel)
{
    const ModelCase& c = GetParam();
    gwtest::UndoLimitGuard limit;
    g_nUndoRedoStep = c.nLimit;
    gwtest::Rng rng(c.nSeed);
    CArtDoc doc;
    doc.SetCanvasSize(c.nRows, c.nCols);
    ASSERT_TRUE(doc.OnNewDocument());
    const int nCells = doc.GetCellCount();
    FrameModel m(c.nLimit);
    m.nCur = doc.RegisterFrame();
    m.order = {m.nCur};
    m.AddFrame(m.nCur, Cells(std::size_t(nCells), 0));

    auto check = [&](int nStep, int nOp) {
        SCOPED_TRACE(testing::Message() << "step " << nStep << " op " << nOp);
        std::vector<int> keys;
        for (const auto& [nKey, pCells] : doc.GetFrames()) {
            keys.push_back(nKey);
            ASSERT_TRUE(m.frames.count(nKey)) << "frame " << nKey;
            ASSERT_EQ(CellsOf(pCells, nCells), m.frames[nKey].Now()) << "frame " << nKey;
        }
        ASSERT_EQ(keys, m.order);
        ASSERT_EQ(doc.GetCurCells(), doc.GetFrames().at(m.nCur));
        const MFrame& f = m.frames[m.nCur];
        ASSERT_EQ(doc.CanUndo(), f.nPos > 0);
        ASSERT_EQ(doc.CanRedo(), f.nPos + 1 < f.vStates.size());
        ASSERT_EQ(doc.CanUndoFrameChange(), m.CanUndo());
        ASSERT_EQ(doc.CanRedoFrameChange(), m.CanRedo());
        ASSERT_EQ(doc.FrameChanges().HeldFrames(), m.Held()) << "frames kept alive by the history";
    };

    for (int nStep = 0; nStep < 2000; ++nStep) {
        const int nOp = static_cast<int>(rng.Below(12));
        const int nCount = static_cast<int>(m.order.size());
        const int nIndex = static_cast<int>(std::find(m.order.begin(), m.order.end(), m.nCur) - m.order.begin());
        const std::vector<int> vBefore = m.order;
        switch (nOp) {
        case 0:
        case 1: { // a stroke on the current frame
            CEditBracket edit(doc);
            ASSERT_TRUE(edit.BeginEdit());
            Cells cells = m.frames[m.nCur].Now();
            for (std::size_t n = rng.Between(1, 4); n > 0; --n) {
                const std::size_t i = rng.Below(std::size_t(nCells));
                cells[i] = static_cast<uint8_t>(rng.Between(33, 126));
                doc.GetCurCells()[i].chChar = cells[i];
            }
            ASSERT_EQ(edit.EndEdit(), EEditEnd::Closed);
            m.Edit(cells);
            break;
        }
        case 2: { // Edit > Undo and Redo stay the current frame's own
            MFrame& f = m.frames[m.nCur];
            const bool bUndo = rng.Chance(60);
            if (bUndo) {
                ASSERT_EQ(doc.OnEditUndo(), f.nPos > 0);
                f.nPos -= f.nPos > 0 ? 1 : 0;
            } else {
                const bool bCan = f.nPos + 1 < f.vStates.size();
                ASSERT_EQ(doc.OnEditRedo(), bCan);
                f.nPos += bCan ? 1 : 0;
            }
            break;
        }
        case 3: // another frame becomes current; idle small frames rest
            m.nCur = m.order[rng.Below(m.order.size())];
            doc.SelectFrame(m.nCur);
            doc.RestIdleFrames();
            break;
        case 4: // Add a frame, or Insert frame after the current one
        case 5: {
            const int nAt = nOp == 4 ? nCount : nIndex + 1;
            const int nKey = doc.InsertFrame(nAt);
            ASSERT_GE(nKey, 0);
            m.AddFrame(nKey, Cells(std::size_t(nCells), 0));
            m.order.insert(m.order.begin() + nAt, nKey);
            m.nCur = nKey;
            m.Record(vBefore);
            break;
        }
        case 6: {
            const int nKey = doc.DuplicateFrame(m.nCur);
            ASSERT_GE(nKey, 0);
            m.AddFrame(nKey, m.frames[m.nCur].Now());
            m.order.insert(m.order.begin() + nIndex + 1, nKey);
            m.nCur = nKey;
            m.Record(vBefore);
            break;
        }
        case 7: {
            const int nVictim = m.order[rng.Below(m.order.size())];
            const int nAt = doc.GetFrameIndex(nVictim);
            ASSERT_EQ(doc.RemoveFrame(nVictim), nCount > 1);
            if (nCount > 1) {
                std::erase(m.order, nVictim);
                m.nCur = m.order[std::size_t(std::min(nAt, nCount - 2))];
                m.Record(vBefore);
            }
            break;
        }
        case 8: {
            const int nFrom = static_cast<int>(rng.Below(m.order.size()));
            const int nTo = static_cast<int>(rng.Below(m.order.size()));
            ASSERT_EQ(doc.MoveFrame(nFrom, nTo), nFrom != nTo);
            if (nFrom != nTo) {
                const int nKey = m.order[std::size_t(nFrom)];
                m.order.erase(m.order.begin() + nFrom);
                m.order.insert(m.order.begin() + nTo, nKey);
                m.Record(vBefore);
            }
            break;
        }
        case 9:
        case 10: { // Undo Frame Change
            const int nKey = doc.UndoFrameChange();
            ASSERT_EQ(nKey >= 0, m.CanUndo());
            if (nKey >= 0) {
                m.Undo();
                m.nCur = nKey;
            }
            break;
        }
        default: { // Redo Frame Change
            const int nKey = doc.RedoFrameChange();
            ASSERT_EQ(nKey >= 0, m.CanRedo());
            if (nKey >= 0) {
                m.Redo();
                m.nCur = nKey;
            }
            break;
        }
        }
        check(nStep, nOp);
        if (testing::Test::HasFatalFailure())
            return;
    }
}

// Small frames rest when idle; large ones always have a store. A short step
// limit drops deleted frames early; a long one keeps them.
INSTANTIATE_TEST_SUITE_P(Runs, FrameOpsModel,
                         testing::Values(ModelCase{2, 8, 100, 1}, ModelCase{2, 8, 3, 2}, ModelCase{20, 30, 100, 3},
                                         ModelCase{20, 30, 5, 4}));

// Out of memory or a store that cannot be made: the operation leaves the
// drawing as it was. Fails the nth fallible store call for every n.
TEST(FrameOps, DuplicateAndInsertCompleteOrChangeNothing)
{
    for (const bool bDuplicate : {false, true}) {
        for (int n = 1; n < 40; ++n) {
            CArtDoc doc;
            doc.SetCanvasSize(20, 30);
            ASSERT_TRUE(doc.OnNewDocument());
            const int nFirst = doc.RegisterFrame();
            const CFrameOrder before = doc.GetFrames();
            BackupFailNthSystemCall(n);
            int nKey = -1;
            bool bThrew = false;
            try {
                nKey = bDuplicate ? doc.DuplicateFrame(nFirst) : doc.InsertFrame(1);
            } catch (const CBackupError&) {
                bThrew = true;
            }
            const bool bPending = BackupInjectionPending();
            BackupFailNthSystemCall(0);
            if (bThrew) {
                EXPECT_EQ(doc.GetFrames(), before) << "n " << n;
                EXPECT_EQ(doc.GetCurCells(), before.at(nFirst));
                EXPECT_FALSE(doc.CanUndoFrameChange());
                EXPECT_EQ(doc.InsertFrame(1), nFirst + 1) << "no key was used up";
            } else {
                EXPECT_EQ(nKey, nFirst + 1);
                EXPECT_EQ(doc.GetFrameCount(), 2);
            }
            if (bPending)
                break; // the operation made fewer than n calls
        }
    }
}

} // namespace
