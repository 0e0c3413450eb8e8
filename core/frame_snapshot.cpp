#include "core/frame_snapshot.h"

#include "core/art_doc.h"
#include "core/backup_store.h"

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace {

// The snapshots alive, each told of every store change. Only the document's
// thread touches the list.
std::vector<CFrameSnapshot*>& LiveSnapshots()
{
    static std::vector<CFrameSnapshot*> v;
    return v;
}

// A frame is one memcpy long at most; yielding covers a thread that lost its
// time slice in the middle of one.
void WaitWhile(const std::atomic<int>& nState, int nBusy)
{
    while (nState.load(std::memory_order_acquire) == nBusy)
        std::this_thread::yield();
}

// The reader copies a live frame through the kernel: the document's thread
// may change the pages (or release them) while it does, and then a plain
// memcpy would race or fault; this copy only comes out torn or short, and the
// reader throws it away. Where the system refuses the call (a sandbox), the
// reader copies plainly and the document's thread waits for it instead.
bool CopyThroughKernel(void* pDst, const void* pSrc, std::size_t nBytes)
{
    iovec local{pDst, nBytes};
    iovec remote{const_cast<void*>(pSrc), nBytes};
    return process_vm_readv(getpid(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(nBytes);
}

// Whole-range pread; false with errno set.
bool ReadAt(int fd, void* p, std::size_t nBytes, off_t nOffset)
{
    char* pc = static_cast<char*>(p);
    while (nBytes > 0) {
        const ssize_t n = pread(fd, pc, nBytes, nOffset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            errno = n == 0 ? EIO : errno;
            return false;
        }
        pc += n;
        nBytes -= static_cast<std::size_t>(n);
        nOffset += n;
    }
    return true;
}

bool KernelCopyWorks()
{
    static const bool bWorks = [] {
        const int nSrc = 1;
        int nDst = 0;
        return CopyThroughKernel(&nDst, &nSrc, sizeof nSrc) && nDst == 1;
    }();
    return bWorks;
}

} // namespace

bool WriteWholeAt(int fd, const void* p, std::size_t nBytes, off_t nOffset)
{
    const char* pc = static_cast<const char*>(p);
    while (nBytes > 0) {
        const ssize_t n = pwrite(fd, pc, nBytes, nOffset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            errno = n == 0 ? ENOSPC : errno;
            return false;
        }
        pc += n;
        nBytes -= static_cast<std::size_t>(n);
        nOffset += n;
    }
    return true;
}

CFrameSnapshot::CFrameSnapshot(std::size_t nCells, std::size_t nFrames)
    : m_nCells(nCells), m_vFrames(nFrames)
{
}

std::unique_ptr<CFrameSnapshot> CFrameSnapshot::Take(const CArtDoc& doc, const FramePatch& fnPatch,
                                                     bool bRereadable)
{
    for (const auto& [nKey, pCells] : doc.GetFrames()) {
        const auto nId = static_cast<unsigned>(doc.GetFrameHistory(nKey));
        if (BackupIsOpen(nId) != 0 && !(fnPatch && static_cast<int>(nId) == doc.GetCurHistory()))
            return nullptr;
    }
    std::unique_ptr<CFrameSnapshot> pSnap(
        new CFrameSnapshot(static_cast<std::size_t>(doc.GetCellCount()), doc.GetFrames().size()));
    pSnap->m_bRereadable = bRereadable;
    std::size_t n = 0;
    for (const auto& [nKey, pCells] : doc.GetFrames()) {
        SFrame& frame = pSnap->m_vFrames[n++];
        frame.pLive = pCells;
        const int nHistory = doc.GetFrameHistory(nKey);
        const bool bPatched = fnPatch && pCells == doc.GetCurCells();
        // A resting frame's cells never change: the snapshot shares them.
        if (!bPatched && nHistory <= 0 && (frame.pResting = doc.GetRestingCells(nKey)))
            continue;
        if (bPatched || nHistory <= 0) {
            // Patched, or no store would tell of a change: copy it now.
            frame.pPrivate.reset(new CharCell[pSnap->m_nCells]);
            std::memcpy(frame.pPrivate.get(), pCells, pSnap->m_nCells * sizeof(CharCell));
            if (bPatched)
                fnPatch(frame.pPrivate.get());
            frame.nState.store(PRIVATE, std::memory_order_relaxed);
            continue;
        }
        frame.nStore = static_cast<unsigned>(nHistory);
    }
    LiveSnapshots().push_back(pSnap.get());
    BackupSetChangeObserver(&CFrameSnapshot::OnStoreChange);
    return pSnap;
}

CFrameSnapshot::~CFrameSnapshot()
{
    auto& v = LiveSnapshots();
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    if (v.empty())
        BackupSetChangeObserver(nullptr);
}

void CFrameSnapshot::OnStoreChange(unsigned nId)
{
    for (CFrameSnapshot* pSnap : LiveSnapshots())
        pSnap->BeforeStoreChange(nId);
}

void CFrameSnapshot::BeforeStoreChange(unsigned nId)
{
    for (SFrame& frame : m_vFrames) {
        if (frame.nStore != nId)
            continue;
        int nState = LIVE;
        if (m_bAbandoned) {
            // Nobody wants the cells: the reader is told they are lost.
            if (frame.nState.compare_exchange_strong(nState, PRIVATE, std::memory_order_acq_rel))
                continue;
        } else if (frame.nState.compare_exchange_strong(nState, COPYING,
                                                        std::memory_order_acquire)) {
            CopyLive(frame);
            continue;
        }
        if (nState == READING && KernelCopyWorks()) {
            // The reader's copy may come out torn once the pages change:
            // this thread copies the frame itself, and the reader takes that.
            const int nNext = m_bAbandoned ? PRIVATE : COPYING;
            if (frame.nState.compare_exchange_strong(nState, nNext, std::memory_order_acq_rel) &&
                nNext == COPYING)
                CopyLive(frame);
        } else if (nState == READING) {
            WaitWhile(frame.nState, READING);
        }
    }
}

void CFrameSnapshot::CopyLive(SFrame& frame)
{
    // Without memory for the copy the frame is lost to this snapshot, and its
    // reader is told so.
    try {
        frame.pPrivate.reset(new CharCell[m_nCells]);
        std::memcpy(frame.pPrivate.get(), frame.pLive, m_nCells * sizeof(CharCell));
        ++m_nPrivateCopies;
    } catch (const std::bad_alloc&) {
        frame.pPrivate.reset();
    }
    frame.nState.store(PRIVATE, std::memory_order_release);
}

bool CFrameSnapshot::ReadFrame(std::size_t nFrame, CharCell* pDst)
{
    SFrame& frame = m_vFrames.at(nFrame);
    const std::size_t nBytes = m_nCells * sizeof(CharCell);
    int nState = LIVE;
    if (frame.nState.compare_exchange_strong(nState, READING, std::memory_order_acquire)) {
        const int nAfter = m_bRereadable ? LIVE : DONE;
        if (!KernelCopyWorks()) {
            std::memcpy(pDst, frame.pLive, nBytes);
            frame.nState.store(nAfter, std::memory_order_release);
            return true;
        }
        const bool bCopied = CopyThroughKernel(pDst, frame.pLive, nBytes);
        nState = READING;
        // Still READING: the pages did not change while they were copied.
        if (frame.nState.compare_exchange_strong(nState, nAfter, std::memory_order_acq_rel))
            return bCopied;
    }
    if (nState == COPYING) {
        WaitWhile(frame.nState, COPYING);
        nState = frame.nState.load(std::memory_order_acquire);
    }
    if (nState != PRIVATE || !frame.pPrivate)
        return false;
    std::memcpy(pDst, frame.pPrivate.get(), nBytes);
    return true;
}

CFrameSnapshot::EWrite CFrameSnapshot::WriteFrame(std::size_t nFrame, int fd, long long nOffset,
                                                  CharCell* pDst)
{
    SFrame& frame = m_vFrames.at(nFrame);
    const std::size_t nBytes = m_nCells * sizeof(CharCell);
    int nState = LIVE;
    // Without the kernel's copy the document's thread would wait for the
    // whole write: the frame is read first instead.
    if (KernelCopyWorks() &&
        frame.nState.compare_exchange_strong(nState, READING, std::memory_order_acquire)) {
        // A change meanwhile may tear this write or cut it short (pages
        // released); either shows below, and the frame is written again.
        const bool bWritten = WriteWholeAt(fd, frame.pLive, nBytes, off_t(nOffset));
        const int nErr = errno;
        nState = READING;
        if (frame.nState.compare_exchange_strong(nState, m_bRereadable ? LIVE : DONE,
                                                 std::memory_order_acq_rel)) {
            errno = nErr;
            if (!bWritten)
                return EWrite::Failed;
            return ReadAt(fd, pDst, nBytes, off_t(nOffset)) ? EWrite::Written : EWrite::Failed;
        }
    }
    if (!ReadFrame(nFrame, pDst))
        return EWrite::Lost;
    return WriteWholeAt(fd, pDst, nBytes, off_t(nOffset)) ? EWrite::Written : EWrite::Failed;
}

const CharCell* CSnapshotFrameSource::GetFrame(int nIndex)
{
    if (nIndex < 0 || nIndex >= GetFrameCount() || (m_fnStep && !m_fnStep()))
        return nullptr;
    return m_snap.ReadFrame(std::size_t(nIndex), m_vFrame.data()) ? m_vFrame.data() : nullptr;
}
