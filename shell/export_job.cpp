#include "shell/export_job.h"

#include <QApplication>
#include <QProgressDialog>

#include <algorithm>
#include <climits>
#include <exception>

namespace {
// Exports quicker than this show no dialog at all.
constexpr int SHOW_AFTER_MS = 300;
constexpr int POLL_MS = 100;
} // namespace

std::function<void(int)>* GwExportStepHook()
{
    static std::function<void(int)> fnHook;
    return &fnHook;
}

bool CExportSteps::Step()
{
    if (m_fnHook)
        m_fnHook(m_nDone.load(std::memory_order_relaxed));
    m_nDone.fetch_add(1, std::memory_order_relaxed);
    return !Cancelled();
}

CExportJob::CExportJob(QWidget* pParent, const QString& strLabel, std::string strPath, int nSteps,
                       Work work)
    : QObject(pParent), m_strPath(std::move(strPath)), m_nSteps(nSteps > 0 ? nSteps : 1)
{
    m_elapsed.start();
    m_steps.m_fnHook = *GwExportStepHook();
    // Not modal: the menus and the canvas stay usable while it runs.
    m_pDialog = new QProgressDialog(strLabel, QStringLiteral("Cancel"), 0, m_nSteps, pParent);
    m_pDialog->setWindowTitle(QApplication::applicationName());
    m_pDialog->setWindowModality(Qt::NonModal);
    m_pDialog->setAutoClose(false);
    m_pDialog->setAutoReset(false);
    m_pDialog->setMinimumDuration(INT_MAX); // shown by ShowProgress, not by its own timer
    m_pDialog->hide();
    connect(m_pDialog, &QProgressDialog::canceled, this, &CExportJob::Cancel);
    connect(&m_poll, &QTimer::timeout, this, &CExportJob::ShowProgress);
    m_poll.start(POLL_MS);
    m_worker = std::thread([this, work = std::move(work)] {
        std::string strError;
        bool bOk = false;
        try {
            bOk = SaveFileSafely(
                m_strPath,
                [&](std::ostream& os) { return work(os, m_steps, &strError) && !m_steps.Cancelled(); },
                &strError);
        } catch (const std::exception& e) {
            strError = e.what();
        }
        const QString strReason = QString::fromStdString(strError);
        QMetaObject::invokeMethod(
            this, [this, bOk, strReason] { OnWorkerDone(bOk, strReason); }, Qt::QueuedConnection);
    });
}

CExportJob::~CExportJob()
{
    m_steps.m_bCancel = true;
    if (m_worker.joinable())
        m_worker.join();
    delete m_pDialog.data();
}

void CExportJob::Cancel()
{
    m_steps.m_bCancel = true;
    if (m_pDialog)
        m_pDialog->hide();
}

void CExportJob::ShowProgress()
{
    if (!m_pDialog || m_steps.Cancelled())
        return;
    const int nDone = m_steps.m_nDone.load(std::memory_order_relaxed);
    if (!m_pDialog->isVisible() && nDone < m_nSteps && m_elapsed.elapsed() >= SHOW_AFTER_MS)
        m_pDialog->show();
    m_pDialog->setValue(std::min(nDone, m_nSteps));
}

void CExportJob::OnWorkerDone(bool bOk, const QString& strError)
{
    m_worker.join(); // it has nothing left but to return
    m_bRunning = false;
    m_poll.stop();
    if (m_pDialog)
        m_pDialog->hide();
    const bool bCancelled = m_steps.Cancelled();
    emit Finished(bOk && !bCancelled, bCancelled, bCancelled ? QString() : strError);
}
