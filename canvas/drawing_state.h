// What the user chose to draw with: the text colour, the brush, the two
// buttons' characters, Auto draw and the mirror, and which button the gesture in
// progress uses. The view owns one; tools read and set it through their
// context. Each setter keeps its value's rule.
#pragma once

#include "canvas/canvas_color.h"
#include "core/cell_algorithms.h"
#include "core/char_cell.h"
#include "core/mirror_writer.h"

#include <algorithm>

class CDrawingState {
public:
    // Colour of new cells, 0x00BBGGRR. Pure black is the layers' key colour
    // and never a drawing colour: near black 0x010101 is stored instead.
    // False when the colour stored did not change.
    COLORREF TextColor() const { return m_crText; }
    bool SetTextColor(COLORREF cr)
    {
        const COLORREF crText = DrawingColor(cr);
        if (crText == m_crText)
            return false;
        m_crText = crText;
        return true;
    }

    // The square brush's side in cells, 1 .. 10.
    int BrushWidth() const { return m_nBrushWidth; }
    void SetBrushWidth(int nWidth)
    {
        m_nBrushWidth = std::clamp(nWidth, MIN_BRUSH_WIDTH, MAX_BRUSH_WIDTH);
    }

    // The characters of the two mouse buttons (the character picker's choice).
    unsigned char LeftChar() const { return m_chLeft; }
    unsigned char RightChar() const { return m_chRight; }
    void SetLeftChar(unsigned char ch) { m_chLeft = ch; }
    void SetRightChar(unsigned char ch) { m_chRight = ch; }

    // The gesture in progress uses the right button, so its character.
    bool IsRightButton() const { return m_bRightButton; }
    void SetRightButton(bool bRight) { m_bRightButton = bRight; }
    unsigned char ButtonChar() const { return m_bRightButton ? m_chRight : m_chLeft; }

    // "Auto draw": strokes and shapes choose their own characters.
    bool IsAutoDraw() const { return m_bAutoDraw; }
    void SetAutoDraw(bool bAuto) { m_bAutoDraw = bAuto; }

    // Mirror drawing: strokes, shapes, fills and typing also write the
    // drawn cells' mirror images (core/mirror_writer.h).
    const CMirrorSettings& Mirror() const { return m_mirror; }
    void SetMirror(const CMirrorSettings& mirror) { m_mirror = mirror; }

private:
    COLORREF m_crText = CR_NEAR_BLACK;
    int m_nBrushWidth = 1;
    unsigned char m_chLeft = ' ';
    unsigned char m_chRight = ' ';
    bool m_bRightButton = false;
    bool m_bAutoDraw = false;
    CMirrorSettings m_mirror;
};
