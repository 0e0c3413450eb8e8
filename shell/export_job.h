// A long export (the animated GIF, the animated page, a picture) written on a
// worker thread while the window stays usable: the drawing may change
// meanwhile, as the worker reads a snapshot taken when the export began. A
// progress dialog with Cancel shows once it has run for a moment; Cancel
// stops the worker at its next step, and the safe save then removes its
// temporary file, so a cancelled export leaves nothing.
#pragma once

#include "core/safe_file.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class QWidget;

// Called on the worker before each step, with the step's number: tests hold
// an export in the middle with it.
std::function<void(int nStep)>* GwExportStepHook();

// What an export's work is given: Step() before each frame (or the one
// picture), whose false means stop now.
class CExportSteps {
public:
    bool Step();
    bool Cancelled() const { return m_bCancel.load(std::memory_order_relaxed); }

private:
    friend class CExportJob;
    std::atomic<bool> m_bCancel{false};
    std::atomic<int> m_nDone{0};
    std::function<void(int)> m_fnHook;
};

class CExportJob : public QObject {
    Q_OBJECT

public:
    // Writes the file through the safe save what work writes, on a worker
    // thread; work runs nSteps steps (for the dialog's bar), and returns
    // false, with a reason in *pError, when the export failed.
    using Work = std::function<bool(std::ostream& os, CExportSteps& steps, std::string* pError)>;

    CExportJob(QWidget* pParent, const QString& strLabel, std::string strPath, int nSteps, Work work);
    // Cancels a running export and waits for its worker (at exit).
    ~CExportJob() override;
    CExportJob(const CExportJob&) = delete;
    CExportJob& operator=(const CExportJob&) = delete;

    void Cancel();
    bool IsRunning() const { return m_bRunning; }
    // Hidden until the export has run for a moment.
    QProgressDialog* Dialog() const { return m_pDialog; }

signals:
    // On the interface thread once the worker is done. A cancelled export
    // has no error and left no file.
    void Finished(bool bOk, bool bCancelled, const QString& strError);

private:
    void OnWorkerDone(bool bOk, const QString& strError);
    void ShowProgress();

    CExportSteps m_steps;
    std::string m_strPath;
    int m_nSteps;
    QPointer<QProgressDialog> m_pDialog;
    QTimer m_poll;
    QElapsedTimer m_elapsed;
    std::thread m_worker;
    bool m_bRunning = true;
};
