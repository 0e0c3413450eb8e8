#include "shell/autosave.h"

#include <QDir>

#include <new>
#include <system_error>

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
    auto pStore = std::make_unique<CRecoveryStore>(strFolder.toStdString());
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
    if (m_bWriting) {
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

bool CAutosave::StartWrite()
{
    if (!m_pStore) {
        return false;
    }
    if (m_bWriting) {
        m_bChangedWhileWriting = true;
        return false;
    }
    if (m_fnIsEditing && m_fnIsEditing()) {
        m_timer.start(RETRY_WHILE_EDITING_MS);
        return false;
    }
    // The snapshot stays with this thread: the frames it still points at
    // are copied here, as an edit is about to change them.
    std::unique_ptr<CRecoverySnapshot> pSnap;
    try {
        pSnap = std::make_unique<CRecoverySnapshot>(TakeSnapshot());
    } catch (const std::bad_alloc&) {
        ReportFailure(QStringLiteral("not enough memory"));
        return false;
    }
    if (pSnap->FrameCount() == 0) { // a step of some other frame is open
        m_timer.start(RETRY_WHILE_EDITING_MS);
        return false;
    }
    WaitForWrite(); // the previous worker has reported; only its handle is left
    m_pWriting = std::move(pSnap);
    m_bWriting = true;
    CRecoveryStore* pStore = m_pStore.get();
    const CRecoverySnapshot* pWriting = m_pWriting.get();
    const unsigned nEpoch = m_nEpoch;
    try {
        m_worker = std::thread([this, pStore, nEpoch, pWriting] {
            std::string strError;
            const bool bOk = pStore->WriteCopy(*pWriting, &strError, &m_bCancelWrite);
            const QString strReason = QString::fromStdString(strError);
            QMetaObject::invokeMethod(
                this, [this, nEpoch, bOk, strReason] { OnWriteDone(nEpoch, bOk, strReason); },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error& e) {
        m_bWriting = false;
        m_pWriting.reset();
        ReportFailure(QString::fromLocal8Bit(e.what()));
        return false;
    }
    return true;
}

void CAutosave::OnWriteDone(unsigned nEpoch, bool bOk, const QString& strError)
{
    if (nEpoch != m_nEpoch) {
        return; // waited for already by Discard or CloseClean
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_pWriting.reset();
    m_bWriting = false;
    if (bOk) {
        m_bFailureShown = false;
    } else {
        ReportFailure(strError);
    }
    if (m_bChangedWhileWriting) {
        m_bChangedWhileWriting = false;
        OnDocumentChanged();
    }
}

void CAutosave::WaitForWrite(bool bCancel)
{
    if (m_worker.joinable()) {
        m_bCancelWrite = bCancel;
        m_worker.join();
        m_bCancelWrite = false;
    }
    m_pWriting.reset();
    if (m_bWriting) {
        m_bWriting = false;
        ++m_nEpoch;
    }
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
    // A write still running would bring the copy back after its removal; it
    // is stopped at its next frame.
    WaitForWrite(true);
    m_bChangedWhileWriting = false;
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
