// The window's half of the update pass: the state the command table
// decides from, gathered afresh each time.
#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "res/command_ids.h"
#include "shell/action_table.h"
#include "shell/edit_commands.h"
#include "shell/frame_bars.h"
#include "shell/frame_commands.h"
#include "shell/mirror_commands.h"

using namespace gw;

void CMainFrame::UpdateCommandUI()
{
    if (!m_pActions || m_pActions->IsEmpty() || !m_pBars || !m_pBars->IsBuilt()) {
        return; // still being built
    }
    SCommandState state;
    state.nCurTool = m_nCurTool;
    state.nFreehandTool = m_nFreehandTool;
    state.bAutoDraw = m_pView->Drawing().IsAutoDraw();
    state.bGridShown = m_pView && m_pView->IsGridShown();
    state.bOnionShown = m_pView && m_pView->IsOnionShown();
    state.nMirrorMode = static_cast<int>(m_pMirror->Mode());
    state.mapShown = m_pBars->ShownStates();
    m_pEdits->FillState(state);
    state.bCanUndoFrameChange = m_doc.CanUndoFrameChange();
    state.bCanRedoFrameChange = m_doc.CanRedoFrameChange();
    state.bCanMoveFrameLeft = m_pFrames->CanMoveFrame(-1);
    state.bCanMoveFrameRight = m_pFrames->CanMoveFrame(1);
    m_pActions->Update(state);
    m_pBars->ShowPaletteChoice(m_nSelectMode, m_nFreehandTool);
    m_pBars->ShowMirrorMode(state.nMirrorMode, m_settings.m_nMirrorLastMode, m_pMirror->StatusText());
}
