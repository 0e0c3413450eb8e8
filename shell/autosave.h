// Autosave: a copy of a drawing with unsaved changes goes into this
// program's recovery session a few seconds after an edit, so a crash or a
// lost session costs at most that much work. The interface thread takes a
// snapshot that points at the frames (copying only those an edit is about to
// change) and a worker writes it, one write at a time; the drawing's own file
// is never touched.
#pragma once

#include "core/recovery_store.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class CAutosave : public QObject {
    Q_OBJECT

public:
    // $XDG_STATE_HOME/Glyphwright/recovery, with $HOME/.local/state for a
    // state folder that is unset or not absolute.
    static QString DefaultFolder();

    // Opens the session in strFolder; when that fails autosave stays off and
    // fnMessage hears why, once. fnIsEditing tells whether a gesture is
    // writing cells (the mouse button is down): a copy waits for its end.
    CAutosave(const CArtDoc& doc, const QString& strFolder, std::function<bool()> fnIsEditing,
              std::function<void(const QString&)> fnMessage, QObject* pParent = nullptr);
    // Waits for a running write (the one wait left, at exit); the copy stays,
    // to be offered next time.
    ~CAutosave() override;
    CAutosave(const CAutosave&) = delete;
    CAutosave& operator=(const CAutosave&) = delete;

    // Work the window shows beyond the drawing's cells (a floating block, a
    // pending shape): fnAny tells whether there is any; it counts as unsaved,
    // and fnWrite writes it into the copy of the current frame, which is
    // then taken at once. The drawing itself is left as it is.
    void SetPendingWork(std::function<bool()> fnAny, FramePatch fnWrite);
    // The view's background colour, kept with each copy.
    void SetBackColorSource(std::function<COLORREF()> fnBack) { m_fnBackColor = std::move(fnBack); }
    // 0 turns autosave off.
    void SetInterval(int nSecs);
    int Interval() const { return m_nIntervalSecs; }
    bool IsOpen() const { return m_pStore != nullptr; }
    // A copy is due or a write is running (a discarded one included, until
    // it has stopped and cleaned up).
    bool IsPending() const;
    const std::string& SessionName() const;

    // After every finished edit: a copy is due interval seconds later. Edits
    // before then do not push it back.
    void OnDocumentChanged();
    // The drawing was saved or replaced: the copy goes. Returns at once: a
    // write still running stops at its next frame and removes what it wrote.
    void Discard();
    // A clean exit: the copy and the session's lock go (a running write is
    // stopped and waited for).
    void CloseClean();
    // Starts writing a copy on the worker now, whatever the interval; the
    // write's end is reported through the event loop. False when none was
    // started: autosave is off, a write is running (another follows it), or
    // a gesture is writing cells (tried again shortly).
    bool StartWrite();
    // Writes the copy at once, on this thread, whatever the interval: for a
    // drawing whose only other copy is about to go (a restored crash copy).
    // False, with the reason, when autosave is off or the write failed.
    bool WriteNow(QString* pError);

    // For tests: called on the worker before each frame it writes, so a test
    // can hold a write in the middle.
    void SetWorkerFrameHook(std::function<void(int nFrame)> fnHook) { m_fnFrameHook = std::move(fnHook); }

private:
    struct SJob;

    void OnTimeout();
    void OnWriteDone(const std::shared_ptr<SJob>& pJob, bool bOk, const QString& strError);
    // Waits for the worker; with bCancel its write stops at the next frame,
    // leaving the previous copy as it was.
    void WaitForWrite(bool bCancel = false);
    // Forgets a finished job, releasing its snapshot on this thread.
    void EndJob();
    void ReportFailure(const QString& strReason);
    // Modified, or showing work not yet in the cells.
    bool HasUnsavedWork() const;
    CRecoverySnapshot TakeSnapshot() const;

    const CArtDoc& m_doc;
    std::function<bool()> m_fnIsEditing;
    std::function<void(const QString&)> m_fnMessage;
    std::function<bool()> m_fnAnyPending;
    FramePatch m_fnWritePending;
    std::function<COLORREF()> m_fnBackColor;
    std::function<void(int)> m_fnFrameHook;
    // Shared with the worker, which may outlive a discarded write's job here.
    std::shared_ptr<CRecoveryStore> m_pStore; // null: autosave is off
    std::shared_ptr<SJob> m_pJob;             // the write running, if any
    QTimer m_timer;
    int m_nIntervalSecs = 30;
    bool m_bChangedWhileWriting = false;
    bool m_bFailureShown = false;
};
