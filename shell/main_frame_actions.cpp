// The wiring of the commands: which collaborator or window handler each
// command id runs. The actions themselves are the command table's.
#include "shell/main_frame.h"

#include "res/command_ids.h"
#include "shell/action_table.h"
#include "shell/edit_commands.h"
#include "shell/export_commands.h"
#include "shell/file_commands.h"
#include "shell/frame_bars.h"
#include "shell/mirror_commands.h"
#include "shell/print_commands.h"

using namespace gw;

namespace {

struct SHandler {
    int nId;
    std::function<void()> fn;
};

} // namespace

void CMainFrame::CreateActions()
{
    const auto on = [this](void (CMainFrame::*pfn)()) { return [this, pfn] { (this->*pfn)(); }; };
    CExportCommands* pExports = m_pExports.get();
    CFrameCommands* pFrames = m_pFrames.get();
    CFileCommands* pFiles = m_pFiles.get();
    CFrameBars* pBars = m_pBars;
    CPrintCommands* pPrint = m_pPrint.get();
    CEditCommands* pEdits = m_pEdits.get();
    CMirrorCommands* pMirror = m_pMirror.get();
    const SHandler HANDLERS[] = {
        {ID_FILE_NEW, [pFiles] { pFiles->OnFileNew(); }},
        {ID_FILE_OPEN, [pFiles] { pFiles->OnFileOpen(); }},
        {ID_FILE_SAVE, [pFiles] { pFiles->OnFileSave(); }},
        {ID_FILE_SAVE_AS, [pFiles] { pFiles->OnFileSaveAs(); }},
        {ID_SAVE_ANIMATION_HTML, [pExports] { pExports->OnSaveAnimationHtml(); }},
        {ID_SAVE_SINGLE_HTML, [pExports] { pExports->OnSaveSingleHtml(); }},
        {ID_SAVE_SINGLE_TEXT, [pExports] { pExports->OnSaveSingleText(); }},
        {ID_EXPORT_PNG, [pExports] { pExports->OnExportPng(); }},
        {ID_EXPORT_GIF, [pExports] { pExports->OnExportGif(); }},
        {ID_EXPORT_UTF8, [pExports] { pExports->OnExportUtf8(); }},
        {ID_EXPORT_ANSI, [pExports] { pExports->OnExportAnsi(); }},
        {ID_EXPORT_SVG, [pExports] { pExports->OnExportSvg(); }},
        {ID_EXPORT_CAST, [pExports] { pExports->OnExportCast(); }},
        {ID_FILE_PRINT, [pPrint] { pPrint->OnFilePrint(); }},
        {ID_FILE_PRINT_PREVIEW, [pPrint] { pPrint->OnFilePrintPreview(); }},
        {ID_FILE_PRINT_SETUP, [pPrint] { pPrint->OnFilePrintSetup(); }},
        {ID_APP_EXIT, on(&CMainFrame::OnAppExit)},
        {ID_EDIT_UNDO, [pEdits] { pEdits->OnEditUndo(); }},
        {ID_EDIT_REDO, [pEdits] { pEdits->OnEditRedo(); }},
        {ID_EDIT_CUT, [pEdits] { pEdits->OnEditCut(); }},
        {ID_EDIT_COPY, [pEdits] { pEdits->OnEditCopy(); }},
        {ID_EDIT_PASTE, [pEdits] { pEdits->OnEditPaste(); }},
        {ID_PASTE_CLIPBOARD, [pEdits] { pEdits->OnPasteClipboard(); }},
        {ID_EDIT_DELETE, [pEdits] { pEdits->OnEditDelete(); }},
        {ID_FLIP_LEFT_RIGHT,
         [pEdits] { pEdits->OnFlip(EMirrorAxis::LeftRight, EFlipGlyphs::Mirror); }},
        {ID_FLIP_TOP_BOTTOM,
         [pEdits] { pEdits->OnFlip(EMirrorAxis::TopBottom, EFlipGlyphs::Mirror); }},
        {ID_FLIP_LEFT_RIGHT_PLAIN,
         [pEdits] { pEdits->OnFlip(EMirrorAxis::LeftRight, EFlipGlyphs::Keep); }},
        {ID_FLIP_TOP_BOTTOM_PLAIN,
         [pEdits] { pEdits->OnFlip(EMirrorAxis::TopBottom, EFlipGlyphs::Keep); }},
        {ID_VIEW_TOOLBAR, [pBars] { pBars->Toggle(ID_VIEW_TOOLBAR); }},
        {ID_VIEW_STATUS_BAR, [pBars] { pBars->Toggle(ID_VIEW_STATUS_BAR); }},
        {ID_VIEW_TOOLBOX, [pBars] { pBars->Toggle(ID_VIEW_TOOLBOX); }},
        {ID_VIEW_CTRLBAR, [pBars] { pBars->Toggle(ID_VIEW_CTRLBAR); }},
        {ID_VIEW_OTHERTOOLSBAR, [pBars] { pBars->Toggle(ID_VIEW_OTHERTOOLSBAR); }},
        {ID_VIEW_VIEWBAR, [pBars] { pBars->Toggle(ID_VIEW_VIEWBAR); }},
        {ID_VIEW_CHAR_PICKER, [pBars] { pBars->Toggle(ID_VIEW_CHAR_PICKER); }},
        {ID_VIEW_FRAME_PANEL, [pBars] { pBars->Toggle(ID_VIEW_FRAME_PANEL); }},
        {ID_VIEW_COLOR_PICKER, [pBars] { pBars->Toggle(ID_VIEW_COLOR_PICKER); }},
        {ID_IMAGE_CONVERT, on(&CMainFrame::OnImageConvert)},
        {ID_FIGLET_FONT, on(&CMainFrame::OnFigletFont)},
        {ID_SYMBOL_LIB, on(&CMainFrame::OnSymbolLib)},
        {ID_SETTINGS, on(&CMainFrame::OnSettings)},
        {ID_PLAY, [pFrames] { pFrames->OnPlay(); }},
        {ID_PAUSE, [pFrames] { pFrames->OnPause(); }},
        {ID_ADD_FRAME, [pFrames] { pFrames->OnAddFrame(); }},
        {ID_DELETE_FRAME, [pFrames] { pFrames->OnDeleteFrame(); }},
        {ID_INSERT_FRAME, [pFrames] { pFrames->OnInsertFrame(); }},
        {ID_DUPLICATE_FRAME, [pFrames] { pFrames->OnDuplicateFrame(); }},
        {ID_MOVE_FRAME_LEFT, [pFrames] { pFrames->OnMoveFrameLeft(); }},
        {ID_MOVE_FRAME_RIGHT, [pFrames] { pFrames->OnMoveFrameRight(); }},
        {ID_UNDO_FRAME_CHANGE, [pFrames] { pFrames->OnUndoFrameChange(); }},
        {ID_REDO_FRAME_CHANGE, [pFrames] { pFrames->OnRedoFrameChange(); }},
        {ID_AUTO_DRAW, on(&CMainFrame::OnAutoDraw)},
        {ID_SHOW_GRID, on(&CMainFrame::OnShowGrid)},
        {ID_ONION_SKIN, on(&CMainFrame::OnOnionSkin)},
        {ID_ZOOM_IN, on(&CMainFrame::OnZoomIn)},
        {ID_ZOOM_OUT, on(&CMainFrame::OnZoomOut)},
        {ID_MIRROR, [pMirror] { pMirror->Toggle(); }},
        {ID_MIRROR_OFF, [pMirror] { pMirror->SetMode(EMirrorMode::Off); }},
        {ID_MIRROR_LEFT_RIGHT, [pMirror] { pMirror->SetMode(EMirrorMode::LeftRight); }},
        {ID_MIRROR_TOP_BOTTOM, [pMirror] { pMirror->SetMode(EMirrorMode::TopBottom); }},
        {ID_MIRROR_FOUR_WAY, [pMirror] { pMirror->SetMode(EMirrorMode::FourWay); }},
        {ID_MIRROR_AXIS_AT_CARET, [pMirror] { pMirror->AxesAtCaret(); }},
        {ID_MIRROR_AXIS_CENTRE, [pMirror] { pMirror->CentreAxes(); }},
        {ID_HELP_CONTENTS, on(&CMainFrame::OnHelpContents)},
        {ID_APP_ABOUT, on(&CMainFrame::OnAppAbout)},
        {ID_TOOL_CURSOR, on(&CMainFrame::OnToolCursor)},
        {ID_TOOL_SELECT, on(&CMainFrame::OnToolSelect)},
        {ID_TOOL_TYPE, on(&CMainFrame::OnToolType)},
        {ID_TOOL_FREEHAND, on(&CMainFrame::OnToolFreehand)},
        {ID_TOOL_LINE, on(&CMainFrame::OnToolLine)},
        {ID_TOOL_CURVE, on(&CMainFrame::OnToolCurve)},
        {ID_TOOL_RECTANGLE, on(&CMainFrame::OnToolRectangle)},
        {ID_TOOL_ELLIPSE, on(&CMainFrame::OnToolEllipse)},
        {ID_TOOL_FILL, on(&CMainFrame::OnToolFill)},
        {ID_TOOL_PICK, on(&CMainFrame::OnToolPick)},
        {ID_TOOL_ERASE, on(&CMainFrame::OnToolErase)},
        {ID_NEXT_PANE, on(&CMainFrame::OnNextPane)},
        {ID_PREV_PANE, on(&CMainFrame::OnPrevPane)},
    };
    for (const SHandler& handler : HANDLERS) {
        m_pActions->Add(handler.nId, handler.fn);
    }
    m_pActions->FinishSetup();
}
