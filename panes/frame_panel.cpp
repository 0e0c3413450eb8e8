#include "panes/frame_panel.h"

#include "panes/frame_list_model.h"
#include "panes/frame_strip.h"
#include "res/app_strings.h"
#include "res/bar_layout.h"
#include "res/command_table.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPalette>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTimerEvent>

namespace {

// The panel's grey, 0x00AAAAAA.
const QColor PANEL_GREY(0xAA, 0xAA, 0xAA);
// An icon-mode item is its icon and its text line plus a few pixels of margin.
constexpr int TITLE_MARGIN = 4;

} // namespace

CFramePaneView::CFramePaneView(QWidget* pParent)
    : QListView(pParent), m_pModel(new CFrameListModel(this))
{
    setObjectName(QStringLiteral("Frame Panel"));
    setModel(m_pModel);
    setViewMode(QListView::IconMode);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFlow(QListView::LeftToRight);
    // One row at any frame count: a wrapped list shows only the titles of
    // its top row in a dock this short. More frames scroll sideways.
    setWrapping(false);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setIconSize(QSize(THUMB_SIZE, THUMB_SIZE));
    setUniformItemSizes(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, PANEL_GREY);
    pal.setColor(QPalette::Window, PANEL_GREY);
    setPalette(pal);
    setAutoFillBackground(true);
    // One row of thumbnails with their one-line titles fits above the
    // horizontal scroll bar, and no more: the dock's default height is this.
    setSpacing(4);
    setMinimumHeight(THUMB_SIZE + fontMetrics().height() + TITLE_MARGIN + 2 * spacing() +
                     2 * frameWidth() +
                     style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CFramePaneView::OnSelectionChanged);
}

CFramePaneView::~CFramePaneView() = default;

void CFramePaneView::SetThumbnailSource(ThumbnailSource fnSource)
{
    m_pModel->SetSource(std::move(fnSource));
}

int CFramePaneView::AddThumbnail(const QImage& img)
{
    return m_pModel->AddImage(img);
}

void CFramePaneView::SetThumbnail(int nImage, const QImage& img)
{
    m_pModel->SetImage(nImage, img);
}

void CFramePaneView::DeferThumbnail(int nImage, std::function<QImage()> fnMake)
{
    m_pModel->DeferImage(nImage, std::move(fnMake));
}

int CFramePaneView::ThumbnailCount() const
{
    return m_pModel->ImageCount();
}

const QPixmap& CFramePaneView::Thumbnail(int nImage) const
{
    return m_pModel->Image(nImage);
}

int CFramePaneView::PendingThumbnailCount() const
{
    return m_pModel->PendingCount();
}

int CFramePaneView::MakePendingThumbnails(int nMax)
{
    // The items in view first, then onwards from there.
    const QModelIndex idxFirst = indexAt(QPoint(spacing() + 1, spacing() + 1));
    int nFrom = idxFirst.isValid() ? static_cast<int>(m_pModel->RowData(idxFirst.row()) & 0xFFFF) : 0;
    for (int i = 0; i < nMax; ++i) {
        const int nImage = m_pModel->NextPending(nFrom);
        if (nImage < 0)
            break;
        m_pModel->Image(nImage);
        nFrom = nImage;
    }
    return m_pModel->PendingCount();
}

void CFramePaneView::RenewThumbnails()
{
    m_pModel->RenewImages();
    ScheduleThumbnails();
}

void CFramePaneView::ScheduleThumbnails()
{
    if (m_nIdleTimer == 0 && m_pModel->PendingCount() > 0)
        m_nIdleTimer = startTimer(0);
}

void CFramePaneView::timerEvent(QTimerEvent* pEvent)
{
    if (pEvent->timerId() != m_nIdleTimer) {
        QListView::timerEvent(pEvent);
        return;
    }
    // A few at a time, so input is never kept waiting; the rest are made
    // when shown. No more than the image budget is made ahead of need.
    const bool bRoom = m_pModel->MadeCount() < CFrameListModel::IMAGE_BUDGET;
    if (!bRoom || MakePendingThumbnails(16) == 0) {
        killTimer(m_nIdleTimer);
        m_nIdleTimer = 0;
    }
}

int CFramePaneView::count() const
{
    return m_pModel->rowCount();
}

int CFramePaneView::AppendItem(int nImage)
{
    return m_pModel->AppendRow(static_cast<quint32>(nImage & 0xFFFF), QString());
}

void CFramePaneView::AppendPendingItems(const std::vector<quint32>& vData)
{
    m_pModel->AppendPendingRows(vData, QString::fromLatin1(gw::IDS_FRAME_FORMAT_QT));
    ScheduleThumbnails();
}

void CFramePaneView::SetItemData(int nIndex, quint32 nData)
{
    m_pModel->SetRowData(nIndex, nData);
}

quint32 CFramePaneView::ItemData(int nIndex) const
{
    return m_pModel->RowData(nIndex);
}

void CFramePaneView::SetItemText(int nIndex, const QString& strText)
{
    m_pModel->SetRowText(nIndex, strText);
}

QString CFramePaneView::ItemText(int nIndex) const
{
    return m_pModel->RowText(nIndex);
}

QRect CFramePaneView::ItemRect(int nIndex) const
{
    return visualRect(m_pModel->index(nIndex));
}

void CFramePaneView::RenumberItems()
{
    m_pModel->SetAllTexts(QString::fromLatin1(gw::IDS_FRAME_FORMAT_QT));
}

void CFramePaneView::SelectItem(int nIndex)
{
    if (nIndex < 0 || nIndex >= count()) {
        return;
    }
    const QModelIndex idx = m_pModel->index(nIndex);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
    scrollTo(idx);
}

void CFramePaneView::SetCurrentItem(int nIndex)
{
    if (nIndex < 0 || nIndex >= count()) {
        return;
    }
    const QModelIndex idx = m_pModel->index(nIndex);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::NoUpdate);
    scrollTo(idx);
}

void CFramePaneView::scrollTo(const QModelIndex& idx, ScrollHint hint)
{
    QListView::scrollTo(idx, hint);
    // QListView stops one pixel short of an item beyond the right edge.
    const int nOver = visualRect(idx).right() - viewport()->rect().right();
    if (hint == EnsureVisible && nOver > 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + nOver);
}

void CFramePaneView::DeleteItem(int nIndex)
{
    if (nIndex < 0 || nIndex >= count()) {
        return;
    }
    m_bQuiet = true;
    m_pModel->RemoveRow(nIndex);
    clearSelection();
    m_nLastSelected = -1;
    m_bQuiet = false;
}

void CFramePaneView::SetItems(const std::vector<quint32>& vData)
{
    m_bQuiet = true;
    m_pModel->SetRows(vData, QString::fromLatin1(gw::IDS_FRAME_FORMAT_QT));
    clearSelection();
    m_nLastSelected = -1;
    m_bQuiet = false;
    ScheduleThumbnails();
}

void CFramePaneView::MoveItem(int nFrom, int nTo)
{
    m_bQuiet = true;
    m_pModel->MoveRow(nFrom, nTo, QString::fromLatin1(gw::IDS_FRAME_FORMAT_QT));
    SelectItem(nTo);
    m_nLastSelected = nTo;
    m_bQuiet = false;
}

void CFramePaneView::RemoveAll()
{
    m_bQuiet = true;
    m_pModel->Clear();
    m_nLastSelected = -1;
    m_bQuiet = false;
}

int CFramePaneView::SelectedIndex() const
{
    const QModelIndexList vRows = selectionModel()->selectedIndexes();
    return vRows.isEmpty() ? -1 : vRows.first().row();
}

void CFramePaneView::OnSelectionChanged()
{
    const int nIndex = SelectedIndex();
    if (m_bQuiet) {
        m_nLastSelected = nIndex;
        return;
    }
    // Only a newly selected item is news; losing the selection is not.
    if (nIndex >= 0 && nIndex != m_nLastSelected) {
        m_nLastSelected = nIndex;
        emit FrameItemSelected(nIndex);
    }
    m_nLastSelected = nIndex;
}

std::unique_ptr<QMenu> CFramePaneView::MakeFrameMenu(IFramePanelHost* pHost)
{
    auto pMenu = std::make_unique<QMenu>(this);
    pMenu->setObjectName(QStringLiteral("FrameRClick"));
    for (int nId : gw::kFrameMenu) {
        if (nId == gw::ID_SEPARATOR) {
            pMenu->addSeparator();
            continue;
        }
        QString strText;
        if (nId == gw::ID_DELETE_FRAME) {
            strText = QString::fromLatin1(gw::IDS_FRAMEMENU_DELETE_FRAME);
        } else if (const gw::SCommandInfo* pInfo = gw::FindCommand(nId)) {
            strText = gw::MenuLabel(*pInfo);
        }
        QAction* pAction = pMenu->addAction(gw::CommandIcon(nId), strText);
        pAction->setData(nId);
        connect(pAction, &QAction::triggered, this, [pHost, nId] {
            if (pHost) {
                pHost->RunFrameCommand(nId);
            }
        });
    }
    return pMenu;
}

void CFramePaneView::contextMenuEvent(QContextMenuEvent* pEvent)
{
    auto* pBar = qobject_cast<CFramePaneBar*>(parentWidget());
    std::unique_ptr<QMenu> pMenu = MakeFrameMenu(pBar ? pBar->Host() : nullptr);
    pMenu->exec(pEvent->globalPos());
    pEvent->accept();
}

CFramePaneBar::CFramePaneBar(IFramePanelHost* pHost, QWidget* pParent)
    : QWidget(pParent), m_pHost(pHost)
{
    m_pList = new CFramePaneView(this);
    m_pStrip = new CFrameButtonStrip(this);
    m_pStrip->setObjectName(QStringLiteral("Hi"));
    setMinimumSize(m_pStrip->minimumWidth(), STRIP_HEIGHT + m_pList->minimumHeight());
    connect(m_pList, &CFramePaneView::FrameItemSelected, this, [this](int nIndex) {
        m_nCurFrameNo = nIndex + 1;
        RepaintStrip();
        if (m_pHost) {
            m_pHost->SelectFrameItem(nIndex);
        }
    });
}

void CFramePaneBar::SetLatched(int nId)
{
    m_pStrip->SetLatched(nId);
    RepaintStrip();
}

void CFramePaneBar::RepaintStrip()
{
    m_pStrip->update();
}

void CFramePaneBar::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    const int nListHeight = qMax(0, height() - STRIP_HEIGHT);
    m_pList->setGeometry(0, 0, width(), nListHeight);
    m_pStrip->setGeometry(0, nListHeight, width(), STRIP_HEIGHT);
}
