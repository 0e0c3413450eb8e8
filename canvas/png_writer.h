// PNG files written with libpng directly, so the row filter is ours to
// choose: libpng's adaptive choice tries every filter on every row, which
// costs more than the deflate itself on the canvas's pictures.
#pragma once

#include <QImage>

#include <iosfwd>
#include <string>

// Row filters, as libpng names them (PNG_FILTER_NONE and so on).
enum class EPngFilter { None, Sub, Up, Adaptive };

// The filter the exports use: on the canvas's pictures (flat background,
// glyph edges) no filter gives the smallest files and the fastest writes.
inline constexpr EPngFilter PNG_EXPORT_FILTER = EPngFilter::None;

// img as an 8-bit RGB PNG (any alpha dropped) onto os. False, with a reason,
// when libpng fails or the stream does.
bool WritePng(std::ostream& os, const QImage& img, EPngFilter filter, std::string* pError);
