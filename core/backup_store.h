// The page backup store: the undo engine under every frame.
//
// A store is a small private heap whose pages are always read-only. While a
// step is open, the first write to each page faults; the write-fault filter
// keeps a copy of the page as it was and lets the write go on. Committing the
// step turns every copied page into the run-length encoded XOR difference of
// before and after, so undo and redo both flip exactly the bits the step
// changed. Writers never describe their change: they open a step, write
// memory, and close it.
//
// Every operation either completes or leaves the store exactly as it was:
// what can fail (memory, a protection change) is done first and rolled back
// when the system refuses. Everything here runs on one thread, checked in
// debug builds: there are no locks.
#pragma once

#include "core/backup_limits.h"

#include <csignal>
#include <cstddef>
#include <functional>

// Status values; a call succeeded when (status & 3) == 1.
inline constexpr unsigned BACKUP_OK = 0x5800D;
inline constexpr unsigned BACKUP_E_OPEN = 0x1000;
inline constexpr unsigned BACKUP_E_NOT_OPEN = 0x3000;
inline constexpr unsigned BACKUP_E_EMPTY = 0x6000;
inline constexpr unsigned BACKUP_E_NO_STORE = 0x7000;
inline constexpr unsigned BACKUP_E_RANGE = 0x8000; // memory that is not the store's
// The system refused memory or a page protection change; the store is
// exactly as it was before the call, and the call may be tried again.
inline constexpr unsigned BACKUP_E_SYSTEM = 0x9000;

inline constexpr bool BackupSucceeded(unsigned status) { return (status & 3) == 1; }

// Largest number of undo steps a store keeps; shared by every store.
// A value below 1 is taken as 1.
extern unsigned g_nUndoRedoStep;

unsigned BackupCreate();
void* BackupAlloc(unsigned nSize, unsigned nId);
unsigned BackupBegin(unsigned nId);
unsigned BackupCommit(unsigned nId);
unsigned BackupCancel(unsigned nId);
int BackupIsOpen(unsigned nId);
int BackupCanUndo(unsigned nId);
int BackupCanRedo(unsigned nId);
unsigned BackupUndo(unsigned nId);
unsigned BackupRedo(unsigned nId);
unsigned BackupSeal(unsigned nId);
unsigned BackupRelease(unsigned nId);
unsigned BackupDestroy(unsigned nId);
unsigned BackupReleaseAll();

// Writes nBytes from pSrc into the store's memory at pDst as a step that is
// committed and sealed at once: the same outcome as begin, write, commit and
// seal (redo steps are dropped, undo steps sealed, nothing can undo the
// write), without recording a difference nobody can ever apply. For bulk
// loads: one protection change for the range instead of a fault per page.
// Refused with BACKUP_E_OPEN while a step is open and BACKUP_E_RANGE when the
// range is not entirely the store's.
unsigned BackupWriteSealed(unsigned nId, void* pDst, const void* pSrc, std::size_t nBytes);
// The same, with fill writing the range (given pDst) while it is unlocked:
// for instance a read from a file straight into the store's pages.
unsigned BackupFillSealed(unsigned nId, void* pDst, std::size_t nBytes,
                          const std::function<void(void*)>& fill);

// BackupBegin, BackupAlloc, BackupCommit and BackupSeal in one call, with the
// same outcome, for a store with no open step: the heap's own set-up of new
// regions is written while they are still writable, so it neither faults nor
// leaves differences behind. When fill is given, it writes the new block (as
// BackupFillSealed would) before the block is protected. Null when the store
// does not exist or has a step open; throws like BackupAlloc.
void* BackupAllocSealed(unsigned nSize, unsigned nId, const std::function<void(void*)>& fill = {});

// Told, on the stores' thread, just before anything may change the memory of
// store nId: a step begins, an undo or redo is applied, a sealed write or
// fill starts, or the store is released or destroyed. A reader on another
// thread (the autosave writer) copies what it still needs of the store then.
// One observer per process; null removes it.
using BackupChangeObserver = void (*)(unsigned nId);
void BackupSetChangeObserver(BackupChangeObserver pfnObserver);

// The write-fault filter. Returns true when the fault was a first write to a
// page of a store with an open step and has been served (the write may be
// retried); false when the fault belongs to somebody else.
bool BackupFaultFilter(const siginfo_t* pInfo, const void* pContext);

// Installs the process-wide SIGSEGV handler that runs the filter and hands
// every fault it does not serve to the previous disposition. Idempotent.
// Throws CBackupError when the system page size is not 4,096 bytes.
void BackupInstallFaultFilter();

// Figures for tests and benchmarks; none of them changes a store.
struct BackupStoreStats {
    std::size_t nUndo = 0;          // steps in the undo list (an open one included)
    std::size_t nRedo = 0;
    std::size_t nKept = 0;
    std::size_t nPages = 0;         // pages the store owns (regions and bookkeeping)
    std::size_t nNewestDiffBytes = 0; // encoded bytes kept by the newest committed undo step
    std::size_t nNewestDiffPages = 0; // pages recorded by that step
};
bool BackupGetStats(unsigned nId, BackupStoreStats& stats);

// The store's bookkeeping page (null until the first allocation); for the
// heap's own consistency checks in tests.
void* BackupHeapInfo(unsigned nId);
