#include "shell/load_progress.h"

#include <QApplication>
#include <QProgressDialog>

namespace {
// Loads quicker than this show no dialog at all.
constexpr qint64 SHOW_AFTER_MS = 300;
} // namespace

CLoadProgress::CLoadProgress(QWidget* pParent, QString strTitle, std::function<bool(int, int)> fnHook)
    : m_pParent(pParent), m_strTitle(std::move(strTitle)), m_fnHook(std::move(fnHook))
{
    m_timer.start();
}

CLoadProgress::~CLoadProgress() = default;

bool CLoadProgress::operator()(int nDone, int nTotal)
{
    if (m_fnHook && !m_fnHook(nDone, nTotal))
        return false;
    if (!m_pDialog && nDone < nTotal && m_timer.elapsed() >= SHOW_AFTER_MS) {
        m_pDialog = std::make_unique<QProgressDialog>(
            QStringLiteral("Opening %1...").arg(m_strTitle), QStringLiteral("Cancel"), 0, nTotal,
            m_pParent);
        m_pDialog->setWindowTitle(QApplication::applicationName());
        m_pDialog->setWindowModality(Qt::WindowModal);
        m_pDialog->setMinimumDuration(0);
        m_pDialog->setAutoClose(false);
        m_pDialog->setAutoReset(false);
    }
    if (m_pDialog) {
        // A window-modal dialog lets the events through while it counts.
        m_pDialog->setValue(nDone);
        if (m_pDialog->wasCanceled())
            return false;
    }
    return true;
}
