// Progress of opening a drawing: a dialog with Cancel that shows up only
// when the load takes longer than a moment. It is the loader's progress
// callback; answering false cancels the load.
#pragma once

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

// Runs fn once, from the event loop, after pWidget's first paint, or after
// nLatestMs if no paint comes by then (a window started hidden or minimised):
// work that would hold up the first picture waits until it is on screen.
void RunAfterFirstPaint(QWidget* pWidget, std::function<void()> fn, int nLatestMs = 1000);

class CLoadProgress {
public:
    // fnHook, when set, is asked as well at every report (tests cancel
    // through it); its false cancels the load.
    CLoadProgress(QWidget* pParent, QString strTitle, std::function<bool(int, int)> fnHook = {});
    ~CLoadProgress();
    CLoadProgress(const CLoadProgress&) = delete;
    CLoadProgress& operator=(const CLoadProgress&) = delete;

    bool operator()(int nDone, int nTotal);
    bool DialogShown() const { return m_pDialog != nullptr; }

private:
    QWidget* m_pParent;
    QString m_strTitle;
    std::function<bool(int, int)> m_fnHook;
    QElapsedTimer m_timer;
    std::unique_ptr<QProgressDialog> m_pDialog;
};
