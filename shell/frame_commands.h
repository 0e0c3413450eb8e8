// The frames of the drawing: the frame panel's contents, the frame commands
// (Play, Pause, Add, Delete, Insert, Duplicate, Move, Undo and Redo Frame
// Change; the last five in frame_operations.cpp) and the playback timer.
// The order of the frames is the order of the frame list's items; playback
// only selects the next item at a fixed interval, and the selection makes
// that frame current.
#pragma once

#include "panes/frame_panel.h"

#include <QObject>

#include <map>

class CArtDoc;
class CArtView;
class QDockWidget;
class QImage;
struct SShellSettings;

// What the frame commands need from the window around them. Every call has
// an empty default, so a test implements only what it watches.
class IFrameCommandsHost {
public:
    virtual ~IFrameCommandsHost() = default;
    // Playback ends once a tool other than the cursor is chosen.
    virtual int GetCurTool() const { return 0; }
    // Play ends the current tool.
    virtual void ChooseTool(int /*nTool*/) {}
    // The panel's buttons and menu run the window's frame commands.
    virtual void RunCommand(int /*nId*/) {}
    virtual void UpdateCommandUI() {}
    // A frame was added or deleted, or its picture renewed: autosave is due.
    virtual void DocumentChanged() {}
};

class CFrameCommands : public QObject, public IFramePanelHost {
    Q_OBJECT

public:
    // pParent owns the message boxes.
    CFrameCommands(CArtDoc& doc, CArtView& view, const SShellSettings& settings, IFrameCommandsHost& host,
                   QWidget* pParent);

    // Puts the frame panel into its dock.
    void CreatePanel(QDockWidget* pDock);
    CFramePaneBar* Panel() const { return m_pFramePane; }

    // IFramePanelHost. A selected list item becomes the current frame,
    // unless it is the frame just added.
    void RunFrameCommand(int nId) override;
    void SelectFrameItem(int nIndex) override;
    // A thumbnail dragged to another place moves its frame there.
    void MoveFrameItem(int nFrom, int nTo) override;
    bool CanRunFrameCommand(int nId) const override;

    // The view's initial update of a new or opened drawing.
    void AddFirstFrame(int nFrameKey, const QImage& imgThumb);
    void AddLoadedFrames();
    // After every finished edit: the current frame's picture is renewed.
    void RefreshFrameThumbnail();
    void BackColorChanged();
    // Appends a blank frame after the last one and makes it current; false,
    // after telling the user, when the drawing cannot take another frame.
    bool AddNewFrame();
    // Inserts a blank frame after the current one and makes it current, for
    // a conversion that adds frames; false, after telling the user, when the
    // drawing cannot take another frame.
    bool InsertFrameAfterCurrent();
    // Kills the playback timer and shows the Play button released.
    void StopPlayback();
    // One step of playback, as the timer runs it.
    void OnPlaybackTick();

    void OnPlay();
    void OnPause();
    void OnAddFrame();
    void OnDeleteFrame();
    void OnInsertFrame();
    void OnDuplicateFrame();
    void OnMoveFrameLeft();
    void OnMoveFrameRight();
    void OnUndoFrameChange();
    void OnRedoFrameChange();
    // Whether the current frame can move one place by nStep (-1 or 1).
    bool CanMoveFrame(int nStep) const;

    // Playback state, read by the tests.
    int m_bPlaying = 0;
    int m_nCurFrameItem = 0;
    int m_nPlayPos = 0;
    int m_bSkipNextSelect = 0;

protected:
    void timerEvent(QTimerEvent* pEvent) override;

private:
    enum class EShow { Select, FocusOnly, Blank };
    // The list again from the document's order, after a frame operation,
    // and the current frame on the canvas: selected (Select, Blank: a new
    // frame, cleared first) or only given the focus highlight (FocusOnly).
    void MarkFramesChanged();
    void ShowFrames(EShow eShow);
    // Ends playback for a frame operation; true when it was playing (the
    // command then does nothing else).
    bool StopsPlayback();
    int CurrentKey() const;
    // Inserts a blank frame at nIndex; false after telling the user.
    bool InsertBlankFrame(int nIndex);

    CArtDoc& m_doc;
    CArtView& m_view;
    const SShellSettings& m_settings;
    IFrameCommandsHost& m_host;
    QWidget* m_pParent;
    CFramePaneBar* m_pFramePane = nullptr;
    int m_nPlayTimer = 0; // id of the playback timer; 0 while stopped
    std::map<int, int> m_mapImages; // frame key to its thumbnail's index, for frames out of the list too
};
