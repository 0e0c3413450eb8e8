// Colours at the edge between the document (0x00BBGGRR) and Qt's images (QRgb, 0xAARRGGBB).
#pragma once

#include "core/char_cell.h"

#include <QColor>
#include <QRgb>

// The layers' transparent colour: RGB(0, 0, 0). No drawing colour is pure black.
inline constexpr COLORREF CR_KEY = 0x000000;
inline constexpr COLORREF CR_NEAR_BLACK = 0x010101;
inline constexpr COLORREF CR_GRID = 0xC8C8C8;
inline constexpr COLORREF CR_SURROUND = 0xAAAAAA;

inline constexpr QRgb ColorRefToRgb(COLORREF cr)
{
    return 0xFF000000u | ((cr & 0xFFu) << 16) | (cr & 0xFF00u) | ((cr >> 16) & 0xFFu);
}
inline constexpr COLORREF RgbToColorRef(QRgb rgb)
{
    return ((rgb >> 16) & 0xFFu) | (rgb & 0xFF00u) | ((rgb & 0xFFu) << 16);
}
inline QColor ColorRefToQColor(COLORREF cr) { return QColor::fromRgb(ColorRefToRgb(cr)); }
// A drawing colour as stored: the high byte dropped and pure black made near black.
inline constexpr COLORREF DrawingColor(COLORREF cr)
{
    cr &= 0xFFFFFFu;
    return cr == CR_KEY ? CR_NEAR_BLACK : cr;
}
inline constexpr QRgb RGB_KEY = 0xFF000000u;
