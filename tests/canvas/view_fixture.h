// A document with one frame, a view on it and a host that records what the
// view tells the main window.
#pragma once

#include "canvas/art_view.h"
#include "canvas/canvas_color.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/view_host.h"
#include "core/art_doc.h"
#include "core/edit_bracket.h"

#include <QCoreApplication>
#include <QImage>
#include <QStringList>

#include <memory>
#include <vector>

struct CRecordingHost : IViewHost {
    int GetCurTool() const override { return m_nTool; }
    void SetCurTool(int nTool) override
    {
        m_nTool = nTool;
        ++m_nSetToolCalls;
    }
    int GetSelectMode() const override { return m_nSelectMode; }
    void OpenCanvasMenu(const QPoint& /*ptGlobal*/) override { ++m_nMenus; }
    void SetStatusPosText(const QString& strText) override { m_vStatus << strText; }
    void RefreshFrameThumbnail() override { ++m_nThumbnailRefreshes; }
    void UpdateRulers(ERulerUpdate nMode, const CRulerState& state) override
    {
        m_vRulerModes.push_back(nMode);
        m_ptRulerScroll = {state.nScrollX, state.nScrollY};
    }
    void AddFirstFrame(int nFrameKey, const QImage& imgThumb) override
    {
        m_nFirstFrameKey = nFrameKey;
        m_imgFirstFrame = imgThumb;
    }

    int m_nTool = 0;
    int m_nSetToolCalls = 0;
    int m_nSelectMode = 1; // TOOL_SELECT_TRANSPARENT
    int m_nMenus = 0;
    QStringList m_vStatus;
    int m_nThumbnailRefreshes = 0;
    std::vector<int> m_vRulerModes;
    QPoint m_ptRulerScroll;
    int m_nFirstFrameKey = -1;
    QImage m_imgFirstFrame;
};

struct CViewFixture {
    explicit CViewFixture(int nRows = 40, int nCols = 60, QSize szView = {400, 300})
    {
        m_doc.SetCanvasSize(nRows, nCols);
        m_doc.OnNewDocument();
        m_pView = std::make_unique<CArtView>(m_doc, &m_host);
        RegisterStandardTools(*m_pView);
        m_pView->resize(szView);
        m_pView->show();
        QCoreApplication::processEvents();
        m_pView->OnInitialUpdate();
    }
    ~CViewFixture() { m_pView.reset(); }

    CArtView& View() { return *m_pView; }

    // One recorded edit of one cell, as a tool would make it.
    void WriteCell(int nIndex, uint8_t ch, COLORREF cr)
    {
        CEditBracket bracket(m_doc);
        bracket.BeginEdit();
        m_doc.GetCurCells()[nIndex].chChar = ch;
        m_doc.GetCurCells()[nIndex].crColor = cr;
        bracket.EndEdit();
    }

    // Pixels of a cell in the text layer that are not the background.
    int InkInCell(int nCol, int nRow)
    {
        const QImage& img = m_pView->TextLayer();
        const QRgb rgbBack = ColorRefToRgb(m_pView->GetBackColor());
        int nInk = 0;
        for (int y = 0; y < m_pView->GetCellHeight(); ++y)
            for (int x = 0; x < m_pView->GetCellWidth(); ++x)
                nInk += img.pixel(nCol * m_pView->GetCellWidth() + x,
                                  nRow * m_pView->GetCellHeight() + y) != rgbBack;
        return nInk;
    }

    CRecordingHost m_host;
    CArtDoc m_doc;
    std::unique_ptr<CArtView> m_pView;
};
