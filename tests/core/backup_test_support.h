// Helpers shared by the backup store tests: a deterministic random source,
// stores that clean up after themselves, and child processes for cases that
// must crash or that touch every store in the process.
#pragma once

#include "core/backup_store.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace gwtest {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// splitmix64: small, fast and the same on every platform and library.
class Rng {
public:
    explicit Rng(uint64_t nSeed) : m_nState(nSeed) {}
    uint64_t Next()
    {
        uint64_t z = (m_nState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n); n > 0.
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
    // Uniform in [lo, hi].
    std::size_t Between(std::size_t lo, std::size_t hi) { return lo + Below(hi - lo + 1); }
    bool Chance(unsigned nPercent) { return Below(100) < nPercent; }
    uint8_t Byte() { return static_cast<uint8_t>(Next()); }
    uint16_t Word() { return static_cast<uint16_t>(Next()); }
    void Fill(void* p, std::size_t n)
    {
        auto* b = static_cast<uint8_t*>(p);
        for (std::size_t i = 0; i < n; ++i)
            b[i] = Byte();
    }

private:
    uint64_t m_nState;
};

// Keeps g_nUndoRedoStep as it was when the test started.
class UndoLimitGuard {
public:
    UndoLimitGuard() : m_nSaved(g_nUndoRedoStep) {}
    ~UndoLimitGuard() { g_nUndoRedoStep = m_nSaved; }
    UndoLimitGuard(const UndoLimitGuard&) = delete;
    UndoLimitGuard& operator=(const UndoLimitGuard&) = delete;

private:
    unsigned m_nSaved;
};

// Closes any step left open (a failed assertion may leave one) and destroys
// the store, so no test leaves a store behind for the next.
inline void DisposeStore(unsigned nId)
{
    if (nId == 0)
        return;
    if (BackupIsOpen(nId) != 0)
        BackupCancel(nId);
    BackupDestroy(nId);
}

// A store holding one block, allocated the way a frame is: in a step of its
// own that is committed and sealed at once.
struct StoreBlock {
    unsigned nId = 0;
    uint8_t* p = nullptr;
    std::size_t nSize = 0;
};

inline StoreBlock AllocSealed(unsigned nId, std::size_t nSize)
{
    StoreBlock b;
    b.nId = nId;
    b.nSize = nSize;
    if (BackupBegin(nId) != BACKUP_OK)
        return b;
    b.p = static_cast<uint8_t*>(BackupAlloc(static_cast<unsigned>(nSize), nId));
    BackupCommit(nId);
    BackupSeal(nId);
    return b;
}

// Stores created through this owner are destroyed with it.
class StoreOwner {
public:
    StoreOwner() = default;
    StoreOwner(const StoreOwner&) = delete;
    StoreOwner& operator=(const StoreOwner&) = delete;
    ~StoreOwner()
    {
        for (unsigned nId : m_ids)
            DisposeStore(nId);
    }
    unsigned Create()
    {
        unsigned nId = BackupCreate();
        m_ids.push_back(nId);
        return nId;
    }
    StoreBlock CreateWithBlock(std::size_t nSize) { return AllocSealed(Create(), nSize); }

private:
    std::vector<unsigned> m_ids;
};

inline uint32_t BlockHeader(const void* p)
{
    uint32_t n;
    std::memcpy(&n, static_cast<const uint8_t*>(p) - BACKUP_BLOCK_HEADER, sizeof n);
    return n;
}

inline std::size_t PagesOf(unsigned nId)
{
    BackupStoreStats st;
    return BackupGetStats(nId, st) ? st.nPages : static_cast<std::size_t>(-1);
}

// Compares n bytes at p with an expected image, naming the first difference.
inline testing::AssertionResult SameBytes(const uint8_t* p, const std::vector<uint8_t>& expected)
{
    if (std::memcmp(p, expected.data(), expected.size()) == 0)
        return testing::AssertionSuccess();
    std::size_t i = 0, nDiff = 0;
    while (p[i] == expected[i])
        ++i;
    for (std::size_t k = i; k < expected.size(); ++k)
        nDiff += p[k] != expected[k];
    return testing::AssertionFailure()
           << nDiff << " of " << expected.size() << " bytes differ; first at offset " << i << ": got 0x"
           << std::hex << unsigned{p[i]} << ", expected 0x" << unsigned{expected[i]} << std::dec;
}

inline std::vector<uint8_t> Image(const StoreBlock& b) { return {b.p, b.p + b.nSize}; }

// How a child process ended.
struct ChildEnd {
    int nStatus = 0;
    bool bSignalled() const { return WIFSIGNALED(nStatus); }
    int nSignal() const { return WIFSIGNALED(nStatus) ? WTERMSIG(nStatus) : 0; }
    bool bExited() const { return WIFEXITED(nStatus); }
    int nExit() const { return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1; }
    std::string Describe() const
    {
        char sz[64];
        if (bSignalled())
            std::snprintf(sz, sizeof sz, "killed by signal %d", nSignal());
        else if (bExited())
            std::snprintf(sz, sizeof sz, "exited with %d", nExit());
        else
            std::snprintf(sz, sizeof sz, "ended with status 0x%x", nStatus);
        return sz;
    }
    // The end a segmentation fault brings: the signal itself, or under
    // AddressSanitizer (whose handler reports the fault) an abnormal exit.
    bool bCrashedOnSegv() const
    {
        if (bSignalled() && nSignal() == SIGSEGV)
            return true;
        return kAddressSanitizer && bExited() && nExit() != 0 && nExit() != kChildPassed;
    }
    static constexpr int kChildPassed = 0;
};

// Runs fn in a forked child without core dumps and with a time limit; the
// child ends with fn's result as its exit status.
inline ChildEnd RunInChild(const std::function<int()>& fn, unsigned nSeconds = 60)
{
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        rlimit lim{0, 0};
        setrlimit(RLIMIT_CORE, &lim);
        alarm(nSeconds);
        int n = fn();
        std::fflush(nullptr);
        _exit(n);
    }
    ChildEnd end;
    if (pid < 0) {
        end.nStatus = -1;
        ADD_FAILURE() << "fork failed: " << std::strerror(errno);
        return end;
    }
    while (waitpid(pid, &end.nStatus, 0) < 0 && errno == EINTR) {
    }
    return end;
}

} // namespace gwtest
