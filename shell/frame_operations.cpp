// The frame operations beyond Add and Delete: Insert, Duplicate, Move left
// and right (and by drag), Undo and Redo Frame Change. The document does
// each one whole or not at all; the list is then laid out again from the
// document's order, so its items always are the frames in the saved order.
#include "shell/frame_commands.h"

#include "canvas/art_view.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "panes/frame_strip.h"
#include "res/app_strings.h"
#include "res/command_ids.h"
#include "ui/message_box.h"

#include <vector>

namespace {

int KeyOf(quint32 nData) { return static_cast<int>(nData >> 16); }
int ImageOf(quint32 nData) { return static_cast<int>(nData & 0xFFFF); }

} // namespace

bool CFrameCommands::StopsPlayback()
{
    if (m_bPlaying != 1)
        return false;
    StopPlayback();
    return true;
}

int CFrameCommands::CurrentKey() const
{
    return KeyOf(m_pFramePane->List()->ItemData(m_nCurFrameItem));
}

// Add and Delete leave the flag as it is, as they always have; the newer
// commands change the order or bring frames back, which a close without a
// prompt would lose, so they mark the drawing modified.
void CFrameCommands::MarkFramesChanged()
{
    m_doc.SetModifiedFlag();
}

void CFrameCommands::ShowFrames(EShow eShow)
{
    CFramePaneView* pList = m_pFramePane->List();
    for (int i = 0; i < pList->count(); ++i)
        m_mapImages[KeyOf(pList->ItemData(i))] = ImageOf(pList->ItemData(i));
    m_view.SetSelectionRect(QRect());
    m_view.SetCells(m_doc.GetCurCells());
    m_doc.RestIdleFrames(); // the view has let go of the frame it showed
    if (eShow == EShow::Blank)
        m_view.ClearCanvas();
    // The frame's cells were laid out at the zoom of the last time it was
    // shown: lay them out again before drawing them.
    m_view.RebuildLayers();
    m_view.Refresh(CArtView::REFRESH_ALL);

    std::vector<quint32> vData;
    vData.reserve(m_doc.GetFrames().size());
    int nCur = 0;
    for (const auto& [nKey, pCells] : m_doc.GetFrames()) {
        auto it = m_mapImages.find(nKey);
        if (it == m_mapImages.end())
            it = m_mapImages.emplace(nKey, pList->AddThumbnail(m_view.MakeFrameThumbnail(pCells))).first;
        if (pCells == m_doc.GetCurCells())
            nCur = static_cast<int>(vData.size());
        vData.push_back((static_cast<quint32>(nKey) << 16) | static_cast<quint32>(it->second & 0xFFFF));
    }
    pList->SetItems(vData);
    m_nCurFrameItem = nCur;
    if (eShow == EShow::FocusOnly) {
        pList->SetCurrentItem(nCur);
    } else {
        m_bSkipNextSelect = 1;
        pList->SelectItem(nCur);
        m_bSkipNextSelect = 0; // meant for this one notification only
    }
    m_pFramePane->m_nFrameCount = pList->count();
    m_pFramePane->m_nCurFrameNo = nCur + 1;
    m_pFramePane->RepaintStrip();
    RefreshFrameThumbnail();
}

bool CFrameCommands::InsertBlankFrame(int nIndex)
{
    m_view.EndPendingEdit();
    int nKey = -1;
    try {
        nKey = m_doc.InsertFrame(nIndex);
    } catch (const CBackupError& e) {
        // The document is as it was: no frame was added.
        GwMessageBox(m_pParent, QStringLiteral("Not enough memory for another frame (%1).")
                               .arg(QString::fromLatin1(e.what())));
        return false;
    }
    if (nKey < 0) {
        GwMessageBox(m_pParent, QString::fromLatin1(MSG_FRAME_KEYS_EXHAUSTED));
        return false;
    }
    ShowFrames(EShow::Blank);
    return true;
}

bool CFrameCommands::InsertFrameAfterCurrent()
{
    StopsPlayback();
    if (!InsertBlankFrame(m_doc.GetFrameIndex(CurrentKey()) + 1))
        return false;
    MarkFramesChanged();
    return true;
}

void CFrameCommands::OnInsertFrame()
{
    if (StopsPlayback())
        return;
    m_pFramePane->SetLatched(CFrameButtonStrip::BTN_NONE);
    if (InsertBlankFrame(m_doc.GetFrameIndex(CurrentKey()) + 1))
        MarkFramesChanged();
}

void CFrameCommands::OnDuplicateFrame()
{
    if (StopsPlayback())
        return;
    m_view.EndPendingEdit();
    int nKey = -1;
    try {
        nKey = m_doc.DuplicateFrame(CurrentKey());
    } catch (const CBackupError& e) {
        GwMessageBox(m_pParent, QStringLiteral("Not enough memory for another frame (%1).")
                               .arg(QString::fromLatin1(e.what())));
        return;
    }
    if (nKey < 0) {
        GwMessageBox(m_pParent, QString::fromLatin1(MSG_FRAME_KEYS_EXHAUSTED));
        return;
    }
    MarkFramesChanged();
    ShowFrames(EShow::Select);
}

bool CFrameCommands::CanMoveFrame(int nStep) const
{
    if (!m_pFramePane)
        return false;
    const int nTo = m_nCurFrameItem + nStep;
    return nTo >= 0 && nTo < m_pFramePane->List()->count();
}

void CFrameCommands::MoveFrameItem(int nFrom, int nTo)
{
    if (StopsPlayback())
        return;
    m_view.EndPendingEdit();
    CFramePaneView* pList = m_pFramePane->List();
    const int nKey = KeyOf(pList->ItemData(nFrom));
    if (!m_doc.MoveFrame(m_doc.GetFrameIndex(nKey), nTo))
        return;
    MarkFramesChanged();
    if (nFrom != m_nCurFrameItem) {
        // The moved frame becomes current, as the one the user just handled.
        m_doc.SelectFrame(nKey);
        ShowFrames(EShow::Select);
        return;
    }
    // The canvas keeps its frame: only the list changes, item by item, so a
    // move costs the same in a drawing of thousands of frames.
    pList->MoveItem(nFrom, nTo);
    m_view.OnFramesReordered();
    m_nCurFrameItem = nTo;
    m_pFramePane->m_nCurFrameNo = nTo + 1;
    m_pFramePane->RepaintStrip();
    m_host.UpdateCommandUI();
    m_host.DocumentChanged();
}

bool CFrameCommands::CanRunFrameCommand(int nId) const
{
    switch (nId) {
    case gw::ID_MOVE_FRAME_LEFT:
        return CanMoveFrame(-1);
    case gw::ID_MOVE_FRAME_RIGHT:
        return CanMoveFrame(1);
    case gw::ID_UNDO_FRAME_CHANGE:
        return m_doc.CanUndoFrameChange();
    case gw::ID_REDO_FRAME_CHANGE:
        return m_doc.CanRedoFrameChange();
    default:
        return true;
    }
}

void CFrameCommands::OnMoveFrameLeft()
{
    if (CanMoveFrame(-1))
        MoveFrameItem(m_nCurFrameItem, m_nCurFrameItem - 1);
}

void CFrameCommands::OnMoveFrameRight()
{
    if (CanMoveFrame(1))
        MoveFrameItem(m_nCurFrameItem, m_nCurFrameItem + 1);
}

void CFrameCommands::OnUndoFrameChange()
{
    if (StopsPlayback())
        return;
    m_view.EndPendingEdit();
    if (m_doc.UndoFrameChange() >= 0) {
        MarkFramesChanged();
        ShowFrames(EShow::Select);
    }
}

void CFrameCommands::OnRedoFrameChange()
{
    if (StopsPlayback())
        return;
    m_view.EndPendingEdit();
    if (m_doc.RedoFrameChange() >= 0) {
        MarkFramesChanged();
        ShowFrames(EShow::Select);
    }
}
