// The file commands: New, Open, a dropped file, the file named at start-up,
// Save, Save As, the save prompt, and a crashed session's copy taken back at
// start-up. The drawing is replaced only once a file has been read whole.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class CArtDoc;
class CArtView;
class CAutosave;
class QWidget;
struct CRecoveryEntry;

// What the file commands need from the window around them. Every call has
// an empty default, so a test implements only what it watches.
class IFileCommandsHost {
public:
    virtual ~IFileCommandsHost() = default;
    // Replacing the drawing ends the current tool.
    virtual void ChooseTool(int /*nTool*/) {}
    // The drawing's name or path changed.
    virtual void UpdateTitle() {}
    virtual void UpdateCommandUI() {}
    // The document adopted the frames of a file: the frame list starts again.
    virtual void DrawingLoaded() {}
    // A note in the status bar.
    virtual void ShowStatusNote(const QString& /*strText*/) {}
    // A restored copy set the view's background: the ruler corner shows it.
    virtual void BackColorRestored() {}
    // The copy of the drawing kept for crashes; null while there is none.
    virtual CAutosave* Autosave() const { return nullptr; }
};

class CFileCommands {
public:
    // pParent owns the dialogs and message boxes.
    CFileCommands(CArtDoc& doc, CArtView& view, IFileCommandsHost& host, QWidget* pParent);

    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    // Start-up with a file, first half, before the window is first painted:
    // the frame the drawing will show (its last, which a load makes current)
    // becomes the drawing on its own, so the first picture on screen is the
    // file's and not a blank one. Nothing happens when that frame cannot be
    // read; OpenAtStart then says why.
    void ShowPictureAtStart(const QString& strPath);
    // Opens the file named on the command line; the blank drawing is kept,
    // or comes back after ShowPictureAtStart, when the file is refused.
    void OpenAtStart(const QString& strPath);
    // A dropped file: only a local path whose last three characters are
    // exactly "gwp" is read.
    void OnDropFiles(const QStringList& vPaths);
    // At start-up, after any file named on the command line: offers the
    // copies crashed programs left behind.
    void OfferRecovery();

    // Writes the drawing to strPath; on failure tells the user and keeps the
    // modified flag.
    bool SaveDocumentTo(const QString& strPath);
    // The save prompt, asked when there is unsaved work; false when the user
    // cancels or a wanted save failed.
    bool SaveModified();
    // The drawing is modified, or the view shows work its cells do not hold
    // yet (a floating block, a pending shape) even in an unmodified drawing.
    bool HasUnsavedWork() const;

    // Asked at every progress report of a file being opened; false cancels
    // the load. For tests: the dialog itself only shows on slow loads.
    std::function<bool(int nDone, int nTotal)> m_fnLoadProgressHook;

private:
    // Settles what is pending, ends the tool and asks to save: the steps
    // New, Open, drop and a restored copy share.
    bool PrepareToReplace();
    // Reads strPath into the drawing; the drawing stays as it was on any refusal.
    // bReportUnreadable: a file that cannot be opened is reported (a name
    // given on the command line) instead of ending the command silently.
    bool ReadDocumentFile(const QString& strPath, const QString& strTitle, bool bReportUnreadable = false);
    // ReadDocumentFile's reading: the frames only, the name and modified
    // flag left to the caller. A file that cannot be opened is reported only
    // when asked.
    bool LoadDocumentFrames(const QString& strPath, const QString& strTitle, bool bReportUnreadable);
    // The copy becomes the drawing, not yet saved; the copy goes once this
    // session's own copy holds it.
    bool RestoreRecoveryCopy(const CRecoveryEntry& entry);

    CArtDoc& m_doc;
    CArtView& m_view;
    IFileCommandsHost& m_host;
    QWidget* m_pParent;
    // Set while the drawing is ShowPictureAtStart's single frame: the blank
    // drawing's size, for when the whole file is refused.
    bool m_bStartPicture = false;
    int m_nBlankRows = 0;
    int m_nBlankCols = 0;
};
