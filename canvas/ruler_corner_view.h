// The square where the two rulers meet: a sample letter in the drawing's
// current character and background colours, so the user sees the pair the
// next strokes will use. The colours are kept as the user chose them (pure
// black included); only the canvas turns black into near black.
#pragma once

#include "core/char_cell.h"

#include <QFont>
#include <QWidget>

class CRulerCornerView : public QWidget {
    Q_OBJECT

public:
    explicit CRulerCornerView(QWidget* pParent = nullptr);

    // Both only store the colour; the caller repaints (update()) when done.
    void SetTextColor(COLORREF cr) { m_crText = cr & 0xFFFFFFu; }
    void SetBackColor(COLORREF cr) { m_crBack = cr & 0xFFFFFFu; }
    COLORREF TextColor() const { return m_crText; }
    COLORREF BackColor() const { return m_crBack; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    QFont m_font;
    COLORREF m_crText = 0x010101;
    COLORREF m_crBack = 0xFFFFFF;
};
