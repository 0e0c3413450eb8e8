// What the tool benchmarks share: a blank 80 x 128 drawing on a shown
// 800 x 600 view at the default zoom, and mouse events sent through its
// viewport as the window system would deliver them.
#pragma once

#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/view_host.h"
#include "core/art_doc.h"

#include <QCoreApplication>
#include <QMouseEvent>

#include <algorithm>
#include <memory>
#include <vector>

namespace gwviewbench {

struct CToolHost : IViewHost {
    int GetCurTool() const override { return m_nTool; }
    int m_nTool = TOOL_CURSOR;
};

struct CToolBench {
    CToolBench()
    {
        m_doc.SetCanvasSize(MAX_ROWS, MAX_COLS);
        m_doc.OnNewDocument();
        m_pView = std::make_unique<CArtView>(m_doc, &m_host);
        RegisterStandardTools(*m_pView);
        m_pView->resize(800, 600);
        m_pView->show();
        QCoreApplication::processEvents();
        m_pView->OnInitialUpdate();
        m_pView->SetLeftChar('#');
    }
    void Choose(int nTool)
    {
        m_host.m_nTool = nTool;
        m_pView->OnToolChanged();
    }
    void Send(QEvent::Type type, QPoint pt, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent ev(type, QPointF(pt), QPointF(m_pView->viewport()->mapToGlobal(pt)), button,
                       buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(m_pView->viewport(), &ev);
    }
    // A left-button drag in its parts; points are client pixels.
    void Press(QPoint pt) { Send(QEvent::MouseButtonPress, pt, Qt::LeftButton, Qt::LeftButton); }
    void Drag(QPoint pt) { Send(QEvent::MouseMove, pt, Qt::NoButton, Qt::LeftButton); }
    void Release(QPoint pt) { Send(QEvent::MouseButtonRelease, pt, Qt::LeftButton, Qt::NoButton); }
    // The centre of a cell, in client pixels while the view is not scrolled.
    QPoint CellCentre(int nCol, int nRow) const
    {
        const int nCellW = m_pView->GetCellWidth();
        const int nCellH = m_pView->GetCellHeight();
        return {nCol * nCellW + nCellW / 2, nRow * nCellH + nCellH / 2};
    }
    // A left-button drag through the points of vPath, first to last.
    void DragAlong(const std::vector<QPoint>& vPath)
    {
        Press(vPath.front());
        for (size_t i = 1; i < vPath.size(); ++i)
            Drag(vPath[i]);
        Release(vPath.back());
    }
    // A snake of nMoves + 1 cell centres over the visible cells, every move
    // into a new cell.
    std::vector<QPoint> SnakePath(int nMoves) const
    {
        const int nCols = std::min(m_pView->viewport()->width() / m_pView->GetCellWidth(), MAX_COLS) - 1;
        const int nRows = std::min(m_pView->viewport()->height() / m_pView->GetCellHeight(), MAX_ROWS) - 1;
        std::vector<QPoint> vPath;
        for (int i = 0; i <= nMoves; ++i) {
            const int nPass = i / nCols;
            const int nCol = nPass % 2 == 0 ? i % nCols : nCols - 1 - i % nCols;
            vPath.push_back(CellCentre(nCol, nPass % nRows));
        }
        return vPath;
    }

    CToolHost m_host;
    CArtDoc m_doc;
    std::unique_ptr<CArtView> m_pView;
};

} // namespace gwviewbench
