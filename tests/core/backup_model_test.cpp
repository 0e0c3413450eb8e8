// Random operations on several stores at once, each checked against a plain
// model: the bytes a block should hold, whether a step is open, and the undo
// and redo lists as XOR differences under the undo limit.
#include "backup_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using gwtest::Rng;

constexpr uint64_t kSeed = 0x6C79706877726974ull;
constexpr long kOperations = 300000;
constexpr std::size_t kStores = 4;
// Carved from the end of a region, so most of them start inside a page and
// cross page edges.
const std::size_t kBlockSizes[] = {5000, 8292, 12281, 20000, 3000, 1000};

struct Step {
    int nNumber;
    std::vector<uint8_t> diff; // before ^ after over the whole block
};

struct ModelStore {
    unsigned nId = 0;
    uint8_t* p = nullptr;
    std::size_t nSize = 0;
    std::vector<uint8_t> bytes;
    bool bOpen = false;
    int nOpen = 0;
    std::vector<uint8_t> atBegin;
    std::deque<Step> undo;
    std::vector<Step> redo;
    std::size_t nKept = 0;
};

enum Op { OpBegin, OpWrite, OpCommit, OpCancel, OpUndo, OpRedo, OpSeal, OpLimit, OpRelease, OpReleaseAll, OpCount };
const char* const kOpNames[] = {"begin", "write", "commit", "cancel", "undo", "redo", "seal", "limit", "release", "release-all"};

class Model {
public:
    explicit Model(Rng& rng) : m_rng(rng) {}
    ~Model()
    {
        for (ModelStore& s : m_stores)
            gwtest::DisposeStore(s.nId);
    }

    bool Init(std::string& strWhy)
    {
        for (std::size_t i = 0; i < kStores; ++i) {
            ModelStore s;
            s.nId = BackupCreate();
            m_stores.push_back(s);
            if (!Allocate(m_stores.back(), kBlockSizes[i], strWhy))
                return false;
        }
        return true;
    }

    // Runs one random operation; false with the reason on the first divergence.
    bool RunOne(std::string& strWhy, Op& op, std::size_t& nStore)
    {
        nStore = m_rng.Below(kStores);
        ModelStore& s = m_stores[nStore];
        std::size_t r = m_rng.Below(1000);
        op = r < 130 ? OpBegin
           : r < 500 ? OpWrite
           : r < 640 ? OpCommit
           : r < 690 ? OpCancel
           : r < 830 ? OpUndo
           : r < 930 ? OpRedo
           : r < 955 ? OpSeal
           : r < 975 ? OpLimit
           : r < 979 ? OpRelease
                     : OpReleaseAll;
        if (op == OpWrite && !s.bOpen)
            op = OpBegin; // writes outside a step are a crash, not an operation
        ++m_counts[op];

        std::ostringstream why;
        auto expect = [&](unsigned nGot, unsigned nWant, const char* szWhat) {
            if (nGot == nWant)
                return true;
            why << szWhat << " returned 0x" << std::hex << nGot << ", model expects 0x" << nWant << std::dec;
            return false;
        };
        bool bOk = true;
        switch (op) {
        case OpBegin:
            if (s.bOpen) {
                bOk = expect(BackupBegin(s.nId), BACKUP_E_OPEN, "begin");
            } else {
                bOk = expect(BackupBegin(s.nId), BACKUP_OK, "begin");
                s.bOpen = true;
                s.nOpen = BackupIsOpen(s.nId);
                s.atBegin = s.bytes;
                if (bOk && s.nOpen <= m_nLastNumber) {
                    why << "step number " << s.nOpen << " after " << m_nLastNumber;
                    bOk = false;
                }
                m_nLastNumber = s.nOpen;
            }
            break;
        case OpWrite:
            Write(s);
            break;
        case OpCommit:
            bOk = expect(BackupCommit(s.nId), s.bOpen ? BACKUP_OK : BACKUP_E_NOT_OPEN, "commit");
            if (s.bOpen) {
                s.redo.clear();
                std::size_t nLimit = g_nUndoRedoStep < 1 ? 1 : g_nUndoRedoStep;
                while (s.undo.size() + 1 > nLimit)
                    s.undo.pop_front();
                Step st{s.nOpen, s.atBegin};
                for (std::size_t i = 0; i < s.nSize; ++i)
                    st.diff[i] ^= s.bytes[i];
                s.undo.push_back(std::move(st));
                s.bOpen = false;
                s.nOpen = 0;
            }
            break;
        case OpCancel:
            bOk = expect(BackupCancel(s.nId), s.bOpen ? BACKUP_OK : BACKUP_E_NOT_OPEN, "cancel");
            s.bOpen = false;
            s.nOpen = 0;
            break;
        case OpUndo:
        case OpRedo: {
            bool bUndo = op == OpUndo;
            unsigned nGot = bUndo ? BackupUndo(s.nId) : BackupRedo(s.nId);
            if (s.bOpen) {
                bOk = expect(nGot, BACKUP_E_OPEN, kOpNames[op]);
            } else if (bUndo ? s.undo.empty() : s.redo.empty()) {
                bOk = expect(nGot, BACKUP_E_EMPTY, kOpNames[op]);
            } else {
                bOk = expect(nGot, BACKUP_OK, kOpNames[op]);
                Step st = bUndo ? std::move(s.undo.back()) : std::move(s.redo.back());
                if (bUndo)
                    s.undo.pop_back();
                else
                    s.redo.pop_back();
                for (std::size_t i = 0; i < s.nSize; ++i)
                    s.bytes[i] ^= st.diff[i];
                if (bUndo)
                    s.redo.push_back(std::move(st));
                else
                    s.undo.push_back(std::move(st));
            }
            break;
        }
        case OpSeal:
            bOk = expect(BackupSeal(s.nId), s.bOpen ? BACKUP_E_OPEN : BACKUP_OK, "seal");
            if (!s.bOpen) {
                s.nKept += s.undo.size();
                s.undo.clear();
            }
            break;
        case OpLimit:
            g_nUndoRedoStep = static_cast<unsigned>(m_rng.Below(9)); // 0 counts as 1
            break;
        case OpRelease:
            if (s.bOpen) {
                bOk = expect(BackupRelease(s.nId), BACKUP_E_OPEN, "release");
            } else {
                bOk = expect(BackupRelease(s.nId), BACKUP_OK, "release");
                s.undo.clear();
                s.redo.clear();
                s.nKept = 0;
                BackupStoreStats st;
                if (bOk && (!BackupGetStats(s.nId, st) || st.nPages != 0)) {
                    why << "release left " << st.nPages << " pages";
                    bOk = false;
                }
                std::string strWhy2;
                if (bOk && !Allocate(s, kBlockSizes[m_rng.Below(std::size(kBlockSizes))], strWhy2)) {
                    why << strWhy2;
                    bOk = false;
                }
            }
            break;
        case OpReleaseAll: {
            // Only while a step is open somewhere, where it must release nothing:
            // a successful release-all would reach every store in the process.
            bool bAnyOpen = false;
            for (const ModelStore& m : m_stores)
                bAnyOpen = bAnyOpen || m.bOpen;
            if (bAnyOpen)
                bOk = expect(BackupReleaseAll(), BACKUP_E_OPEN, "release-all");
            break;
        }
        default:
            break;
        }
        if (bOk)
            bOk = Check(s, why);
        if (bOk && (op == OpReleaseAll || op == OpRelease || m_nOps % 16 == 0))
            bOk = CheckAll(why);
        ++m_nOps;
        if (!bOk)
            strWhy = why.str();
        return bOk;
    }

    bool CheckAll(std::ostream& why)
    {
        for (ModelStore& s : m_stores)
            if (!Check(s, why) || !CheckStats(s, why))
                return false;
        return true;
    }

    long Ops() const { return m_nOps; }
    long Count(Op op) const { return m_counts[op]; }

private:
    // A new block the way a frame gets one: allocated, committed and sealed.
    bool Allocate(ModelStore& s, std::size_t nSize, std::string& strWhy)
    {
        if (BackupBegin(s.nId) != BACKUP_OK) {
            strWhy = "begin before allocating failed";
            return false;
        }
        m_nLastNumber = BackupIsOpen(s.nId);
        s.p = static_cast<uint8_t*>(BackupAlloc(static_cast<unsigned>(nSize), s.nId));
        bool bOk = s.p != nullptr;
        if (BackupCommit(s.nId) != BACKUP_OK || BackupSeal(s.nId) != BACKUP_OK)
            bOk = false;
        if (!bOk) {
            strWhy = "allocating " + std::to_string(nSize) + " bytes failed";
            return false;
        }
        s.nSize = nSize;
        s.bytes.assign(s.p, s.p + nSize);
        s.bOpen = false;
        s.nOpen = 0;
        s.undo.clear();
        s.redo.clear();
        s.nKept = 1;
        return true;
    }

    void Write(ModelStore& s)
    {
        std::size_t nOff, nLen;
        switch (m_rng.Below(10)) {
        case 0: case 1: case 2: case 3: // one byte
            nOff = m_rng.Below(s.nSize);
            nLen = 1;
            break;
        case 4: case 5: case 6: // a short run
            nLen = m_rng.Between(2, 64);
            nOff = m_rng.Below(s.nSize - nLen + 1);
            break;
        case 7: case 8: { // across a page edge, if the block has one
            uintptr_t base = reinterpret_cast<uintptr_t>(s.p);
            uintptr_t edge = (base / BACKUP_PAGE_SIZE + 1 + m_rng.Below(s.nSize / BACKUP_PAGE_SIZE + 1)) *
                             BACKUP_PAGE_SIZE;
            nLen = m_rng.Between(2, 40);
            std::size_t nBack = m_rng.Between(1, nLen - 1);
            nOff = edge - nBack > base ? edge - nBack - base : 0;
            if (nOff + nLen > s.nSize)
                nOff = s.nSize - nLen;
            break;
        }
        default: // a long stretch
            nLen = m_rng.Between(300, s.nSize < 6000 ? s.nSize : 6000);
            nOff = m_rng.Below(s.nSize - nLen + 1);
            break;
        }
        m_buf.resize(nLen);
        if (m_rng.Chance(10))
            std::memcpy(m_buf.data(), s.bytes.data() + nOff, nLen); // rewrite what is there
        else
            m_rng.Fill(m_buf.data(), nLen);
        std::memcpy(s.p + nOff, m_buf.data(), nLen);
        std::memcpy(s.bytes.data() + nOff, m_buf.data(), nLen);
    }

    static bool Check(const ModelStore& s, std::ostream& why)
    {
        if (!s.p)
            return true;
        if (std::memcmp(s.p, s.bytes.data(), s.nSize) != 0) {
            why << "store " << s.nId << ": memory differs from the model: " << gwtest::SameBytes(s.p, s.bytes).message();
            return false;
        }
        int nOpen = BackupIsOpen(s.nId);
        int nUndo = BackupCanUndo(s.nId), nRedo = BackupCanRedo(s.nId);
        int nWantUndo = s.undo.empty() ? 0 : s.undo.back().nNumber;
        int nWantRedo = s.redo.empty() ? 0 : s.redo.back().nNumber;
        if (nOpen != s.nOpen || nUndo != nWantUndo || nRedo != nWantRedo) {
            why << "store " << s.nId << ": open/undo/redo " << nOpen << "/" << nUndo << "/" << nRedo
                << ", model " << s.nOpen << "/" << nWantUndo << "/" << nWantRedo;
            return false;
        }
        return true;
    }

    static bool CheckStats(const ModelStore& s, std::ostream& why)
    {
        BackupStoreStats st;
        if (!BackupGetStats(s.nId, st)) {
            why << "store " << s.nId << " has no statistics";
            return false;
        }
        std::size_t nUndo = s.undo.size() + (s.bOpen ? 1 : 0);
        if (st.nUndo != nUndo || st.nRedo != s.redo.size() || st.nKept != s.nKept) {
            why << "store " << s.nId << ": undo/redo/kept " << st.nUndo << "/" << st.nRedo << "/" << st.nKept
                << ", model " << nUndo << "/" << s.redo.size() << "/" << s.nKept;
            return false;
        }
        return true;
    }

    Rng& m_rng;
    std::vector<ModelStore> m_stores;
    std::vector<uint8_t> m_buf;
    int m_nLastNumber = 0;
    long m_nOps = 0;
    long m_counts[OpCount] = {};
};

TEST(BackupModel, RandomOperationsMatchThePlainModel)
{
    gwtest::UndoLimitGuard limit;
    g_nUndoRedoStep = 4;
    Rng rng(kSeed);
    Model model(rng);
    std::string strWhy;
    ASSERT_TRUE(model.Init(strWhy)) << strWhy;

    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < kOperations; ++i) {
        Op op = OpBegin;
        std::size_t nStore = 0;
        ASSERT_TRUE(model.RunOne(strWhy, op, nStore))
            << "operation " << i << " (" << kOpNames[op] << " on model store " << nStore << "), seed 0x" << std::hex
            << kSeed << std::dec << ": " << strWhy;
    }
    std::ostringstream why;
    ASSERT_TRUE(model.CheckAll(why)) << why.str();
    double dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::cout << "[ model    ] seed 0x" << std::hex << kSeed << std::dec << ": " << model.Ops()
              << " operations checked over " << kStores << " stores in " << dSeconds << " s (";
    for (int op = 0; op < OpCount; ++op)
        std::cout << (op ? ", " : "") << kOpNames[op] << " " << model.Count(static_cast<Op>(op));
    std::cout << ")" << std::endl;
}

} // namespace
