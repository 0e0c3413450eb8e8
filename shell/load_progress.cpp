#include "shell/load_progress.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

namespace {
// Loads quicker than this show no dialog at all.
constexpr qint64 SHOW_AFTER_MS = 300;

// Watches its parent for the first paint; gone once fn has run.
class CFirstPaintWatch : public QObject {
public:
    CFirstPaintWatch(QWidget* pWidget, std::function<void()> fn, int nLatestMs)
        : QObject(pWidget), m_fn(std::move(fn))
    {
        pWidget->installEventFilter(this);
        QTimer::singleShot(nLatestMs, this, [this] { Run(); });
    }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        // Queued, so the paint itself completes first.
        if (pEvent->type() == QEvent::Paint && !m_bQueued) {
            m_bQueued = true;
            QTimer::singleShot(0, this, [this] { Run(); });
        }
        return QObject::eventFilter(pWatched, pEvent);
    }

private:
    void Run()
    {
        if (!m_fn)
            return;
        parent()->removeEventFilter(this);
        const std::function<void()> fn = std::move(m_fn);
        m_fn = nullptr;
        deleteLater();
        fn();
    }

    std::function<void()> m_fn;
    bool m_bQueued = false;
};

} // namespace

void RunAfterFirstPaint(QWidget* pWidget, std::function<void()> fn, int nLatestMs)
{
    new CFirstPaintWatch(pWidget, std::move(fn), nLatestMs);
}

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
