#include "canvas/ruler_splitter.h"

#include "canvas/art_view.h"
#include "canvas/ruler_corner_view.h"
#include "canvas/ruler_view.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

const QColor CR_BAR = QColor::fromRgb(0x5B5B5B);

} // namespace

CRulerSplitter::CRulerSplitter(QWidget* pParent)
    : QWidget(pParent), m_pCorner(new CRulerCornerView(this)), m_pHorz(new CRulerView(this)),
      m_pVert(new CRulerView(this))
{
    m_pHorz->SetOrientation(CRulerView::HORIZONTAL);
    m_pVert->SetOrientation(CRulerView::VERTICAL);
    setCursor(Qt::ArrowCursor);
    LayoutPanes();
}

void CRulerSplitter::SetCanvasView(CArtView* pView)
{
    m_pView = pView;
    m_pHorz->SetView(pView);
    m_pVert->SetView(pView);
    if (pView) {
        pView->setParent(this);
        pView->show();
        // Whatever gives the splitter the focus gives it to the canvas.
        setFocusProxy(pView);
    }
    LayoutPanes();
}

void CRulerSplitter::ShowRulers()
{
    m_nRulerSize = RULER_SIZE;
    LayoutPanes();
}

void CRulerSplitter::UpdateRulers(int nMode, const CRulerState& state, double dScale)
{
    for (CRulerView* pRuler : {m_pHorz, m_pVert})
        pRuler->Update(nMode, state.nScrollX, state.nScrollY, state.nMouseX, state.nMouseY,
                       state.nCanvasW, state.nCanvasH, dScale);
}

void CRulerSplitter::LayoutPanes()
{
    const int nW = width();
    const int nH = height();
    const bool bShown = m_nRulerSize > 0;
    // With the rulers hidden there is no bar either: the view has it all.
    const int nStart = bShown ? m_nRulerSize + BAR_SIZE : 0;
    const int nRestW = std::max(0, nW - nStart);
    const int nRestH = std::max(0, nH - nStart);

    m_pCorner->setGeometry(0, 0, m_nRulerSize, m_nRulerSize);
    m_pHorz->setGeometry(nStart, 0, nRestW, m_nRulerSize);
    m_pVert->setGeometry(0, nStart, m_nRulerSize, nRestH);
    m_pCorner->setVisible(bShown);
    m_pHorz->setVisible(bShown);
    m_pVert->setVisible(bShown);
    if (m_pView)
        m_pView->setGeometry(nStart, nStart, nRestW, nRestH);
    update();
}

void CRulerSplitter::resizeEvent(QResizeEvent* /*pEvent*/)
{
    LayoutPanes();
}

void CRulerSplitter::paintEvent(QPaintEvent* /*pEvent*/)
{
    if (m_nRulerSize <= 0)
        return;
    QPainter painter(this);
    painter.fillRect(0, m_nRulerSize, width(), BAR_SIZE, CR_BAR);
    painter.fillRect(m_nRulerSize, 0, BAR_SIZE, height(), CR_BAR);
}

void CRulerSplitter::mousePressEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
}

void CRulerSplitter::mouseMoveEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
}

void CRulerSplitter::mouseReleaseEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
}

void CRulerSplitter::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
}
