#include "shell/frame_commands.h"

#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "core/backup_store.h"
#include "panes/frame_strip.h"
#include "res/app_strings.h"
#include "res/command_ids.h"
#include "shell/shell_settings.h"
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

CFrameCommands::CFrameCommands(CArtDoc& doc, CArtView& view, const SShellSettings& settings,
                               IFrameCommandsHost& host, QWidget* pParent)
    : QObject(pParent), m_doc(doc), m_view(view), m_settings(settings), m_host(host), m_pParent(pParent)
{
}

void CFrameCommands::CreatePanel(QDockWidget* pDock)
{
    m_pFramePane = new CFramePaneBar(this, pDock);
    QWidget* pPlaceholder = pDock->widget();
    pDock->setWidget(m_pFramePane);
    delete pPlaceholder;
    // Thumbnails not made yet are drawn from the frame's cells when needed.
    m_pFramePane->List()->SetThumbnailSource([this](quint32 nData) {
        return m_view.MakeFrameThumbnail(m_doc.GetFrameCells(KeyOf(nData)));
    });
}

void CFrameCommands::RunFrameCommand(int nId)
{
    m_host.RunCommand(nId);
}

// The view's initial update of a new or opened drawing: the list starts
// again with this one frame, and playback of the previous drawing ends.
void CFrameCommands::AddFirstFrame(int nFrameKey, const QImage& imgThumb)
{
    StopPlayback();
    m_nPlayPos = 0;
    m_bSkipNextSelect = 0;
    CFramePaneView* pList = m_pFramePane->List();
    pList->RemoveAll();
    m_mapImages.clear();
    const int nImage = pList->AddThumbnail(imgThumb);
    const int nItem = pList->AppendItem(nImage);
    m_nCurFrameItem = nItem;
    pList->SetItemText(nItem, FrameTitle(nItem + 1));
    pList->SetItemData(nItem, (static_cast<quint32>(nFrameKey) << 16) | static_cast<quint32>(nImage));
    m_pFramePane->m_nFrameCount = 1;
    m_pFramePane->m_nCurFrameNo = 1;
    m_pFramePane->RepaintStrip();
}

// The document has adopted a drawing read from a file: the list starts again
// with one item per frame, keys 0, 1, 2, ... in file order, the last one
// current and selected; thumbnails are made as they are needed.
void CFrameCommands::AddLoadedFrames()
{
    StopPlayback();
    m_nPlayPos = 0;
    CFramePaneView* pList = m_pFramePane->List();
    pList->RemoveAll();
    m_mapImages.clear();
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

void CFrameCommands::RefreshFrameThumbnail()
{
    if (m_pFramePane && m_nCurFrameItem >= 0 && m_nCurFrameItem < m_pFramePane->List()->count()) {
        CFramePaneView* pList = m_pFramePane->List();
        // Made once the keys or strokes pause, or when the panel is painted;
        // by the frame's key, so a frame switched away from is still drawn.
        const quint32 nData = pList->ItemData(m_nCurFrameItem);
        pList->DeferThumbnail(ImageOf(nData), [this, nKey = KeyOf(nData)] {
            const CharCell* pCells = m_doc.GetFrameCells(nKey);
            return pCells ? m_view.MakeFrameThumbnail(pCells) : QImage();
        });
    }
    // The commands' states change with every finished edit (Undo, Redo).
    m_host.UpdateCommandUI();
    m_host.DocumentChanged();
}

void CFrameCommands::BackColorChanged()
{
    if (m_pFramePane)
        m_pFramePane->List()->RenewThumbnails();
}

void CFrameCommands::StopPlayback()
{
    if (m_nPlayTimer != 0) {
        killTimer(m_nPlayTimer);
        m_nPlayTimer = 0;
    }
    m_bPlaying = 0;
    m_view.PauseOnion(false);
    if (m_pFramePane) {
        m_pFramePane->SetLatched(CFrameButtonStrip::BTN_NONE);
    }
}

void CFrameCommands::OnPlay()
{
    if (m_pFramePane->m_nFrameCount <= 1) {
        // Nothing to play: the Play button is not left drawn down.
        m_pFramePane->SetLatched(CFrameButtonStrip::BTN_NONE);
        return;
    }
    m_nCurFrameItem = 0;
    m_host.ChooseTool(TOOL_CURSOR);
    // After a playback without loop has run to its end, and after frames
    // were deleted, the position may be past the last item: start again.
    if (m_nPlayPos < 0 || m_nPlayPos >= m_pFramePane->List()->count()) {
        m_nPlayPos = 0;
    }
    if (m_nPlayTimer != 0) {
        killTimer(m_nPlayTimer);
    }
    m_bPlaying = 1;
    // The frames play as they are, without their neighbours behind them.
    m_view.PauseOnion(true);
    m_nPlayTimer = startTimer(m_settings.m_nFrameInterval * 100);
    m_pFramePane->SetLatched(CFrameButtonStrip::BTN_PLAY);
}

void CFrameCommands::OnPause()
{
    StopPlayback();
}

void CFrameCommands::timerEvent(QTimerEvent* pEvent)
{
    if (m_nPlayTimer != 0 && pEvent->timerId() == m_nPlayTimer) {
        OnPlaybackTick();
        return;
    }
    QObject::timerEvent(pEvent);
}

void CFrameCommands::OnPlaybackTick()
{
    // A tool chosen since Play ends playback, after this tick's frame.
    if (m_host.GetCurTool() != TOOL_CURSOR) {
        StopPlayback();
    }
    CFramePaneView* pList = m_pFramePane->List();
    if (m_nPlayPos < 0 || m_nPlayPos >= pList->count()) {
        m_nPlayPos = 0;
    }
    // A stroke in progress ends, and its thumbnail is renewed, on its own
    // frame before this tick moves on.
    m_view.EndPendingEdit();
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

bool CFrameCommands::AddNewFrame()
{
    return InsertBlankFrame(m_doc.GetFrameCount());
}

void CFrameCommands::OnAddFrame()
{
    if (m_bPlaying == 1) {
        StopPlayback();
        return;
    }
    m_pFramePane->SetLatched(CFrameButtonStrip::BTN_NONE);
    AddNewFrame();
}

void CFrameCommands::OnDeleteFrame()
{
    if (StopsPlayback())
        return;
    CFramePaneView* pList = m_pFramePane->List();
    if (pList->count() <= 1) {
        GwMessageBox(m_pParent, QString::fromLatin1(gw::IDS_KEEP_ONE_FRAME));
        return;
    }
    m_view.EndPendingEdit();
    // The frame goes into the frame history, whence Undo Frame Change
    // brings it back with its cells and its own history.
    if (!m_doc.RemoveFrame(CurrentKey())) {
        GwMessageBox(m_pParent, QStringLiteral("This frame could not be deleted."));
        return;
    }
    // The first frame becomes current; the focus highlight moves to it and
    // nothing is selected.
    m_doc.SelectFrame(m_doc.GetFrames().begin()->first);
    ShowFrames(EShow::FocusOnly);
}

void CFrameCommands::SelectFrameItem(int nIndex)
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
    m_view.EndPendingEdit();
    m_view.SetSelectionRect(QRect());
    m_nCurFrameItem = nIndex;
    m_doc.SelectFrame(KeyOf(pList->ItemData(nIndex)));
    m_view.SetCells(m_doc.GetCurCells());
    m_doc.RestIdleFrames(); // the view has let go of the frame it showed
    m_view.RebuildLayers();
    m_view.Refresh(CArtView::REFRESH_ALL);
    m_host.UpdateCommandUI();
}
