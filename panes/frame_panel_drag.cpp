// Reordering the frames by dragging a thumbnail. The drag stays inside the
// list (no drag object): a marker between items shows where the frame would
// go, the release asks the host to move it, Escape cancels.
#include "panes/frame_panel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor DROP_MARKER(0x1E, 0x88, 0xE5);
constexpr int MARKER_WIDTH = 3;
} // namespace

// The gap nearest the point, counted as the position the dragged item
// would take if the list did not hold it: 0 before the first item,
// count() after the last.
int CFramePaneView::DropPositionAt(const QPoint& pt) const
{
    const int nCount = count();
    for (int i = 0; i < nCount; ++i) {
        const QRect rc = ItemRect(i);
        if (pt.x() < rc.center().x())
            return i;
    }
    return nCount;
}

void CFramePaneView::mousePressEvent(QMouseEvent* pEvent)
{
    m_bDragCancelled = false;
    QListView::mousePressEvent(pEvent);
    const QModelIndex idx = indexAt(pEvent->position().toPoint());
    m_nDragFrom = pEvent->button() == Qt::LeftButton && idx.isValid() ? idx.row() : -1;
    m_ptPress = pEvent->position().toPoint();
}

void CFramePaneView::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (m_nDragFrom < 0 || !(pEvent->buttons() & Qt::LeftButton)) {
        QListView::mouseMoveEvent(pEvent);
        return;
    }
    const QPoint pt = pEvent->position().toPoint();
    if (!m_bDragging && (pt - m_ptPress).manhattanLength() < QApplication::startDragDistance())
        return;
    m_bDragging = true;
    const int nAt = DropPositionAt(pt);
    if (nAt != m_nDropAt) {
        m_nDropAt = nAt;
        viewport()->update();
    }
}

void CFramePaneView::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (m_bDragCancelled) {
        // The rest of a cancelled drag selects nothing either.
        m_bDragCancelled = false;
        pEvent->accept();
        return;
    }
    if (!m_bDragging) {
        m_nDragFrom = -1;
        QListView::mouseReleaseEvent(pEvent);
        return;
    }
    const int nFrom = m_nDragFrom;
    // A gap after the item itself leaves it where it is.
    int nTo = m_nDropAt > nFrom ? m_nDropAt - 1 : m_nDropAt;
    EndDrag();
    auto* pBar = qobject_cast<CFramePaneBar*>(parentWidget());
    if (nTo >= 0 && nTo != nFrom && pBar && pBar->Host())
        pBar->Host()->MoveFrameItem(nFrom, nTo);
    pEvent->accept();
}

void CFramePaneView::keyPressEvent(QKeyEvent* pEvent)
{
    if (m_bDragging && pEvent->key() == Qt::Key_Escape) {
        EndDrag();
        m_bDragCancelled = true;
        pEvent->accept();
        return;
    }
    QListView::keyPressEvent(pEvent);
}

void CFramePaneView::EndDrag()
{
    m_bDragging = false;
    m_nDragFrom = -1;
    m_nDropAt = -1;
    viewport()->update();
}

void CFramePaneView::paintEvent(QPaintEvent* pEvent)
{
    QListView::paintEvent(pEvent);
    if (!m_bDragging || m_nDropAt < 0 || count() == 0)
        return;
    // A bar in the gap: left of the item at the position, or right of the last.
    const bool bAfterLast = m_nDropAt >= count();
    const QRect rc = ItemRect(bAfterLast ? count() - 1 : m_nDropAt);
    const int nX = bAfterLast ? rc.right() + spacing() / 2 : rc.left() - spacing() / 2;
    QPainter painter(viewport());
    painter.fillRect(QRect(nX - MARKER_WIDTH / 2, rc.top(), MARKER_WIDTH, rc.height()), DROP_MARKER);
}
