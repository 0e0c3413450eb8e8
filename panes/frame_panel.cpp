#include "panes/frame_panel.h"

#include "panes/frame_strip.h"
#include "res/app_strings.h"
#include "res/bar_layout.h"
#include "res/command_table.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPalette>
#include <QResizeEvent>

namespace {

// The panel's grey, 0x00AAAAAA.
const QColor PANEL_GREY(0xAA, 0xAA, 0xAA);

QString FrameTitle(int nPosition)
{
    return QString::fromLatin1(gw::IDS_FRAME_FORMAT_QT).arg(nPosition);
}

} // namespace

CFramePaneView::CFramePaneView(QWidget* pParent) : QListWidget(pParent)
{
    setObjectName(QStringLiteral("Frame Panel"));
    setViewMode(QListView::IconMode);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFlow(QListView::LeftToRight);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setIconSize(QSize(THUMB_SIZE, THUMB_SIZE));
    setUniformItemSizes(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, PANEL_GREY);
    pal.setColor(QPalette::Window, PANEL_GREY);
    setPalette(pal);
    setAutoFillBackground(true);
    // One row of thumbnails with their titles always fits.
    setSpacing(4);
    setMinimumHeight(THUMB_SIZE + 2 * fontMetrics().height() + 4 * spacing() + 2 * frameWidth());
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CFramePaneView::OnSelectionChanged);
}

int CFramePaneView::AddThumbnail(const QImage& img)
{
    m_vImages.push_back(QPixmap::fromImage(img));
    return static_cast<int>(m_vImages.size()) - 1;
}

void CFramePaneView::SetThumbnail(int nImage, const QImage& img)
{
    if (nImage < 0 || nImage >= ThumbnailCount()) {
        return;
    }
    m_vImages[static_cast<std::size_t>(nImage)] = QPixmap::fromImage(img);
    const QIcon icon(m_vImages[static_cast<std::size_t>(nImage)]);
    for (int i = 0; i < count(); ++i) {
        if (static_cast<int>(ItemData(i) & 0xFFFF) == nImage) {
            item(i)->setIcon(icon);
        }
    }
}

const QPixmap& CFramePaneView::Thumbnail(int nImage) const
{
    static const QPixmap empty;
    if (nImage < 0 || nImage >= ThumbnailCount()) {
        return empty;
    }
    return m_vImages[static_cast<std::size_t>(nImage)];
}

int CFramePaneView::AppendItem(int nImage)
{
    auto* pItem = new QListWidgetItem(QIcon(Thumbnail(nImage)), QString());
    pItem->setData(DATA_ROLE, static_cast<quint32>(nImage & 0xFFFF));
    addItem(pItem);
    return count() - 1;
}

void CFramePaneView::SetItemData(int nIndex, quint32 nData)
{
    if (QListWidgetItem* pItem = item(nIndex)) {
        pItem->setData(DATA_ROLE, nData);
    }
}

quint32 CFramePaneView::ItemData(int nIndex) const
{
    const QListWidgetItem* pItem = item(nIndex);
    return pItem ? pItem->data(DATA_ROLE).toUInt() : 0;
}

void CFramePaneView::RenumberItems()
{
    for (int i = 0; i < count(); ++i) {
        item(i)->setText(FrameTitle(i + 1));
    }
}

void CFramePaneView::SelectItem(int nIndex)
{
    if (nIndex < 0 || nIndex >= count()) {
        return;
    }
    setCurrentRow(nIndex, QItemSelectionModel::ClearAndSelect);
}

void CFramePaneView::DeleteItem(int nIndex)
{
    if (nIndex < 0 || nIndex >= count()) {
        return;
    }
    m_bQuiet = true;
    delete takeItem(nIndex);
    clearSelection();
    m_nLastSelected = -1;
    m_bQuiet = false;
}

void CFramePaneView::RemoveAll()
{
    m_bQuiet = true;
    clear();
    m_vImages.clear();
    m_nLastSelected = -1;
    m_bQuiet = false;
}

int CFramePaneView::SelectedIndex() const
{
    const QList<QListWidgetItem*> vItems = selectedItems();
    return vItems.isEmpty() ? -1 : row(vItems.first());
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
