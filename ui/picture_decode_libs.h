// What the JPEG and PNG decoders share, the whole-picture ones and the
// row-by-row one, so their rows are the same: libjpeg's error plumbing
// (errors by a longjmp, warnings counted and never printed, a picture cut
// short noted, the scans of a progressive picture bounded) and libpng's
// transforms to 8-bit RGBA. Plain C++ over the two libraries, no Qt.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

namespace picture_libs {

// A progressive JPEG of more scans than this is refused: each scan is a
// pass over the whole picture, and a few hundred kilobytes can hold
// thousands. The limit libjpeg-turbo's own tools use when asked to limit.
constexpr int MAX_JPEG_SCANS = 500;

struct SJpegErrors {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    // The entropy-coded data ended before the picture did: libjpeg would
    // fill the rest with grey and call it a warning.
    bool bDataCutShort;
    bool bTooManyScans;
};

[[noreturn]] inline void JpegErrorExit(j_common_ptr pInfo)
{
    longjmp(reinterpret_cast<SJpegErrors*>(pInfo->err)->jump, 1);
}

inline void JpegEmitMessage(j_common_ptr pInfo, int nLevel)
{
    auto* pErrors = reinterpret_cast<SJpegErrors*>(pInfo->err);
    if (nLevel >= 0)
        return;
    ++pErrors->mgr.num_warnings;
    if (pErrors->mgr.msg_code == JWRN_HIT_MARKER)
        pErrors->bDataCutShort = true;
}

inline void JpegOutputMessage(j_common_ptr) {}

// Called for every row of blocks libjpeg takes in, the scans of a
// progressive picture included, so the count is checked as it grows.
inline void JpegProgress(j_common_ptr pInfo)
{
    if (reinterpret_cast<j_decompress_ptr>(pInfo)->input_scan_number <= MAX_JPEG_SCANS)
        return;
    auto* pErrors = reinterpret_cast<SJpegErrors*>(pInfo->err);
    pErrors->bTooManyScans = true;
    longjmp(pErrors->jump, 1);
}

// The handlers above on a decompressor not yet created.
inline void JpegUseErrors(jpeg_decompress_struct& info, SJpegErrors& errors, jpeg_progress_mgr& progress)
{
    info.err = jpeg_std_error(&errors.mgr);
    errors.mgr.error_exit = JpegErrorExit;
    errors.mgr.emit_message = JpegEmitMessage;
    errors.mgr.output_message = JpegOutputMessage;
    progress.progress_monitor = JpegProgress;
}

// Starts decoding to RGBA with the accurate integer transform and smooth
// chroma upsampling, as Qt's JPEG reader decodes, so every path gives the
// same colours; false unless the output is the picture at full size, four
// bytes a pixel. Errors longjmp to the caller's setjmp, as every libjpeg call.
inline bool JpegStartRgba(j_decompress_ptr pInfo)
{
    pInfo->out_color_space = JCS_EXT_RGBA;
    pInfo->dct_method = JDCT_ISLOW;
    pInfo->do_fancy_upsampling = TRUE;
    jpeg_start_decompress(pInfo);
    return pInfo->output_width == pInfo->image_width && pInfo->output_height == pInfo->image_height &&
           pInfo->output_components == 4;
}

// Every PNG to 8-bit RGBA: palettes and low-depth grey expanded, the
// transparent colour made alpha, 16 bits rounded to 8 (as Qt rounds its
// 16-bit formats, not cut), grey to RGB, opaque alpha added.
inline void PngToRgba(png_structp png, png_infop info, int nColorType, int nBitDepth)
{
    if (nColorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (nColorType == PNG_COLOR_TYPE_GRAY && nBitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (nBitDepth == 16)
        png_set_scale_16(png);
    if (!(nColorType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
}

} // namespace picture_libs
