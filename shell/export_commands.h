// The exports: the drawing as an HTML animation, the current frame as an
// HTML page, plain text, UTF-8 text, coloured terminal text or a PNG
// picture, and every frame as an animated GIF, an animated SVG or a terminal
// recording. Each asks for a path, settles
// what is pending on the canvas and streams through the one safe save. The
// long ones (the animations and the picture) run on a worker over a snapshot
// of the frames (CExportJob), with progress and Cancel.
#pragma once

#include "core/safe_file.h"
#include "shell/export_job.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class CArtDoc;
class CFrameSnapshot;
class CArtView;
class QString;
class QWidget;
struct SShellSettings;

class IAnimFrameSource;

class CExportCommands {
public:
    // pParent owns the dialogs and message boxes; the settings give the
    // animation's interval and loop.
    CExportCommands(CArtDoc& doc, CArtView& view, const SShellSettings& settings, QWidget* pParent);
    // Cancels the exports still running and waits for their workers.
    ~CExportCommands();
    CExportCommands(const CExportCommands&) = delete;
    CExportCommands& operator=(const CExportCommands&) = delete;

    void OnSaveAnimationHtml();
    void OnSaveSingleHtml();
    void OnSaveSingleText();
    void OnExportPng();
    void OnExportGif();
    void OnExportUtf8();
    void OnExportAnsi();
    void OnExportSvg();
    void OnExportCast();

    // Exports running on a worker.
    bool IsRunning() const { return !m_vJobs.empty(); }

private:
    struct SRunning {
        std::unique_ptr<CExportJob> pJob;
        std::unique_ptr<CFrameSnapshot> pSnap; // released on this thread, after the worker
    };

    // Streams into a temporary file that then replaces strPath; a failure
    // is told to the user and leaves the old file as it was.
    bool StreamExport(const QString& strPath, const SaveWriter& write);
    // The same on a worker over a snapshot of the frames (pSnap, null for a
    // picture whose cells work holds); returns at once.
    void StartExport(const QString& strPath, int nSteps, std::unique_ptr<CFrameSnapshot> pSnap,
                     CExportJob::Work work);
    // Every frame written on a worker through fnWrite, each read once, with
    // a step of progress per frame.
    void StartFramesExport(const QString& strPath,
                           std::function<bool(std::ostream&, IAnimFrameSource&)> fnWrite);
    // A snapshot every frame can be read from as often as asked; null, told
    // to the user, when it cannot be taken.
    std::unique_ptr<CFrameSnapshot> TakeFrames(const QString& strPath);
    // The picture's path and zoom, asked in turn; false when either is cancelled.
    bool AskPictureTarget(const char* pszFilterId, const char* pszExtId, QString* pPath,
                          int* pZoom);
    void ReportFailure(const QString& strPath, const QString& strError);
    void OnJobFinished(CExportJob* pJob, const QString& strPath, bool bOk, bool bCancelled,
                       const QString& strError);

    CArtDoc& m_doc;
    CArtView& m_view;
    const SShellSettings& m_settings;
    QWidget* m_pParent;
    std::vector<SRunning> m_vJobs;
    QObject m_context; // for calls queued to this, dropped with it
};
