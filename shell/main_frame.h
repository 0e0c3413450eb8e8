// The main window of the one open drawing: it owns the document, the client
// area (rulers and canvas) and the collaborators that do the work, and wires
// them together. The command table (CActionTable) holds the actions; the
// bars (CFrameBars) lay out menus, toolbars, docks and the status bar; the
// file, export, print, edit and frame commands each have a class of their
// own. The window keeps the current tool, the pickers' panes and the few
// commands that are its own (tools, view, settings, imports, help).
//
// Whether an action is enabled or checked is decided in one place,
// UpdateCommandUI(), which runs before a menu opens, after every command and
// after every edit.
#pragma once

#include "canvas/view_host.h"
#include "core/art_doc.h"
#include "panes/char_picker.h"
#include "shell/file_commands.h"
#include "shell/frame_commands.h"
#include "shell/shell_settings.h"

#include <QMainWindow>
#include <QString>

#include <memory>

class CArtView;
class CActionTable;
class CAutosave;
class CEditCommands;
class CExportCommands;
class CFrameBars;
class CMirrorCommands;
class CPrintCommands;
class CColorPickerView;
class CRulerCornerView;
class CRulerSplitter;
class CRulerView;
class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QToolButton;

class CMainFrame : public QMainWindow, public IViewHost, public ICharPickerHost, public IFrameCommandsHost,
                   public IFileCommandsHost {
    Q_OBJECT

public:
    // Reads the "GWSet" settings and builds the window around a blank
    // 40 x 60 drawing.
    explicit CMainFrame(QWidget* pParent = nullptr);
    // Writes the "GWSet" settings back.
    ~CMainFrame() override;

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

    // The frames, the frame panel and playback.
    CFrameCommands& Frames() { return *m_pFrames; }
    CFramePaneBar* FramePanel() const { return m_pFrames->Panel(); }

    // The action of a command id; null for an id the window does not have.
    QAction* Action(int nId) const;
    // Runs a command as if the user had chosen it.
    void RunCommand(int nId) override;
    // Sets every action's enabled and checked state from the current state.
    void UpdateCommandUI() override;

    CArtDoc& Document() { return m_doc; }
    CArtView* View() const { return m_pView; }

    // The file commands, the save prompt and the recovery offer.
    CFileCommands& Files() { return *m_pFiles; }
    CExportCommands& Exports() { return *m_pExports; }
    // The start-up steps: the file named on the command line, then the
    // copies crashed sessions left behind.
    void OpenAtStart(const QString& strPath) { m_pFiles->OpenAtStart(strPath); }
    void OfferRecovery() { m_pFiles->OfferRecovery(); }
    // Before anything that reads or replaces the drawing as a whole (saving,
    // exporting, printing, New and Open, a frame change): what the user sees
    // becomes what the cells hold. A stroke in progress ends, a floating
    // block is dropped by the select mode, a pending shape written; the caret
    // stays where it is.
    void CommitPendingEdits();

    // The bars, the docks and the status bar.
    CFrameBars& Bars() { return *m_pBars; }
    QToolButton* SelectButton() const;
    QToolButton* FreehandButton() const;
    QLabel* MessagePane() const;
    QLabel* PosPane() const;
    CRulerSplitter* Splitter() const { return m_pSplitter; }
    CRulerCornerView* RulerCorner() const;
    CRulerView* HorzRuler() const;
    CRulerView* VertRuler() const;
    CColorPickerView* ColorPicker() const { return m_pColorPicker; }
    CMirrorCommands& Mirror() { return *m_pMirror; }
    CAutosave* Autosave() const override { return m_pAutosave.get(); }

    SShellSettings& Settings() { return m_settings; }
    int m_nCurTool = 0;
    int m_nSelectMode = 1;    // TOOL_SELECT_TRANSPARENT or TOOL_SELECT_OPAQUE
    int m_nFreehandTool = 4;  // TOOL_FREEHAND_1 .. TOOL_FREEHAND_10

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    // Building the window: the handler of every command (main_frame_actions.cpp).
    void CreateActions();
    void CreateClientArea();
    // A click on a ruler places the mirror's axis across it.
    void ConnectMirrorRulers();
    // Put the character and colour pickers into their docks (main_frame_panes.cpp).
    void CreateCharPicker(QDockWidget* pDock);
    void CreateColorPicker(QDockWidget* pDock);

    void OnAppExit();
    // IFileCommandsHost
    void UpdateTitle() override;
    void DrawingLoaded() override { m_pFrames->AddLoadedFrames(); }
    void ShowStatusNote(const QString& strText) override;
    void BackColorRestored() override;

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
    void ChooseTool(int nTool) override;
    // IFrameCommandsHost: autosave becomes due.
    void DocumentChanged() override;
    void OnPaletteEntry(int nCommand, int nValue);
    void OnAutoDraw();
    void OnShowGrid();
    void OnOnionSkin();
    void OnZoomIn();
    void OnZoomOut();
    void OnNextPane();
    void OnPrevPane();
    void OnSettings();
    // The imports: a picture converted into the current frame as one undo
    // step; FIGlet text and symbols placed as a floating block.
    void OnImageConvert();
    void OnFigletFont();
    void OnSymbolLib();

    void OnHelpContents();
    void OnAppAbout();

    SShellSettings m_settings;
    CArtDoc m_doc;
    // Declared after the document it copies, so it goes first.
    std::unique_ptr<CAutosave> m_pAutosave;
    CArtView* m_pView = nullptr;
    // Both owned as the window's children.
    CActionTable* m_pActions = nullptr;
    CFrameBars* m_pBars = nullptr;
    std::unique_ptr<CExportCommands> m_pExports;
    std::unique_ptr<CFrameCommands> m_pFrames;
    std::unique_ptr<CFileCommands> m_pFiles;
    std::unique_ptr<CPrintCommands> m_pPrint;
    std::unique_ptr<CEditCommands> m_pEdits;
    std::unique_ptr<CMirrorCommands> m_pMirror;

    QMenu* m_pCanvasMenu = nullptr;
    CCharPaneView* m_pCharPicker = nullptr;
    CRulerSplitter* m_pSplitter = nullptr;
    CColorPickerView* m_pColorPicker = nullptr;
};
