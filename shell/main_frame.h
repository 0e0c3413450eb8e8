// The main window: menus, toolbars, the status bar, the three docking panes
// and the client area (rulers and canvas) of the one open drawing. It holds
// the current tool and handles the commands that are not the view's own.
//
// Every command is one QAction kept under its command id. Whether an action
// is enabled or checked is decided in one place, UpdateCommandUI(), which
// runs before a menu opens, after every command and after every edit.
#pragma once

#include <functional>

#include "canvas/view_host.h"
#include "core/art_doc.h"
#include "core/safe_file.h"
#include "panes/frame_panel.h"
#include "panes/char_picker.h"

#include <QMainWindow>
#include <QString>

#include <map>
#include <memory>

class CArtView;
class CAutosave;
struct CRecoveryEntry;
class CColorPickerView;
class CRulerCornerView;
class CRulerSplitter;
class CRulerView;
class QAction;
class QActionGroup;
class QDockWidget;
class QLabel;
class QMenu;
class QPrinter;
class QToolBar;
class QToolButton;

class CMainFrame : public QMainWindow, public IViewHost, public ICharPickerHost, public IFramePanelHost {
    Q_OBJECT

public:
    // Reads the "GWSet" settings and builds the window around a blank
    // 40 x 60 drawing.
    explicit CMainFrame(QWidget* pParent = nullptr);
    // Writes the "GWSet" settings back.
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // IViewHost
    int GetCurTool() const override { return m_nCurTool; }
    void SetCurTool(int nTool) override;
    void SetStatusPosText(const QString& strText) override;
    void RefreshFrameThumbnail() override;
    // A block floats or a shape is pending: autosave becomes due.
    void PendingWorkChanged() override;
    void OnEditStateChanged() override { UpdateCommandUI(); }
    void UpdateRulers(ERulerUpdate nMode, const CRulerState& state) override;
    void AddFirstFrame(int nFrameKey, const QImage& imgThumb) override;
    void BackColorChanged() override;
    // The view's first initial update: the rulers take their thickness.
    void ShowRulers() override;
    int GetSelectMode() const override { return m_nSelectMode; }
    // Menu 167 of the select tools: Undo, Redo, Cut, Copy, Paste, Paste
    // Clipboard and Delete, the same actions as the menu bar's.
    void OpenCanvasMenu(const QPoint& ptGlobal) override;
    QMenu* CanvasMenu() const { return m_pCanvasMenu; }

    // ICharPickerHost: 1 copies the picker's left character into the view's
    // m_chLeft, 2 its right one into m_chRight; other values do nothing.
    void CharChanged(int which) override;
    // The pick tool took a character off the canvas: the picker shows it.
    void CharPicked(bool bRight, unsigned char ch) override;
    // The first such stroke ever shows where to choose a character; "GWSet"
    // "HintShown" keeps it from showing again.
    void StrokeDrawsNothing() override;
    CCharPaneView* CharPicker() const { return m_pCharPicker; }

    // IFramePanelHost (main_frame_frames.cpp). A selected list item becomes
    // the current frame, unless it is the frame just added.
    void RunFrameCommand(int nId) override;
    void SelectFrameItem(int nIndex) override;

    // Frames and playback (main_frame_frames.cpp).
    // Appends a blank frame after the last one and makes it current; false,
    // after telling the user, when the drawing cannot take another frame.
    bool AddNewFrame();
    void AddLoadedFrames();
    // Kills the playback timer and shows the Play button released.
    void StopPlayback();
    // One step of playback, as the timer runs it.
    void OnPlaybackTick();
    CFramePaneBar* FramePanel() const { return m_pFramePane; }

    // The action of a command id; null for an id the window does not have.
    QAction* Action(int nId) const;
    // Runs a command as if the user had chosen it.
    void RunCommand(int nId);
    // Sets every action's enabled and checked state from the current state.
    void UpdateCommandUI();

    CArtDoc& Document() { return m_doc; }
    CArtView* View() const { return m_pView; }

    // Opens the file named on the command line; the blank drawing is kept
    // when the file is refused.
    void OpenAtStart(const QString& strPath);
    // At start-up, after any file named on the command line: offers the
    // copies crashed programs left behind (main_frame_recovery.cpp).
    void OfferRecovery();
    // A dropped file: only a local path whose last three characters are
    // exactly "gwp" is read.
    void OnDropFiles(const QStringList& vPaths);
    // Writes the drawing to strPath; on failure tells the user and keeps the
    // modified flag.
    bool SaveDocumentTo(const QString& strPath);
    // The save prompt, asked when there is unsaved work; false when the user
    // cancels or a wanted save failed.
    bool SaveModified();
    // The drawing is modified, or the view shows work its cells do not hold
    // yet (a floating block, a pending shape) even in an unmodified drawing.
    bool HasUnsavedWork() const;
    // Before anything that reads or replaces the drawing as a whole (saving,
    // exporting, printing, New and Open, a frame change): what the user sees
    // becomes what the cells hold. A stroke in progress ends, a floating
    // block is dropped by the select mode, a pending shape written; the caret
    // stays where it is.
    void CommitPendingEdits();

    QToolButton* SelectButton() const { return m_pSelectButton; }
    QToolButton* FreehandButton() const { return m_pFreehandButton; }
    QLabel* MessagePane() const { return m_pMessagePane; }
    QLabel* PosPane() const { return m_pPosPane; }
    CRulerSplitter* Splitter() const { return m_pSplitter; }
    CRulerCornerView* RulerCorner() const;
    CRulerView* HorzRuler() const;
    CRulerView* VertRuler() const;
    CColorPickerView* ColorPicker() const { return m_pColorPicker; }
    CAutosave* Autosave() const { return m_pAutosave.get(); }

    // Settings ("GWSet"); g_nUndoRedoStep is the third.
    int m_bPlayLoop = 1;
    int m_nFrameInterval = 5; // tenths of a second
    int m_nAutosaveSecs = 30; // 0: off
    // Playback state of the frame commands.
    int m_bPlaying = 0;
    int m_nCurFrameItem = 0;
    int m_nPlayPos = 0;
    int m_bSkipNextSelect = 0;

    int m_nCurTool = 0;
    int m_nSelectMode = 1;    // TOOL_SELECT_TRANSPARENT or TOOL_SELECT_OPAQUE
    int m_nFreehandTool = 4;  // TOOL_FREEHAND_1 .. TOOL_FREEHAND_10

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;

private:
    // Building the window (main_frame_bars.cpp).
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateToolBox();
    void CreateStatusBar();
    void CreateDockPanes();
    void CreateClientArea();
    // Put the character and colour pickers into their docks (main_frame_panes.cpp).
    void CreateCharPicker();
    void CreateColorPicker();
    QAction* AddAction(int nId, void (CMainFrame::*pfnHandler)());
    QToolBar* AddToolBar(const QString& strName, const int* pIds, std::size_t nCount);
    QToolButton* AddPaletteButton(QToolBar* pBar, int nCommand, bool bFreehand);

    void ReadSettings();
    void WriteSettings() const;
    void UpdateTitle();
    void ToggleWidget(QWidget* pWidget);
    void UpdatePaletteButtons();

    // File commands (main_frame_file.cpp).
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnSaveAnimationHtml();
    void OnSaveSingleHtml();
    void OnSaveSingleText();
    void OnAppExit();
    // Reads strPath into the drawing; the drawing stays as it was on any refusal.
    // bReportUnreadable: a file that cannot be opened is reported (a name
    // given on the command line) instead of ending the command silently.
    void ReadDocumentFile(const QString& strPath, const QString& strTitle, bool bReportUnreadable = false);
    // ReadDocumentFile's reading: the frames only, the name and modified
    // flag left to the caller. A file that cannot be opened is reported only
    // when asked.
    bool LoadDocumentFrames(const QString& strPath, const QString& strTitle, bool bReportUnreadable);
    // Recovery (main_frame_recovery.cpp): the copy becomes the drawing, not
    // yet saved; the copy goes once this session's own copy holds it.
    bool RestoreRecoveryCopy(const CRecoveryEntry& entry);
public:
    // Asked at every progress report of a file being opened; false cancels
    // the load. For tests: the dialog itself only shows on slow loads.
    std::function<bool(int nDone, int nTotal)> m_fnLoadProgressHook;
private:
    // Settles what is pending, ends the tool and asks to save: the steps
    // New, Open, drop and a restored copy share.
    bool PrepareToReplace();
    bool WriteExport(const QString& strPath, const std::string& strData);
    bool StreamExport(const QString& strPath, const SaveWriter& write);
    // File > Export (main_frame_export.cpp).
    void OnExportPng();
    void OnExportGif();
    void OnExportUtf8();
    void OnExportAnsi();

    // Edit commands.
    void OnEditUndo();
    void OnEditRedo();
    void OnEditCut();
    void OnEditCopy();
    void OnEditPaste();
    void OnPasteClipboard();
    void OnEditDelete();
    bool HasFloatingSelection() const;
    bool HasBlockInClipboard() const;

    // Tools and view commands (main_frame_tools.cpp).
    void OnToolCursor();
    void OnToolSelect();
    void OnToolType();
    void OnToolFreehand();
    void OnToolLine();
    void OnToolCurve();
    void OnToolRectangle();
    void OnToolEllipse();
    void OnToolFill();
    void OnToolPick();
    void OnToolErase();
    void ChooseTool(int nTool);
    void OnPaletteEntry(int nCommand, int nValue);
    void OnAutoDraw();
    void OnShowGrid();
    void OnZoomIn();
    void OnZoomOut();
    void OnViewToolBar();
    void OnViewStatusBar();
    void OnViewToolBox();
    void OnViewCtrlBar();
    void OnViewOtherToolsBar();
    void OnViewViewBar();
    void OnViewCharPicker();
    void OnViewFramePanel();
    void OnViewColorPicker();
    void OnNextPane();
    void OnPrevPane();
    void OnSettings();
    // The imports: a picture converted into the current frame as one undo
    // step; FIGlet text and symbols placed as a floating block.
    void OnImageConvert();
    void OnFigletFont();
    void OnSymbolLib();

    // The frame commands (main_frame_frames.cpp).
    void OnPlay();
    void OnPause();
    void OnAddFrame();
    void OnDeleteFrame();
    // Puts the frame panel into its dock.
    void CreateFramePanel();

    // Printing and help (main_frame_print.cpp).
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    void OnHelpContents();
    void OnAppAbout();
    QPrinter& Printer();

    CArtDoc m_doc;
    // Declared after the document it copies, so it goes first.
    std::unique_ptr<CAutosave> m_pAutosave;
    CArtView* m_pView = nullptr;
    std::map<int, QAction*> m_mapActions;
    std::unique_ptr<QPrinter> m_pPrinter;

    QToolBar* m_pMainBar = nullptr;
    QToolBar* m_pCtrlBar = nullptr;
    QToolBar* m_pOtherToolsBar = nullptr;
    QToolBar* m_pViewBar = nullptr;
    QToolBar* m_pToolBox = nullptr;
    QToolButton* m_pSelectButton = nullptr;
    QToolButton* m_pFreehandButton = nullptr;
    QActionGroup* m_pSelectEntries = nullptr;
    QMenu* m_pCanvasMenu = nullptr;
    QActionGroup* m_pFreehandEntries = nullptr;
    QDockWidget* m_pCharDock = nullptr;
    CCharPaneView* m_pCharPicker = nullptr;
    QDockWidget* m_pColorDock = nullptr;
    QDockWidget* m_pFrameDock = nullptr;
    CFramePaneBar* m_pFramePane = nullptr;
    int m_nPlayTimer = 0; // id of the playback timer; 0 while stopped
    QLabel* m_pMessagePane = nullptr;
    QLabel* m_pPosPane = nullptr;
    CRulerSplitter* m_pSplitter = nullptr;
    CColorPickerView* m_pColorPicker = nullptr;
};
