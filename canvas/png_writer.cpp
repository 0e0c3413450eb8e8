#include "canvas/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <ostream>

namespace {

struct CPngSink {
    std::ostream* pOs;
    const char* pszWhy = nullptr; // set before libpng is told to fail
};

void WriteToStream(png_structp png, png_bytep pData, png_size_t nBytes)
{
    auto* pSink = static_cast<CPngSink*>(png_get_io_ptr(png));
    pSink->pOs->write(reinterpret_cast<const char*>(pData), static_cast<std::streamsize>(nBytes));
    if (!*pSink->pOs) {
        pSink->pszWhy = "cannot write the picture";
        png_error(png, "write failed");
    }
}

void FlushStream(png_structp png)
{
    static_cast<CPngSink*>(png_get_io_ptr(png))->pOs->flush();
}

void OnPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

int LibpngFilter(EPngFilter filter)
{
    switch (filter) {
    case EPngFilter::None:
        return PNG_FILTER_NONE;
    case EPngFilter::Sub:
        return PNG_FILTER_SUB;
    case EPngFilter::Up:
        return PNG_FILTER_UP;
    case EPngFilter::Adaptive:
        break;
    }
    return PNG_ALL_FILTERS;
}

// Only plain data lives across the setjmp: libpng's failure jumps back here.
bool Encode(png_structp png, png_infop info, CPngSink& sink, const QImage& img, int nFilters)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &sink, WriteToStream, FlushStream);
    png_set_IHDR(png, info, static_cast<png_uint_32>(img.width()),
                 static_cast<png_uint_32>(img.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, nFilters);
    png_write_info(png, info);
    // Format_RGB32 rows are 0xffRRGGBB words: B, G, R, filler in memory on
    // a little-endian machine, A, R, G, B on a big-endian one.
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    } else {
        png_set_filler(png, 0, PNG_FILLER_BEFORE);
    }
    for (int y = 0; y < img.height(); ++y)
        png_write_row(png, img.constScanLine(y));
    png_write_end(png, nullptr);
    return true;
}

} // namespace

bool WritePng(std::ostream& os, const QImage& img, EPngFilter filter, std::string* pError)
{
    const QImage rgb = img.format() == QImage::Format_RGB32 ? img
                                                             : img.convertToFormat(QImage::Format_RGB32);
    CPngSink sink{&os};
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool bOk = info && !rgb.isNull() && Encode(png, info, sink, rgb, LibpngFilter(filter));
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!bOk && pError)
        *pError = sink.pszWhy ? sink.pszWhy : "cannot encode the picture";
    return bOk;
}
