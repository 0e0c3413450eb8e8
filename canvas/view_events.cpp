// CArtView: mouse, key, focus and timer events, routed to the tool of the
// current tool code; the status text of the cell under the mouse.
#include "canvas/art_view.h"

#include "canvas/view_host.h"

#include <QKeyEvent>
#include <QMouseEvent>

CToolMouseEvent CArtView::MakeToolEvent(const QMouseEvent& ev) const
{
    CToolMouseEvent te;
    te.ptClient = ev.position().toPoint();
    te.ptCanvas = te.ptClient + QPoint(m_nScrollX, m_nScrollY);
    const QPoint ptCell = m_geom.PixelToCell(te.ptCanvas);
    te.nCol = ptCell.x();
    te.nRow = ptCell.y();
    te.bOnCanvas = m_geom.IsOnCanvas(te.ptCanvas);
    te.button = ev.button();
    te.buttons = ev.buttons();
    te.modifiers = ev.modifiers();
    return te;
}

void CArtView::mousePressEvent(QMouseEvent* pEvent)
{
    m_bButtonDown = true;
    m_ptMouse = pEvent->position().toPoint();
    if (m_tracker.IsTracking()) {
        // The right button ends tracking; other presses wait for its end.
        if (pEvent->button() == Qt::RightButton)
            m_tracker.OnRightButton();
        UpdateCursor();
        return;
    }
    if (CViewTool* pTool = GetTool(CurTool()))
        pTool->OnMousePress(*this, MakeToolEvent(*pEvent));
    UpdateCursor();
}

void CArtView::mouseMoveEvent(QMouseEvent* pEvent)
{
    CToolMouseEvent te = MakeToolEvent(*pEvent);
    m_ptMouse = te.ptClient;
    // The tracker takes the mouse as it is, beyond the canvas too; it keeps
    // its rectangle inside by its own rules.
    const bool bTracking = m_tracker.IsTracking();
    if (bTracking)
        m_tracker.OnMouseMove(te.ptCanvas);
    // Beyond the canvas the mouse counts as over the nearest edge cell.
    te.ptCanvas = m_geom.ClampToCanvas(te.ptCanvas);
    te.ptClient = te.ptCanvas - QPoint(m_nScrollX, m_nScrollY);
    const QPoint ptCell = m_geom.PixelToCell(te.ptCanvas);
    te.nCol = ptCell.x();
    te.nRow = ptCell.y();
    te.bOnCanvas = m_geom.IsOnCanvas(te.ptCanvas);
    if (CViewTool* pTool = GetTool(CurTool()); pTool && !bTracking)
        pTool->OnMouseMove(*this, te);
    ReportCell(ptCell);
    UpdateCursor();
    if (m_pHost)
        m_pHost->UpdateRulers(IViewHost::RULER_MOUSE, RulerState(te.ptClient));
}

void CArtView::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->buttons() == Qt::NoButton)
        m_bButtonDown = false;
    m_ptMouse = pEvent->position().toPoint();
    if (m_tracker.IsTracking()) {
        if (pEvent->button() == Qt::LeftButton)
            m_tracker.OnLeftButtonUp();
    } else if (CViewTool* pTool = GetTool(CurTool())) {
        pTool->OnMouseRelease(*this, MakeToolEvent(*pEvent));
    }
    UpdateCursor();
    // Shapes and blocks are made and moved by gestures that end here.
    if (m_pHost && (m_selection.IsFloating() || m_shapes.IsPending()))
        m_pHost->PendingWorkChanged();
}

void CArtView::focusOutEvent(QFocusEvent* pEvent)
{
    // Losing focus in the middle of a gesture ends it, as a lost capture does.
    if (m_tracker.IsTracking())
        m_tracker.OnCaptureLost();
    if (m_bButtonDown) {
        m_bButtonDown = false;
        if (CViewTool* pTool = GetTool(CurTool()))
            pTool->OnCaptureLost(*this);
    }
    QAbstractScrollArea::focusOutEvent(pEvent);
}

void CArtView::keyPressEvent(QKeyEvent* pEvent)
{
    if (m_tracker.IsTracking()) {
        // Escape ends tracking where the rectangle is; other keys wait.
        if (pEvent->key() == Qt::Key_Escape)
            m_tracker.OnEscape();
        pEvent->accept();
        return;
    }
    // Escape drops a floating block, whatever the tool.
    if (pEvent->key() == Qt::Key_Escape && m_selection.IsFloating()) {
        m_selection.DropAndForgetRects();
        pEvent->accept();
        return;
    }
    CViewTool* pTool = GetTool(CurTool());
    if (!pTool || !pTool->OnKeyPress(*this, *pEvent))
        QAbstractScrollArea::keyPressEvent(pEvent);
}

void CArtView::keyReleaseEvent(QKeyEvent* pEvent)
{
    CViewTool* pTool = GetTool(CurTool());
    if (!pTool || !pTool->OnKeyRelease(*this, *pEvent))
        QAbstractScrollArea::keyReleaseEvent(pEvent);
}

void CArtView::timerEvent(QTimerEvent* pEvent)
{
    if (CViewTool* pTool = GetTool(CurTool()))
        pTool->OnTimer(*this, pEvent->timerId());
}

void CArtView::ReportCell(QPoint ptCell)
{
    if (ptCell == m_ptLastCell)
        return;
    m_ptLastCell = ptCell;
    if (m_pHost)
        m_pHost->SetStatusPosText(
            QStringLiteral("Row:%1,Col:%2").arg(ptCell.y() + 1).arg(ptCell.x() + 1));
}
