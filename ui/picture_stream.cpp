// libjpeg and libpng report errors by a longjmp, so every call that can fail
// sits in a function whose locals are plain data, and nothing with a
// destructor is jumped over. The settings match the direct decoders'
// (picture_reader_jpeg.cpp, picture_reader_png.cpp), so the rows are theirs.
#include "ui/picture_stream.h"

#include "ui/picture_decode_libs.h"
#include "ui/picture_png_rows.h"
#include "ui/picture_reader_exif.h"
#include "ui/picture_row_pipe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>


namespace {

// The picture reader's limits: the file's size, the scans of a progressive
// JPEG, and Qt's default allocation limit for the decoded picture.
constexpr off_t MAX_FILE = off_t(256) << 20;
constexpr uint64_t MAX_PICTURE_BYTES = uint64_t(256) << 20;

bool SizeTaken(uint64_t nWidth, uint64_t nHeight)
{
    return nWidth >= 1 && nHeight >= 1 && nWidth * nHeight * 4 <= MAX_PICTURE_BYTES;
}

struct SJpeg {
    jpeg_decompress_struct info;
    picture_libs::SJpegErrors errors;
    jpeg_progress_mgr progress;
};

bool JpegStart(SJpeg* pJob, FILE* pFile)
{
    picture_libs::JpegUseErrors(pJob->info, pJob->errors, pJob->progress);
    if (setjmp(pJob->errors.jump))
        return false;
    jpeg_create_decompress(&pJob->info);
    pJob->info.progress = &pJob->progress;
    jpeg_stdio_src(&pJob->info, pFile);
    jpeg_save_markers(&pJob->info, JPEG_APP0 + 1, 0xFFFF);
    return jpeg_read_header(&pJob->info, TRUE) == JPEG_HEADER_OK;
}

// The rows are decoded into the pipe's blocks, several to a call, while
// the pipe's thread hands the ones before to the sink.
bool JpegRows(SJpeg* pJob, CRowPipe* pPipe)
{
    if (setjmp(pJob->errors.jump))
        return false;
    j_decompress_ptr pInfo = &pJob->info;
    if (!picture_libs::JpegStartRgba(pInfo))
        return false;
    while (pInfo->output_scanline < pInfo->output_height) {
        uint8_t* pBlock = pPipe->Block();
        JSAMPROW rows[64];
        const int nRows = std::min<int>(std::min(pPipe->BlockRows(), 64),
                                        int(pInfo->output_height - pInfo->output_scanline));
        for (int i = 0; i < nRows; ++i)
            rows[i] = pBlock + std::size_t(i) * pPipe->RowBytes();
        for (int nDone = 0; nDone < nRows;) {
            const JDIMENSION nRead = jpeg_read_scanlines(pInfo, rows + nDone, JDIMENSION(nRows - nDone));
            if (nRead == 0)
                return false;
            nDone += int(nRead);
        }
        pPipe->Push(nRows);
    }
    return true;
}

bool StreamJpeg(FILE* pFile, const CPictureRowSink& sink)
{
    struct CGuard {
        SJpeg job{};
        ~CGuard() { jpeg_destroy_decompress(&job.info); }
    } guard;
    SJpeg* pJob = &guard.job;
    if (!JpegStart(pJob, pFile) || !SizeTaken(pJob->info.image_width, pJob->info.image_height) ||
        ExifOrientation(pJob->info.marker_list) != 1)
        return false;
    sink.fnStart(int(pJob->info.image_width), int(pJob->info.image_height));
    CRowPipe pipe(std::size_t(pJob->info.image_width) * 4, sink.fnRow);
    if (!JpegRows(pJob, &pipe))
        return false;
    pipe.Finish();
    return !pJob->errors.bDataCutShort;
}

struct SPng {
    png_structp png;
    png_infop info;
    png_uint_32 nWidth, nHeight;
    int nBitDepth, nColorType, nInterlace;
};

void PngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

bool PngStart(SPng* pJob, FILE* pFile)
{
    pJob->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!pJob->png)
        return false;
    if (setjmp(png_jmpbuf(pJob->png)))
        return false;
    pJob->info = png_create_info_struct(pJob->png);
    if (!pJob->info)
        return false;
    png_init_io(pJob->png, pFile);
    png_read_info(pJob->png, pJob->info);
    png_get_IHDR(pJob->png, pJob->info, &pJob->nWidth, &pJob->nHeight, &pJob->nBitDepth,
                 &pJob->nColorType, &pJob->nInterlace, nullptr, nullptr);
    return true;
}

bool PngRows(SPng* pJob, png_bytep pRow, const CPictureRowSink* pSink)
{
    if (setjmp(png_jmpbuf(pJob->png)))
        return false;
    png_structp png = pJob->png;
    picture_libs::PngToRgba(png, pJob->info, pJob->nColorType, pJob->nBitDepth);
    png_read_update_info(png, pJob->info);
    if (png_get_rowbytes(png, pJob->info) != std::size_t(pJob->nWidth) * 4)
        return false;
    for (png_uint_32 y = 0; y < pJob->nHeight; ++y) {
        png_read_row(png, pRow, nullptr);
        pSink->fnRow(pRow);
    }
    return true;
}

bool StreamPng(FILE* pFile, const CPictureRowSink& sink)
{
    struct CGuard {
        SPng job{};
        ~CGuard() { png_destroy_read_struct(&job.png, job.info ? &job.info : nullptr, nullptr); }
    } guard;
    SPng* pJob = &guard.job;
    // An interlaced picture's rows are whole only after its last pass.
    if (!PngStart(pJob, pFile) || !SizeTaken(pJob->nWidth, pJob->nHeight) ||
        pJob->nInterlace != PNG_INTERLACE_NONE)
        return false;
    sink.fnStart(int(pJob->nWidth), int(pJob->nHeight));
    // A plain picture's rows are inflated on one thread and finished on
    // another; libpng takes the rest.
    if (PlainPngLayout(pJob->nColorType, pJob->nBitDepth, pJob->nInterlace) &&
        !png_get_valid(pJob->png, pJob->info, PNG_INFO_tRNS))
        return StreamPlainPng(pFile, pJob->nWidth, pJob->nHeight, pJob->nColorType, sink);
    std::vector<png_byte> vRow(std::size_t(pJob->nWidth) * 4);
    return PngRows(pJob, vRow.data(), &sink);
}

} // namespace

bool StreamPictureFile(const std::string& strPath, const CPictureRowSink& sink)
{
    const int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st{};
    FILE* pFile = nullptr;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MAX_FILE ||
        !(pFile = fdopen(fd, "rb"))) {
        close(fd);
        return false;
    }
    unsigned char sig[8] = {};
    bool bDone = false;
    if (std::fread(sig, 1, 8, pFile) == 8 && std::fseek(pFile, 0, SEEK_SET) == 0) {
        if (sig[0] == 0xFF && sig[1] == 0xD8 && sig[2] == 0xFF)
            bDone = StreamJpeg(pFile, sink);
        else if (std::memcmp(sig, "\x89PNG\r\n\x1a\n", 8) == 0)
            bDone = StreamPng(pFile, sink);
    }
    std::fclose(pFile);
    return bDone;
}
