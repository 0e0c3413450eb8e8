#include "shell/edit_commands.h"

#include "canvas/art_view.h"
#include "res/app_strings.h"
#include "shell/action_table.h"
#include "ui/message_box.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

CEditCommands::CEditCommands(CArtDoc& doc, CArtView& view, QWidget* pParent)
    : m_doc(doc), m_view(view), m_pParent(pParent)
{
}

// The view repaints through the document's listener. A step that could
// not be applied is still there to apply: the system refused, and the
// frame is as it was.
void CEditCommands::OnEditUndo()
{
    // A floating block's lift is still an open step, which the history cannot
    // undo: the selection takes it back itself.
    if (m_view.Selection().IsFloating()) {
        m_view.Selection().CancelLift();
        return;
    }
    if (!m_doc.OnEditUndo() && m_doc.CanUndo())
        GwMessageBox(m_pParent, QString::fromLatin1(gw::IDS_UNDO_REFUSED));
}

void CEditCommands::OnEditRedo()
{
    if (!m_doc.OnEditRedo() && m_doc.CanRedo())
        GwMessageBox(m_pParent, QString::fromLatin1(gw::IDS_REDO_REFUSED));
}

// The floating block and the internal clipboard are the view's.
void CEditCommands::OnEditCut() { m_view.Selection().Cut(); }
void CEditCommands::OnEditCopy() { m_view.Selection().Copy(); }
void CEditCommands::OnEditPaste() { m_view.Selection().Paste(); }
void CEditCommands::OnPasteClipboard() { m_view.PasteClipboard(); }
void CEditCommands::OnEditDelete() { m_view.Selection().Delete(); }

void CEditCommands::OnFlip(EMirrorAxis nAxis, EFlipGlyphs glyphs)
{
    if (m_view.Selection().Flip(nAxis, glyphs) || !m_view.GetCells())
        return;
    // A shape still being placed is written first, as a step of its own.
    m_view.EndPendingEdit();
    if (!m_view.BeginEdit())
        return;
    FlipCells(m_view.GetCells(), m_view.GetCols(), m_view.GetRows(), m_view.GetCols(), nAxis,
              glyphs);
    m_view.EndEdit();
    // Every cell may have changed: the same redraw as after an undo.
    m_view.OnHistoryApplied();
}

void CEditCommands::FillState(SCommandState& state) const
{
    state.bFloating = m_view.Selection().IsFloating();
    state.bCanUndo = m_doc.CanUndo();
    state.bCanRedo = m_doc.CanRedo();
    state.bBlockInClipboard = m_view.Selection().HasClipboard();
    const QMimeData* pMime = QGuiApplication::clipboard()->mimeData();
    state.bClipboardText = pMime && pMime->hasText();
}
