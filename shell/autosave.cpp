#include "shell/autosave.h"

#include <QDir>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

constexpr int RETRY_WHILE_EDITING_MS = 1000;

} // namespace

QString CAutosave::DefaultFolder()
{
    QString strState = qEnvironmentVariable("XDG_STATE_HOME");
    if (strState.isEmpty() || !QDir::isAbsolutePath(strState)) {
        QString strHome = qEnvironmentVariable("HOME");
        if (strHome.isEmpty()) {
            strHome = QDir::homePath();
        }
        strState = strHome + QStringLiteral("/.local/state");
    }
    return strState + QStringLiteral("/Glyphwright/recovery");
}

CAutosave::CAutosave(const CArtDoc& doc, const QString& strFolder, std::function<bool()> fnIsEditing,
                     std::function<void(const QString&)> fnMessage, QObject* pParent)
    : QObject(pParent), m_doc(doc), m_fnIsEditing(std::move(fnIsEditing)),
      m_fnMessage(std::move(fnMessage))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CAutosave::OnTimeout);
    auto pStore = std::make_shared<CRecoveryStore>(strFolder.toStdString());
    std::string strError;
    if (pStore->Open(&strError)) {
        m_pStore = std::move(pStore);
    } else if (m_fnMessage) {
        m_fnMessage(QStringLiteral("Autosave is off: %1").arg(QString::fromStdString(strError)));
    }
}

CAutosave::~CAutosave()
{
    m_timer.stop();
    WaitForWrite();
}

const std::string& CAutosave::SessionName() const
{
    static const std::string strNone;
    return m_pStore ? m_pStore->SessionName() : strNone;
}

void CAutosave::SetPendingWork(std::function<bool()> fnAny, FramePatch fnWrite)
{
    m_fnAnyPending = std::move(fnAny);
    m_fnWritePending = std::move(fnWrite);
}

bool CAutosave::HasUnsavedWork() const
{
    return m_doc.IsModified() || (m_fnAnyPending && m_fnAnyPending());
}

CRecoverySnapshot CAutosave::TakeSnapshot() const
{
    // A stroke's cells may be half written: no patch vouches for them.
    const bool bPatch = m_fnWritePending && m_fnAnyPending && m_fnAnyPending() &&
                        !(m_fnIsEditing && m_fnIsEditing());
    CRecoverySnapshot snap =
        TakeRecoverySnapshot(m_doc, m_doc.GetPathName(), bPatch ? m_fnWritePending : FramePatch());
    if (m_fnBackColor)
        snap.crBack = m_fnBackColor();
    return snap;
}

void CAutosave::SetInterval(int nSecs)
{
    m_nIntervalSecs = nSecs > 0 ? nSecs : 0;
    if (m_nIntervalSecs == 0) {
        m_timer.stop();
    }
}

void CAutosave::OnDocumentChanged()
{
    if (!m_pStore || m_nIntervalSecs <= 0 || !HasUnsavedWork()) {
        return;
    }
    if (m_pJob) {
        m_bChangedWhileWriting = true;
        return;
    }
    if (!m_timer.isActive()) {
        m_timer.start(m_nIntervalSecs * 1000);
    }
}

void CAutosave::OnTimeout()
{
    // Saved, replaced or switched off since the timer started.
    if (!m_pStore || m_nIntervalSecs <= 0 || !HasUnsavedWork()) {
        return;
    }
    StartWrite();
}

// One write, shared by the interface thread and its worker. The worker is
// detached and never joined: joining would make the interface thread wait
// for it to be scheduled once more after its report. Waiting is left to the
// destructor, CloseClean and WriteNow.
struct CAutosave::SJob {
    std::shared_ptr<CRecoveryStore> pStore;
    // Taken and released on the interface thread; the worker only reads it.
    std::unique_ptr<CRecoverySnapshot> pSnap;
    std::function<void(int)> fnFrameHook;
    std::atomic<bool> bCancel{false};
    // Saved or replaced meanwhile: the worker removes what it wrote, or,
    // when told too late, the report does (bRemoved says which).
    std::atomic<bool> bDiscarded{false};
    bool bRemoved = false;
    bool bRemoveFailed = false;
    std::mutex mutex;
    std::condition_variable cvDone;
    bool bDone = false;

    void Wait()
    {
        std::unique_lock lock(mutex);
        cvDone.wait(lock, [this] { return bDone; });
    }
};

bool CAutosave::IsPending() const
{
    return m_timer.isActive() || m_pJob;
}

bool CAutosave::StartWrite()
{
    if (!m_pStore) {
        return false;
    }
    if (m_pJob) {
        m_bChangedWhileWriting = true;
        return false;
    }
    if (m_fnIsEditing && m_fnIsEditing()) {
        m_timer.start(RETRY_WHILE_EDITING_MS);
        return false;
    }
    // The snapshot stays with this thread: the frames it still points at
    // are copied here, as an edit is about to change them.
    auto pJob = std::make_shared<SJob>();
    try {
        pJob->pSnap = std::make_unique<CRecoverySnapshot>(TakeSnapshot());
    } catch (const std::bad_alloc&) {
        ReportFailure(QStringLiteral("not enough memory"));
        return false;
    }
    if (pJob->pSnap->FrameCount() == 0) { // a step of some other frame is open
        m_timer.start(RETRY_WHILE_EDITING_MS);
        return false;
    }
    pJob->pStore = m_pStore;
    pJob->fnFrameHook = m_fnFrameHook;
    try {
        std::thread([this, pJob] {
            std::string strError;
            const bool bOk = pJob->pStore->WriteCopy(*pJob->pSnap, &strError, &pJob->bCancel,
                                                     pJob->fnFrameHook);
            if (pJob->bDiscarded.load(std::memory_order_acquire)) {
                pJob->bRemoved = true;
                pJob->bRemoveFailed = !pJob->pStore->RemoveCopy();
            }
            const QString strReason = QString::fromStdString(strError);
            QMetaObject::invokeMethod(
                this, [this, pJob, bOk, strReason] { OnWriteDone(pJob, bOk, strReason); },
                Qt::QueuedConnection);
            std::lock_guard lock(pJob->mutex);
            pJob->bDone = true;
            pJob->cvDone.notify_all();
        }).detach();
    } catch (const std::system_error& e) {
        ReportFailure(QString::fromLocal8Bit(e.what()));
        return false;
    }
    m_pJob = std::move(pJob);
    return true;
}

void CAutosave::OnWriteDone(const std::shared_ptr<SJob>& pJob, bool bOk, const QString& strError)
{
    if (pJob != m_pJob) {
        return; // waited for already by CloseClean or WriteNow
    }
    const bool bDiscarded = pJob->bDiscarded.load(std::memory_order_relaxed);
    // Told after the worker had looked: the copy it finished goes now.
    if (bDiscarded && !pJob->bRemoved) {
        pJob->bRemoved = true;
        pJob->bRemoveFailed = !m_pStore->RemoveCopy();
    }
    const bool bRemoveFailed = pJob->bRemoveFailed;
    EndJob();
    if (bRemoveFailed) {
        ReportFailure(QStringLiteral("the previous copy could not be removed"));
    } else if (bOk && !bDiscarded) {
        m_bFailureShown = false;
    } else if (!bDiscarded) {
        ReportFailure(strError);
    }
    if (m_bChangedWhileWriting) {
        m_bChangedWhileWriting = false;
        OnDocumentChanged();
    }
}

void CAutosave::EndJob()
{
    if (m_pJob) {
        m_pJob->pSnap.reset();
        m_pJob.reset();
    }
}

void CAutosave::WaitForWrite(bool bCancel)
{
    if (!m_pJob) {
        return;
    }
    if (bCancel) {
        m_pJob->bCancel = true;
    }
    m_pJob->Wait();
    if (m_pJob->bDiscarded && !m_pJob->bRemoved) {
        m_pJob->bRemoved = true;
        m_pStore->RemoveCopy();
    }
    EndJob(); // its report, still queued, is ignored
}

// One message for a run of failures: the status bar is not to flicker with
// the same complaint every few seconds while the disk stays full.
void CAutosave::ReportFailure(const QString& strReason)
{
    if (m_bFailureShown) {
        return;
    }
    m_bFailureShown = true;
    if (m_fnMessage) {
        m_fnMessage(QStringLiteral("Autosave failed: %1").arg(strReason));
    }
}

void CAutosave::Discard()
{
    m_timer.stop();
    m_bChangedWhileWriting = false;
    if (m_pJob) {
        // A write still running would bring the copy back after a removal
        // here (and waiting for it would hold the window): it stops at its
        // next frame and removes what it wrote.
        if (m_pJob->pSnap->frames)
            m_pJob->pSnap->frames->Abandon();
        m_pJob->bCancel = true;
        m_pJob->bDiscarded.store(true, std::memory_order_release);
        return;
    }
    if (m_pStore && !m_pStore->RemoveCopy()) {
        ReportFailure(QStringLiteral("the previous copy could not be removed"));
    }
}

void CAutosave::CloseClean()
{
    m_timer.stop();
    WaitForWrite(true);
    m_bChangedWhileWriting = false;
    if (m_pStore) {
        m_pStore->CloseClean();
        m_pStore.reset();
    }
}

bool CAutosave::WriteNow(QString* pError)
{
    m_timer.stop();
    WaitForWrite();
    m_bChangedWhileWriting = false;
    if (!m_pStore) {
        *pError = QStringLiteral("autosave is off");
        return false;
    }
    std::string strError;
    try {
        const CRecoverySnapshot snap = TakeSnapshot();
        if (snap.FrameCount() == 0) {
            *pError = QStringLiteral("an edit is in progress");
            return false;
        }
        if (m_pStore->WriteCopy(snap, &strError)) {
            return true;
        }
    } catch (const std::bad_alloc&) {
        strError = "not enough memory";
    }
    *pError = QString::fromStdString(strError);
    return false;
}
