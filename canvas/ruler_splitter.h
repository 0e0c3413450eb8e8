// The fixed two-by-two frame around the canvas: the corner at the top left,
// the horizontal ruler above the canvas view, the vertical ruler to its left.
// The rulers start hidden (0 pixels) and get their 16 pixels once the view
// has a drawing to show. The bars between the panes cannot be dragged: the
// rulers' size is not the user's to change.
#pragma once

#include "canvas/ruler_state.h"

#include <QWidget>

class CArtView;
class CRulerCornerView;
class CRulerView;

class CRulerSplitter : public QWidget {
    Q_OBJECT

public:
    // Creates the corner and both rulers, the rulers hidden.
    explicit CRulerSplitter(QWidget* pParent = nullptr);

    // The canvas view goes into the bottom-right pane and becomes what
    // both rulers measure; the splitter's focus passes to it.
    void SetCanvasView(CArtView* pView);
    CArtView* CanvasView() const { return m_pView; }

    // Row 0 and column 0 become RULER_SIZE pixels.
    void ShowRulers();
    // Passed on to both rulers (CRulerView::Update).
    void UpdateRulers(int nMode, const CRulerState& state, double dScale = 1.0);

    CRulerCornerView* Corner() const { return m_pCorner; }
    CRulerView* HorzRuler() const { return m_pHorz; }
    CRulerView* VertRuler() const { return m_pVert; }
    // Height of row 0 and width of column 0: 0 until ShowRulers.
    int RulerThickness() const { return m_nRulerSize; }

    static constexpr int RULER_SIZE = 16;
    static constexpr int BAR_SIZE = 1;

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    // The bars are not handles: presses and moves on them do nothing.
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

private:
    void LayoutPanes();

    CRulerCornerView* m_pCorner = nullptr;
    CRulerView* m_pHorz = nullptr;
    CRulerView* m_pVert = nullptr;
    CArtView* m_pView = nullptr;
    int m_nRulerSize = 0;
};
