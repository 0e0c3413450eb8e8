// The write-fault filter and the SIGSEGV handler that runs it.
//
// The handler runs in signal context: it only looks up the maps, copies a page
// into a promised copy page, appends to a vector whose room was reserved
// before the step opened, and changes one page's protection. Every fault it
// does not serve goes to whatever handled SIGSEGV before, so a real crash
// still crashes (with a core dump, or the sanitizer's report).
//
// A first write inside an open step that cannot be served (the system
// refuses to open the page) cannot be retried or skipped: the writer would
// fault forever, or go on as if it had written. The process ends there with
// one line on standard error, using only write and _exit, which are safe in
// a signal handler. It does not exit cleanly, so the drawing's last autosave
// copy stays for the next start to offer.
#include "core/backup_store.h"

#include "core/backup_arena.h"
#include "core/backup_store_internal.h"

#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

struct sigaction s_previous;
bool s_bInstalled = false;
bool s_bFailProtect = false;

// The exit status after a write fault the store could not serve.
constexpr int EXIT_STORE_FAULT = 70;

[[noreturn]] void DieUnserved()
{
    static const char szLine[] =
        "glyphwright: the system refused to make a page of the drawing writable; "
        "stopping (the last autosave copy is kept)\n";
    ssize_t n = write(STDERR_FILENO, szLine, sizeof szLine - 1);
    (void)n;
    _exit(EXIT_STORE_FAULT);
}

bool OpenPage(uintptr_t nPage)
{
    return !s_bFailProtect &&
           mprotect(reinterpret_cast<void*>(nPage), BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE) == 0;
}

bool IsWriteFault(const siginfo_t* pInfo, const void* pContext)
{
#if defined(__x86_64__)
    (void)pInfo;
    const auto* pUc = static_cast<const ucontext_t*>(pContext);
    return (pUc->uc_mcontext.gregs[REG_ERR] & 2) != 0;
#else
    // Store pages are always readable, so an access fault on one is a write.
    (void)pContext;
    return pInfo->si_code == SEGV_ACCERR;
#endif
}

void HandOn(int nSignal, siginfo_t* pInfo, void* pContext)
{
    if ((s_previous.sa_flags & SA_SIGINFO) && s_previous.sa_sigaction) {
        s_previous.sa_sigaction(nSignal, pInfo, pContext);
        return;
    }
    if (s_previous.sa_handler != SIG_DFL && s_previous.sa_handler != SIG_IGN) {
        s_previous.sa_handler(nSignal);
        return;
    }
    // Default action: on return the faulting instruction runs again and the
    // process dies of it; a signal sent by another process is raised again.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    // Unable to restore the default, returning would fault forever.
    if (sigaction(SIGSEGV, &dfl, nullptr) != 0)
        _exit(128 + SIGSEGV);
    if (pInfo->si_code <= 0)
        raise(nSignal);
}

void OnSegv(int nSignal, siginfo_t* pInfo, void* pContext)
{
    const int nSavedErrno = errno;
    const bool bServed = BackupFaultFilter(pInfo, pContext);
    errno = nSavedErrno;
    if (!bServed)
        HandOn(nSignal, pInfo, pContext);
}

} // namespace

void BackupFailFaultProtect(bool bFail)
{
    s_bFailProtect = bFail;
}

bool BackupFaultProtectFails()
{
    return s_bFailProtect;
}

bool BackupFaultFilter(const siginfo_t* pInfo, const void* pContext)
{
    if (!pInfo || pInfo->si_signo != SIGSEGV || pInfo->si_code <= 0)
        return false;
    if (!IsWriteFault(pInfo, pContext))
        return false;
    const uintptr_t nPage =
        reinterpret_cast<uintptr_t>(pInfo->si_addr) & ~uintptr_t(BACKUP_PAGE_SIZE - 1);

    const unsigned nOwner = CBackupArena::Instance().Owner(nPage);
    if (nOwner == 0)
        return false;
    BackupGlobals& state = BackupState();
    const auto itStore = state.mapStores.find(nOwner);
    if (itStore == state.mapStores.end() || !itStore->second.bOpen)
        return false;
    BackupStore& store = itStore->second;
    BackupStep& step = *store.dqUndo.front();
    // After a rollback that could not reopen every page, a page of the step
    // may fault again: it keeps the copy it has.
    if (store.bRecheck) {
        for (const BackupPage& page : step.mapPages)
            if (page.nPage == nPage) {
                if (!OpenPage(nPage))
                    DieUnserved();
                return true;
            }
    }
    // Room and a copy page were made ready for every page of the store
    // before the step opened; running short means the store's books are
    // wrong, which is a real crash.
    if (step.mapPages.size() == step.mapPages.capacity() || step.nPromised == 0)
        return false;
    void* pCopy = CCopyPool::Instance().Take();
    if (!pCopy)
        return false;
    std::memcpy(pCopy, reinterpret_cast<const void*>(nPage), BACKUP_PAGE_SIZE);
    if (!OpenPage(nPage)) {
        CCopyPool::Instance().Give(pCopy);
        DieUnserved();
    }
    step.mapPages.push_back({nPage, pCopy, 0});
    --step.nPromised;
    return true;
}

void BackupInstallFaultFilter()
{
    if (s_bInstalled)
        return;
    if (sysconf(_SC_PAGESIZE) != static_cast<long>(BACKUP_PAGE_SIZE))
        throw CBackupError("the system's memory page size is not 4,096 bytes");
    // Reserve the arena now rather than at the first frame.
    CBackupArena::Instance();
    struct sigaction action {};
    action.sa_sigaction = OnSegv;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGSEGV, &action, &s_previous) != 0)
        throw CBackupError("cannot install the write-fault handler");
    s_bInstalled = true;
}

BackupGlobals& BackupState()
{
    static BackupGlobals s_state;
    return s_state;
}
