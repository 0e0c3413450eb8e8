// Driving the view's tools with mouse events, at cell centres or at exact
// canvas pixels, and reading back what the current frame holds.
#pragma once

#include "canvas/tool_codes.h"
#include "view_fixture.h"

#include <QMouseEvent>

#include <set>
#include <utility>

using CellSet = std::set<std::pair<int, int>>;

// A canvas pixel as a client point of the view.
inline QPoint ClientOf(CArtView& view, QPoint ptCanvas)
{
    return ptCanvas - QPoint(view.GetScrollX(), view.GetScrollY());
}

inline QPoint CellCentre(CArtView& view, int nCol, int nRow)
{
    return ClientOf(view, {nCol * view.GetCellWidth() + view.GetCellWidth() / 2,
                           nRow * view.GetCellHeight() + view.GetCellHeight() / 2});
}

inline void SendAt(CArtView& view, QEvent::Type type, QPoint ptClient, Qt::MouseButton button,
                   Qt::MouseButtons buttons)
{
    QMouseEvent ev(type, QPointF(ptClient), QPointF(view.viewport()->mapToGlobal(ptClient)), button,
                   buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &ev);
}

inline void Send(CArtView& view, QEvent::Type type, int nCol, int nRow, Qt::MouseButton button,
                 Qt::MouseButtons buttons)
{
    SendAt(view, type, CellCentre(view, nCol, nRow), button, buttons);
}

inline void Press(CArtView& view, int nCol, int nRow, Qt::MouseButton button = Qt::LeftButton)
{
    Send(view, QEvent::MouseButtonPress, nCol, nRow, button, button);
}
inline void Move(CArtView& view, int nCol, int nRow, Qt::MouseButtons buttons = Qt::LeftButton)
{
    Send(view, QEvent::MouseMove, nCol, nRow, Qt::NoButton, buttons);
}
inline void Release(CArtView& view, int nCol, int nRow, Qt::MouseButton button = Qt::LeftButton)
{
    Send(view, QEvent::MouseButtonRelease, nCol, nRow, button, Qt::NoButton);
}
inline void Click(CArtView& view, int nCol, int nRow, Qt::MouseButton button = Qt::LeftButton)
{
    Press(view, nCol, nRow, button);
    Release(view, nCol, nRow, button);
}
// Press at the first cell, move through the others, release at the last.
inline void Drag(CArtView& view, std::initializer_list<QPoint> cells)
{
    const QPoint* pCell = cells.begin();
    Press(view, pCell->x(), pCell->y());
    for (++pCell; pCell != cells.end(); ++pCell)
        Move(view, pCell->x(), pCell->y());
    Release(view, (cells.end() - 1)->x(), (cells.end() - 1)->y());
}

inline void ChooseTool(CViewFixture& fx, int nTool)
{
    fx.m_host.m_nTool = nTool;
    if (IsFreehandTool(nTool))
        fx.View().Drawing().SetBrushWidth(nTool - TOOL_FREEHAND_1 + 1);
    fx.View().OnToolChanged();
}

// Cells of the current frame that are not spaces.
inline CellSet Inked(const CArtDoc& doc)
{
    CellSet s;
    for (int r = 0; r < doc.GetRows(); ++r)
        for (int c = 0; c < doc.GetCols(); ++c)
            if (doc.GetCurCells()[r * doc.GetCols() + c].chChar != ' ')
                s.emplace(c, r);
    return s;
}

inline CellSet Square(int nCol0, int nRow0, int nCol1, int nRow1)
{
    CellSet s;
    for (int r = nRow0; r <= nRow1; ++r)
        for (int c = nCol0; c <= nCol1; ++c)
            s.emplace(c, r);
    return s;
}

inline uint8_t CharAt(const CArtDoc& doc, int nCol, int nRow)
{
    return doc.GetCurCells()[nRow * doc.GetCols() + nCol].chChar;
}

inline COLORREF ColorAt(const CArtDoc& doc, int nCol, int nRow)
{
    return doc.GetCurCells()[nRow * doc.GetCols() + nCol].crColor;
}

inline int UndoAll(CArtDoc& doc)
{
    int nSteps = 0;
    while (doc.CanUndo() && doc.OnEditUndo())
        ++nSteps;
    return nSteps;
}

// Adds a blank second frame and makes it current in the document and the view.
inline int AddFrame(CViewFixture& fx)
{
    fx.m_doc.NewFrame();
    const int nKey = fx.m_doc.RegisterFrame();
    fx.View().SetCells(fx.m_doc.GetCurCells());
    fx.View().ClearCanvas();
    return nKey;
}

inline void ShowFrame(CViewFixture& fx, int nKey)
{
    fx.m_doc.SelectFrame(nKey);
    fx.View().SetCells(fx.m_doc.GetCurCells());
}
