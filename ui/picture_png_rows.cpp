// Three threads: the caller's reads the IDAT chunks and checks their CRCs,
// the next inflates, the last undoes the filters and hands the rows on. The
// zlib stream's Adler-32 is left to the last, which has the rows anyway, and
// compared with the stream's last four bytes at the end.
#include "ui/picture_png_rows.h"

#include "ui/picture_row_pipe.h"

#include <zlib.h>
#ifdef GW_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include <atomic>
#include <cstring>
#include <vector>

namespace {

constexpr int COLOR_GREY = 0, COLOR_RGB = 2, COLOR_GREY_ALPHA = 4, COLOR_RGBA = 6;
constexpr uint32_t MAX_CHUNK = 0x7FFFFFFFu; // PNG's limit on a chunk's length
constexpr std::size_t PIECE_BYTES = std::size_t(32) << 10;

// The checksums, libdeflate's where it was found: several times zlib's.
uint32_t Crc32(uint32_t nCrc, const uint8_t* p, std::size_t n)
{
#ifdef GW_HAVE_LIBDEFLATE
    return libdeflate_crc32(nCrc, p, n);
#else
    return uint32_t(crc32(nCrc, p, uInt(n)));
#endif
}

uint32_t Adler32(uint32_t nAdler, const uint8_t* p, std::size_t n)
{
#ifdef GW_HAVE_LIBDEFLATE
    return libdeflate_adler32(nAdler, p, n);
#else
    return uint32_t(adler32(nAdler, p, uInt(n)));
#endif
}

uint32_t BigEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

int Channels(int nColorType)
{
    switch (nColorType) {
    case COLOR_GREY:
        return 1;
    case COLOR_GREY_ALPHA:
        return 2;
    case COLOR_RGB:
        return 3;
    default:
        return 4;
    }
}

// The compressed bytes of the IDAT chunks in a row, each chunk's CRC checked
// when its end is reached.
class CIdatInput {
public:
    explicit CIdatInput(FILE* pFile) : m_pFile(pFile) {}

    // Goes to the first IDAT chunk; false when there is none.
    bool Start()
    {
        if (std::fseek(m_pFile, 8, SEEK_SET) != 0)
            return false;
        for (;;) {
            uint8_t header[8];
            if (!ReadHeader(header))
                return false;
            if (std::memcmp(header + 4, "IDAT", 4) == 0)
                return true;
            if (std::memcmp(header + 4, "IEND", 4) == 0 ||
                std::fseek(m_pFile, long(m_nLeft) + 4, SEEK_CUR) != 0)
                return false;
        }
    }

    // Up to nMax bytes of data into pData, from the next IDAT chunk when
    // this one is used up: their count, 0 once a chunk of another kind
    // follows, -1 when the file is damaged or cannot be read.
    long Read(uint8_t* pData, std::size_t nMax)
    {
        while (m_nLeft == 0) {
            uint8_t header[8], crc[4];
            if (std::fread(crc, 1, 4, m_pFile) != 4 || BigEndian32(crc) != m_nCrc ||
                !ReadHeader(header))
                return -1;
            if (std::memcmp(header + 4, "IDAT", 4) != 0)
                return 0;
        }
        const std::size_t n = std::min<std::size_t>(m_nLeft, nMax);
        if (std::fread(pData, 1, n, m_pFile) != n)
            return -1;
        m_nCrc = Crc32(m_nCrc, pData, n);
        m_nLeft -= uint32_t(n);
        return long(n);
    }

private:
    bool ReadHeader(uint8_t* pHeader)
    {
        if (std::fread(pHeader, 1, 8, m_pFile) != 8)
            return false;
        m_nLeft = BigEndian32(pHeader);
        m_nCrc = Crc32(0, pHeader + 4, 4);
        return m_nLeft <= MAX_CHUNK;
    }

    FILE* m_pFile;
    uint32_t m_nLeft = 0;
    uint32_t m_nCrc = 0;
};

// The last four bytes inflate took in: at the stream's end, its Adler-32.
struct CTail {
    uint8_t v[4] = {};
    void Took(const uint8_t* pEnd, std::size_t n)
    {
        const std::size_t nKeep = std::min<std::size_t>(n, 4);
        std::memmove(v, v + nKeep, 4 - nKeep);
        std::memcpy(v + 4 - nKeep, pEnd - nKeep, nKeep);
    }
};

inline uint8_t Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes one row's filter into pCur, pPrev being the row above unfiltered
// (zeros above the first row); false for a filter type PNG does not have.
// The row holds at least one pixel of BPP bytes. BPP is fixed so that each
// pixel's bytes are worked side by side: Sub, Average and Paeth chain pixel
// to pixel.
template <std::size_t BPP>
bool Unfilter(const uint8_t* pRaw, const uint8_t* __restrict pPrev, uint8_t* __restrict pCur,
              std::size_t nBytes)
{
    const uint8_t* __restrict pIn = pRaw + 1;
    // The pixel to the left (a) and above it (c), kept in registers: read
    // back from the row just written they would wait on the stores.
    uint8_t a[BPP] = {}, c[BPP] = {};
    switch (pRaw[0]) {
    case 0:
        std::memcpy(pCur, pIn, nBytes);
        return true;
    case 1:
        for (std::size_t k = 0; k < BPP; ++k)
            a[k] = pCur[k] = pIn[k];
        for (std::size_t i = BPP; i + BPP <= nBytes; i += BPP)
            for (std::size_t k = 0; k < BPP; ++k)
                a[k] = pCur[i + k] = uint8_t(pIn[i + k] + a[k]);
        return true;
    case 2:
        for (std::size_t i = 0; i < nBytes; ++i)
            pCur[i] = uint8_t(pIn[i] + pPrev[i]);
        return true;
    case 3:
        for (std::size_t k = 0; k < BPP; ++k)
            a[k] = pCur[k] = uint8_t(pIn[k] + (pPrev[k] >> 1));
        for (std::size_t i = BPP; i + BPP <= nBytes; i += BPP)
            for (std::size_t k = 0; k < BPP; ++k)
                a[k] = pCur[i + k] = uint8_t(pIn[i + k] + ((a[k] + pPrev[i + k]) >> 1));
        return true;
    case 4:
        for (std::size_t k = 0; k < BPP; ++k) {
            c[k] = pPrev[k];
            a[k] = pCur[k] = uint8_t(pIn[k] + c[k]);
        }
        for (std::size_t i = BPP; i + BPP <= nBytes; i += BPP)
            for (std::size_t k = 0; k < BPP; ++k) {
                const uint8_t b = pPrev[i + k];
                a[k] = pCur[i + k] = uint8_t(pIn[i + k] + Paeth(a[k], b, c[k]));
                c[k] = b;
            }
        return true;
    default:
        return false;
    }
}

bool Unfilter(const uint8_t* pRaw, const uint8_t* pPrev, uint8_t* pCur, std::size_t nBytes, int nBpp)
{
    switch (nBpp) {
    case 1:
        return Unfilter<1>(pRaw, pPrev, pCur, nBytes);
    case 2:
        return Unfilter<2>(pRaw, pPrev, pCur, nBytes);
    case 3:
        return Unfilter<3>(pRaw, pPrev, pCur, nBytes);
    default:
        return Unfilter<4>(pRaw, pPrev, pCur, nBytes);
    }
}

// The other thread's half: filters undone, the Adler-32 of the stream
// worked out, rows made RGBA as libpng's transforms make them.
class CRowFinisher {
public:
    CRowFinisher(uint32_t nWidth, int nColorType, const CPictureRowSink& sink)
        : m_nWidth(nWidth), m_nColorType(nColorType), m_nBpp(Channels(nColorType)),
          m_nBytes(std::size_t(nWidth) * std::size_t(m_nBpp)), m_sink(sink),
          m_vPrev(m_nBytes, 0), m_vCur(m_nBytes), m_vRgba(std::size_t(nWidth) * 4)
    {
    }

    void Use(const uint8_t* pRaw)
    {
        if (m_bBadFilter)
            return;
        m_nAdler = Adler32(m_nAdler, pRaw, m_nBytes + 1);
        if (!Unfilter(pRaw, m_vPrev.data(), m_vCur.data(), m_nBytes, m_nBpp)) {
            m_bBadFilter = true;
            return;
        }
        m_sink.fnRow(ToRgba());
        m_vPrev.swap(m_vCur);
    }

    bool Sound(uint32_t nStreamAdler) const { return !m_bBadFilter && m_nAdler == nStreamAdler; }

private:
    const uint8_t* ToRgba()
    {
        const uint8_t* p = m_vCur.data();
        uint8_t* q = m_vRgba.data();
        switch (m_nColorType) {
        case COLOR_RGBA:
            return p;
        case COLOR_RGB:
            for (uint32_t x = 0; x < m_nWidth; ++x, p += 3, q += 4)
                q[0] = p[0], q[1] = p[1], q[2] = p[2], q[3] = 0xFF;
            break;
        case COLOR_GREY_ALPHA:
            for (uint32_t x = 0; x < m_nWidth; ++x, p += 2, q += 4)
                q[0] = q[1] = q[2] = p[0], q[3] = p[1];
            break;
        default:
            for (uint32_t x = 0; x < m_nWidth; ++x, ++p, q += 4)
                q[0] = q[1] = q[2] = p[0], q[3] = 0xFF;
            break;
        }
        return m_vRgba.data();
    }

    uint32_t m_nWidth;
    int m_nColorType, m_nBpp;
    std::size_t m_nBytes;
    const CPictureRowSink& m_sink;
    std::vector<uint8_t> m_vPrev, m_vCur, m_vRgba;
    uint32_t m_nAdler = 1; // Adler-32 of nothing
    bool m_bBadFilter = false;
};

// The middle thread's half: each piece of compressed data as it comes,
// inflated into the row pipe's blocks. The stream must end with the last
// row and have nothing after it.
class CInflater {
public:
    CInflater(z_stream& stream, CRowPipe& rows, uint32_t nHeight)
        : m_z(stream), m_rows(rows), m_nHeight(nHeight)
    {
    }

    // A piece: its length (four bytes, this machine's order), then its bytes.
    void Take(const uint8_t* pPiece)
    {
        uint32_t n = 0;
        std::memcpy(&n, pPiece, 4);
        m_z.next_in = const_cast<uint8_t*>(pPiece + 4);
        m_z.avail_in = n;
        while (m_z.avail_in > 0 && !m_bFailed.load(std::memory_order_relaxed))
            Step();
    }

    bool Failed() const { return m_bFailed.load(std::memory_order_relaxed); }
    bool Ended() const { return m_bEnded && !Failed(); }
    uint32_t StreamAdler() const { return BigEndian32(m_tail.v); }

private:
    void Step()
    {
        if (m_bEnded)
            return Fail(); // data after the stream's end
        uint8_t spare = 0;
        const bool bRowsDone = m_nRowsOut == m_nHeight;
        if (bRowsDone) {
            // Only the stream's end may follow the last row.
            m_z.next_out = &spare;
            m_z.avail_out = 1;
        } else if (!m_pBlock) {
            m_nBlockRows = int(std::min<uint32_t>(uint32_t(m_rows.BlockRows()), m_nHeight - m_nRowsOut));
            m_pBlock = m_rows.Block();
            m_z.next_out = m_pBlock;
            m_z.avail_out = uInt(m_rows.RowBytes() * std::size_t(m_nBlockRows));
        }
        const uint8_t* pBefore = m_z.next_in;
        const int nResult = inflate(&m_z, Z_NO_FLUSH);
        m_tail.Took(m_z.next_in, std::size_t(m_z.next_in - pBefore));
        if ((nResult != Z_OK && nResult != Z_STREAM_END) || (bRowsDone && m_z.avail_out == 0))
            return Fail();
        if (!bRowsDone && m_z.avail_out == 0) {
            m_rows.Push(m_nBlockRows);
            m_nRowsOut += uint32_t(m_nBlockRows);
            m_pBlock = nullptr;
        }
        if (nResult == Z_STREAM_END) {
            if (m_nRowsOut < m_nHeight)
                return Fail();
            m_bEnded = true;
        }
    }

    void Fail() { m_bFailed.store(true, std::memory_order_relaxed); }

    z_stream& m_z;
    CRowPipe& m_rows;
    uint32_t m_nHeight, m_nRowsOut = 0;
    uint8_t* m_pBlock = nullptr;
    int m_nBlockRows = 0;
    bool m_bEnded = false;
    std::atomic<bool> m_bFailed{false}; // also read by the reading thread
    CTail m_tail;
};

// The calling thread's half: the IDAT chunks read and checked, handed on a
// piece at a time until a chunk of another kind follows them.
bool ReadPieces(CIdatInput& input, CRowPipe& pieces, const CInflater& inflater)
{
    for (;;) {
        uint8_t* pBlock = pieces.Block();
        int nPieces = 0;
        long nRead = 1;
        for (; nPieces < pieces.BlockRows() && !inflater.Failed(); ++nPieces) {
            uint8_t* pPiece = pBlock + std::size_t(nPieces) * pieces.RowBytes();
            nRead = input.Read(pPiece + 4, pieces.RowBytes() - 4);
            if (nRead <= 0)
                break;
            const uint32_t n = uint32_t(nRead);
            std::memcpy(pPiece, &n, 4);
        }
        pieces.Push(nPieces);
        if (nRead <= 0 || inflater.Failed())
            return nRead == 0;
    }
}

} // namespace

bool PlainPngLayout(int nColorType, int nBitDepth, int nInterlace)
{
    return nBitDepth == 8 && nInterlace == 0 &&
           (nColorType == COLOR_GREY || nColorType == COLOR_GREY_ALPHA || nColorType == COLOR_RGB ||
            nColorType == COLOR_RGBA);
}

bool StreamPlainPng(FILE* pFile, uint32_t nWidth, uint32_t nHeight, int nColorType,
                    const CPictureRowSink& sink)
{
    CIdatInput input(pFile);
    if (!input.Start())
        return false;
    struct CStream {
        z_stream z{};
        bool bOpen = false;
        ~CStream()
        {
            if (bOpen)
                inflateEnd(&z);
        }
    } stream;
    // Window size from the stream's header, as libpng takes it; the
    // checksum is the finishing thread's.
    if (inflateInit2(&stream.z, 0) != Z_OK)
        return false;
    stream.bOpen = true;
    if (inflateValidate(&stream.z, 0) != Z_OK)
        return false;
    CRowFinisher finisher(nWidth, nColorType, sink);
    // Reading, inflating and finishing the rows each on a thread; the pipes
    // go in the reverse order, the pieces' first, so each stops before what
    // it feeds.
    CRowPipe rows(std::size_t(nWidth) * std::size_t(Channels(nColorType)) + 1,
                  [&](const uint8_t* pRaw) { finisher.Use(pRaw); });
    CInflater inflater(stream.z, rows, nHeight);
    {
        CRowPipe pieces(PIECE_BYTES + 4, [&](const uint8_t* pPiece) { inflater.Take(pPiece); });
        if (!ReadPieces(input, pieces, inflater))
            return false;
        pieces.Finish();
    }
    if (!inflater.Ended())
        return false;
    rows.Finish();
    return finisher.Sound(inflater.StreamAdler());
}
