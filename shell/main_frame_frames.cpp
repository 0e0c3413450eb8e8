// The frames of the drawing: the frame panel, the four frame commands (Play,
// Pause, Add a frame, Delete frame) and the playback timer. The order of the
// frames is the order of the frame list's items; playback only selects the
// next item at a fixed interval, and the selection makes that frame current.
#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "core/backup_store.h"
#include "panes/frame_panel.h"
#include "panes/frame_strip.h"
#include "res/app_strings.h"
#include "res/command_ids.h"
#include "shell/autosave.h"
#include "ui/message_box.h"

#include <QDockWidget>
#include <QTimerEvent>

namespace {

int KeyOf(quint32 nData) { return static_cast<int>(nData >> 16); }
int ImageOf(quint32 nData) { return static_cast<int>(nData & 0xFFFF); }

QString FrameTitle(int nPosition)
{
    return QString::fromLatin1(gw::IDS_FRAME_FORMAT_QT).arg(nPosition);
}

} // namespace

void CMainFrame::CreateFramePanel()
{
    m_pFramePane = new CFramePaneBar(this, m_pFrameDock);
    QWidget* pPlaceholder = m_pFrameDock->widget();
    m_pFrameDock->setWidget(m_pFramePane);
    delete pPlaceholder;
    // Thumbnails not made yet are drawn from the frame's cells when needed.
    m_pFramePane->List()->SetThumbnailSource([this](quint32 nData) {
        return m_pView->MakeFrameThumbnail(m_doc.GetFrameCells(KeyOf(nData)));
    });
}

void CMainFrame::RunFrameCommand(int nId)
{
    RunCommand(nId);
}

// The view's initial update of a new or opened drawing: the list starts
// again with this one frame, and playback of the previous drawing ends.
void CMainFrame::AddFirstFrame(int nFrameKey, const QImage& imgThumb)
{
    StopPlayback();
    m_nPlayPos = 0;
    m_bSkipNextSelect = 0;
    CFramePaneView* pList = m_pFramePane->List();
    pList->RemoveAll();
    const int nImage = pList->AddThumbnail(imgThumb);
    const int nItem = pList->AppendItem(nImage);
    m_nCurFrameItem = nItem;
    pList->SetItemText(nItem, FrameTitle(nItem + 1));
    pList->SetItemData(nItem, (static_cast<quint32>(nFrameKey) << 16) | static_cast<quint32>(nImage));
    m_pFramePane->m_nFrameCount = 1;
    m_pFramePane->m_nCurFrameNo = 1;
    m_pFramePane->RepaintStrip();
    // Shown here as well, for a view that does not ask for them itself.
    ShowRulers();
}

// The document has adopted a drawing read from a file: the list starts again
// with one item per frame, keys 0, 1, 2, ... in file order, the last one
// current and selected; thumbnails are made as they are needed.
void CMainFrame::AddLoadedFrames()
{
    StopPlayback();
    m_nPlayPos = 0;
    CFramePaneView* pList = m_pFramePane->List();
    pList->RemoveAll();
    std::vector<quint32> vData;
    vData.reserve(m_doc.GetFrames().size());
    int nImage = 0;
    for (const auto& entry : m_doc.GetFrames())
        vData.push_back((static_cast<quint32>(entry.first) << 16) | static_cast<quint32>(nImage++));
    pList->AppendPendingItems(vData);
    const int nCount = pList->count();
    m_nCurFrameItem = nCount - 1;
    m_bSkipNextSelect = 1;
    pList->SelectItem(m_nCurFrameItem);
    m_bSkipNextSelect = 0;
    m_pFramePane->m_nFrameCount = nCount;
    m_pFramePane->m_nCurFrameNo = nCount;
    m_pFramePane->SetLatched(CFrameButtonStrip::BTN_NONE);
    RefreshFrameThumbnail();
}

void CMainFrame::RefreshFrameThumbnail()
{
    if (m_pFramePane && m_nCurFrameItem >= 0 && m_nCurFrameItem < m_pFramePane->List()->count()) {
        CFramePaneView* pList = m_pFramePane->List();
        pList->SetThumbnail(ImageOf(pList->ItemData(m_nCurFrameItem)), m_pView->MakeThumbnail());
    }
    // The commands' states change with every finished edit (Undo, Redo).
    UpdateCommandUI();
    if (m_pAutosave) {
        m_pAutosave->OnDocumentChanged();
    }
}

void CMainFrame::BackColorChanged()
{
    if (m_pFramePane)
        m_pFramePane->List()->RenewThumbnails();
}

void CMainFrame::StopPlayback()
{
    if (m_nPlayTimer != 0) {
        killTimer(m_nPlayTimer);
        m_nPlayTimer = 0;
    }
    m_bPlaying = 0;
    if (m_pFramePane) {
        m_pFramePane->SetLatched(CFrameButtonStrip::BTN_NONE);
    }
}

void CMainFrame::OnPlay()
{
    if (m_pFramePane->m_nFrameCount <= 1) {
        // Nothing to play: the Play button is not left drawn down.
        m_pFramePane->SetLatched(CFrameButtonStrip::BTN_NONE);
        return;
    }
    m_nCurFrameItem = 0;
    ChooseTool(TOOL_CURSOR);
    // After a playback without loop has run to its end, and after frames
    // were deleted, the position may be past the last item: start again.
    if (m_nPlayPos < 0 || m_nPlayPos >= m_pFramePane->List()->count()) {
        m_nPlayPos = 0;
    }
    if (m_nPlayTimer != 0) {
        killTimer(m_nPlayTimer);
    }
    m_bPlaying = 1;
    m_nPlayTimer = startTimer(m_settings.m_nFrameInterval * 100);
    m_pFramePane->SetLatched(CFrameButtonStrip::BTN_PLAY);
}

void CMainFrame::OnPause()
{
    StopPlayback();
}

void CMainFrame::timerEvent(QTimerEvent* pEvent)
{
    if (m_nPlayTimer != 0 && pEvent->timerId() == m_nPlayTimer) {
        OnPlaybackTick();
        return;
    }
    QMainWindow::timerEvent(pEvent);
}

void CMainFrame::OnPlaybackTick()
{
    // A tool chosen since Play ends playback, after this tick's frame.
    if (m_nCurTool != TOOL_CURSOR) {
        StopPlayback();
    }
    CFramePaneView* pList = m_pFramePane->List();
    if (m_nPlayPos < 0 || m_nPlayPos >= pList->count()) {
        m_nPlayPos = 0;
    }
    // A stroke in progress ends, and its thumbnail is renewed, on its own
    // frame before this tick moves on.
    CommitPendingEdits();
    m_nCurFrameItem = m_nPlayPos;
    pList->SelectItem(m_nPlayPos);
    ++m_nPlayPos;
    if (m_nPlayPos > pList->count() - 1) {
        if (m_settings.m_bPlayLoop == 1) {
            m_nPlayPos = 0;
        } else {
            StopPlayback();
        }
    }
}

bool CMainFrame::AddNewFrame()
{
    CommitPendingEdits();
    CharCell* pCells = nullptr;
    try {
        pCells = m_doc.NewFrame();
    } catch (const CBackupError& e) {
        // The document is as it was: no frame was added.
        GwMessageBox(this, QStringLiteral("Not enough memory for another frame (%1).")
                               .arg(QString::fromLatin1(e.what())));
        return false;
    }
    if (!pCells) {
        GwMessageBox(this, QString::fromLatin1(MSG_FRAME_KEYS_EXHAUSTED));
        return false;
    }
    m_pView->SetCells(pCells);
    m_doc.RestIdleFrames(); // the view has let go of the frame it showed
    m_pView->ClearCanvas();
    m_pView->RebuildLayers();
    m_pView->Refresh(CArtView::REFRESH_ALL);

    CFramePaneView* pList = m_pFramePane->List();
    const int nImage = pList->AddThumbnail(m_pView->MakeThumbnail());
    const int nItem = pList->AppendItem(nImage);
    m_nCurFrameItem = nItem;
    pList->SetItemText(nItem, FrameTitle(nItem + 1));
    const int nKey = m_doc.RegisterFrame();
    pList->SetItemData(nItem, (static_cast<quint32>(nKey) << 16) | static_cast<quint32>(nImage & 0xFFFF));
    m_bSkipNextSelect = 1;
    pList->SelectItem(nItem);
    // The flag is meant for this one notification only.
    m_bSkipNextSelect = 0;
    m_pFramePane->m_nFrameCount += 1;
    m_pFramePane->m_nCurFrameNo = nItem + 1;
    m_pFramePane->RepaintStrip();
    RefreshFrameThumbnail();
    return true;
}

void CMainFrame::OnAddFrame()
{
    if (m_bPlaying == 1) {
        StopPlayback();
        return;
    }
    m_pFramePane->SetLatched(CFrameButtonStrip::BTN_NONE);
    AddNewFrame();
}

void CMainFrame::OnDeleteFrame()
{
    if (m_bPlaying == 1) {
        StopPlayback();
        return;
    }
    CFramePaneView* pList = m_pFramePane->List();
    if (pList->count() <= 1) {
        GwMessageBox(this, QString::fromLatin1(gw::IDS_KEEP_ONE_FRAME));
        return;
    }
    CommitPendingEdits();
    const int nKey = KeyOf(pList->ItemData(m_nCurFrameItem));
    if (!m_doc.DeleteFrame(nKey)) {
        // Its store could not be let go: the frame and its item stay.
        GwMessageBox(this, QStringLiteral("This frame could not be deleted."));
        return;
    }
    // The deleted frame's thumbnail stays in the list: the other items'
    // image indexes keep pointing at their own pictures.
    pList->DeleteItem(m_nCurFrameItem);
    m_nCurFrameItem = 0;
    // The focus highlight moves with the current frame; nothing is selected.
    pList->SetCurrentItem(0);
    pList->RenumberItems();
    m_doc.SelectFrame(KeyOf(pList->ItemData(0)));
    m_pView->SetCells(m_doc.GetCurCells());
    m_doc.RestIdleFrames(); // the view has let go of the frame it showed
    m_pFramePane->m_nFrameCount -= 1;
    m_pFramePane->m_nCurFrameNo = 1;
    m_pFramePane->RepaintStrip();
    // The first frame's cells were laid out at the zoom of the last time it
    // was shown: lay them out again before drawing them.
    m_pView->RebuildLayers();
    m_pView->Refresh(CArtView::REFRESH_ALL);
    m_pAutosave->OnDocumentChanged();
}

void CMainFrame::SelectFrameItem(int nIndex)
{
    if (m_bSkipNextSelect == 1) {
        m_bSkipNextSelect = 0;
        return;
    }
    CFramePaneView* pList = m_pFramePane->List();
    if (nIndex < 0 || nIndex >= pList->count()) {
        return;
    }
    // A stroke in progress ends on the frame it was drawn on.
    CommitPendingEdits();
    m_pView->SetSelectionRect(QRect());
    m_nCurFrameItem = nIndex;
    m_doc.SelectFrame(KeyOf(pList->ItemData(nIndex)));
    m_pView->SetCells(m_doc.GetCurCells());
    m_doc.RestIdleFrames(); // the view has let go of the frame it showed
    m_pView->RebuildLayers();
    m_pView->Refresh(CArtView::REFRESH_ALL);
    UpdateCommandUI();
}
