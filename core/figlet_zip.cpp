#include "core/figlet_zip.h"

// Input is only read: next_in may point into the caller's bytes.
#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr std::size_t LOCAL_HEADER_BYTES = 30;
constexpr uint16_t FLAG_ENCRYPTED = 0x0001;
constexpr uint16_t FLAG_DESCRIPTOR = 0x0008; // crc and sizes follow the data
constexpr uint16_t METHOD_STORED = 0;
constexpr uint16_t METHOD_DEFLATED = 8;
constexpr uint32_t SIZE_IN_ZIP64 = 0xFFFFFFFFu;
constexpr uint64_t UNKNOWN = std::numeric_limits<uint64_t>::max();
// Output is grown by this much at a time, so a small font takes little.
constexpr std::size_t INFLATE_STEP = 64 * 1024;

uint64_t ReadLe(std::string_view data, std::size_t nPos, std::size_t nBytes)
{
    uint64_t nValue = 0;
    for (std::size_t i = nBytes; i-- > 0;)
        nValue = nValue << 8 | static_cast<unsigned char>(data[nPos + i]);
    return nValue;
}

struct SZipEntry {
    uint16_t nMethod = 0;
    bool bDescriptor = false;
    uint32_t nCrc = 0;
    uint64_t nPacked = UNKNOWN; // sizes as the header gives them
    uint64_t nSize = UNKNOWN;
    std::string_view data; // from the entry's data to the end of the archive
};

// The zip64 extra field (id 1) holds, in this order, those of the size and
// the packed size that the header marks with all ones.
bool ReadZip64Sizes(std::string_view extra, SZipEntry* pEntry)
{
    for (std::size_t nPos = 0; nPos + 4 <= extra.size();) {
        const uint64_t nId = ReadLe(extra, nPos, 2);
        const std::size_t nLength = ReadLe(extra, nPos + 2, 2);
        std::string_view field = extra.substr(nPos + 4, nLength);
        nPos += 4 + nLength;
        if (nId != 1)
            continue;
        for (uint64_t* pSize : {&pEntry->nSize, &pEntry->nPacked}) {
            if (*pSize != SIZE_IN_ZIP64)
                continue;
            if (field.size() < 8)
                return false;
            *pSize = ReadLe(field, 0, 8);
            field.remove_prefix(8);
        }
        return true;
    }
    return false;
}

const char* ReadLocalHeader(std::string_view zip, SZipEntry* pEntry)
{
    if (zip.size() < LOCAL_HEADER_BYTES || !IsZipData(zip))
        return "the archive ends inside its first header";
    const auto nFlags = static_cast<uint16_t>(ReadLe(zip, 6, 2));
    pEntry->nMethod = static_cast<uint16_t>(ReadLe(zip, 8, 2));
    const std::size_t nName = ReadLe(zip, 26, 2), nExtra = ReadLe(zip, 28, 2);
    if (zip.size() < LOCAL_HEADER_BYTES + nName + nExtra)
        return "the archive ends inside its first header";
    if (nFlags & FLAG_ENCRYPTED)
        return "the font in the archive is encrypted";
    if (pEntry->nMethod != METHOD_STORED && pEntry->nMethod != METHOD_DEFLATED)
        return "the font in the archive is packed by a method other than stored or deflate";
    pEntry->data = zip.substr(LOCAL_HEADER_BYTES + nName + nExtra);
    // With a data descriptor the header's crc and sizes are placeholders.
    pEntry->bDescriptor = nFlags & FLAG_DESCRIPTOR;
    if (pEntry->bDescriptor)
        return nullptr;
    pEntry->nCrc = static_cast<uint32_t>(ReadLe(zip, 14, 4));
    pEntry->nPacked = ReadLe(zip, 18, 4);
    pEntry->nSize = ReadLe(zip, 22, 4);
    if ((pEntry->nPacked == SIZE_IN_ZIP64 || pEntry->nSize == SIZE_IN_ZIP64) &&
        !ReadZip64Sizes(zip.substr(LOCAL_HEADER_BYTES + nName, nExtra), pEntry))
        return "the archive's first header lacks its zip64 sizes";
    return nullptr;
}

// Raw deflate from data into *pOut, never holding more than nMaxBytes + 1
// bytes. *pUsed: the bytes of data the stream took. With bPrefix, stopping
// at nMaxBytes or at the end of data is not an error.
EFigZip Inflate(std::string_view data, std::size_t nMaxBytes, bool bPrefix, std::string* pOut,
                std::size_t* pUsed, const char** ppWhy)
{
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        return *ppWhy = "the unpacker could not start", EFigZip::DAMAGED;
    // data and the output are both far below 4 GB (the file limit), but
    // avail_in and avail_out are 32 bits wide: fed in slices to be sure.
    constexpr std::size_t kSlice = std::numeric_limits<uInt>::max();
    std::size_t nIn = 0;
    EFigZip result = EFigZip::OK;
    for (;;) {
        if (pOut->size() - zs.avail_out > nMaxBytes) {
            result = bPrefix ? EFigZip::OK : EFigZip::TOO_LARGE;
            break;
        }
        if (zs.avail_out == 0) {
            const std::size_t nHave = pOut->size();
            pOut->resize(std::min(nHave + INFLATE_STEP, nMaxBytes + 1));
            zs.next_out = reinterpret_cast<Bytef*>(pOut->data() + nHave);
            zs.avail_out = static_cast<uInt>(pOut->size() - nHave);
        }
        if (zs.avail_in == 0 && nIn < data.size()) {
            const std::size_t nTake = std::min(kSlice, data.size() - nIn);
            zs.next_in = reinterpret_cast<const Bytef*>(data.data() + nIn);
            zs.avail_in = static_cast<uInt>(nTake);
            nIn += nTake;
        }
        const int nRet = inflate(&zs, Z_NO_FLUSH);
        if (nRet == Z_STREAM_END)
            break;
        if (nRet == Z_OK)
            continue;
        if (nRet == Z_BUF_ERROR && zs.avail_in == 0 && nIn == data.size()) {
            if (!bPrefix)
                *ppWhy = "the archive ends inside the font's data", result = EFigZip::DAMAGED;
            break;
        }
        if (nRet == Z_BUF_ERROR)
            continue; // only wants more room, given above
        *ppWhy = nRet == Z_MEM_ERROR ? "out of memory while unpacking the font"
                                     : "the font's packed data is corrupt";
        result = EFigZip::DAMAGED;
        break;
    }
    pOut->resize(pOut->size() - zs.avail_out);
    // A stream may end just as it fills the last byte of room.
    if (result == EFigZip::OK && !bPrefix && pOut->size() > nMaxBytes)
        result = EFigZip::TOO_LARGE;
    *pUsed = nIn - zs.avail_in;
    inflateEnd(&zs);
    return result;
}

uint32_t Crc(std::string_view data)
{
    uLong nCrc = crc32(0, nullptr, 0);
    for (std::size_t nPos = 0; nPos < data.size();) {
        const std::size_t nTake = std::min<std::size_t>(data.size() - nPos, 1u << 30);
        nCrc = crc32(nCrc, reinterpret_cast<const Bytef*>(data.data() + nPos),
                     static_cast<uInt>(nTake));
        nPos += nTake;
    }
    return static_cast<uint32_t>(nCrc);
}

// The crc after the data, in a descriptor that may or may not start with
// its own signature; false when the archive ends first.
bool DescriptorCrc(std::string_view rest, uint32_t* pCrc)
{
    if (rest.substr(0, 4) == "PK\x07\x08")
        rest.remove_prefix(4);
    if (rest.size() < 4)
        return false;
    *pCrc = static_cast<uint32_t>(ReadLe(rest, 0, 4));
    return true;
}

EFigZip Unzip(std::string_view zip, std::size_t nMaxBytes, std::string* pOut, const char** ppWhy)
{
    SZipEntry entry;
    if ((*ppWhy = ReadLocalHeader(zip, &entry)))
        return EFigZip::DAMAGED;
    // A header that owns up to a large entry is refused before any work.
    if (entry.nSize != UNKNOWN && entry.nSize > nMaxBytes)
        return EFigZip::TOO_LARGE;
    std::size_t nUsed = 0;
    if (entry.nMethod == METHOD_STORED) {
        if (entry.nPacked == UNKNOWN)
            return *ppWhy = "the stored font in the archive gives no size", EFigZip::DAMAGED;
        if (entry.nPacked > entry.data.size())
            return *ppWhy = "the archive ends inside the font's data", EFigZip::DAMAGED;
        nUsed = static_cast<std::size_t>(entry.nPacked);
        pOut->assign(entry.data.substr(0, nUsed));
    } else {
        const EFigZip result = Inflate(entry.data, nMaxBytes, false, pOut, &nUsed, ppWhy);
        if (result != EFigZip::OK)
            return result;
    }
    if (entry.nSize != UNKNOWN && pOut->size() != entry.nSize)
        return *ppWhy = "the font's unpacked size differs from the archive's", EFigZip::DAMAGED;
    if (entry.bDescriptor && !DescriptorCrc(entry.data.substr(nUsed), &entry.nCrc))
        return *ppWhy = "the archive ends before the font's checksum", EFigZip::DAMAGED;
    if (Crc(*pOut) != entry.nCrc)
        return *ppWhy = "the font's checksum does not match: the archive is damaged",
               EFigZip::DAMAGED;
    return EFigZip::OK;
}

} // namespace

bool IsZipData(std::string_view data)
{
    return data.substr(0, 4) == std::string_view("PK\x03\x04", 4);
}

EFigZip UnzipFirstEntry(std::string_view zip, std::size_t nMaxBytes, std::string* pOut,
                        std::string* pWhy)
{
    pOut->clear();
    const char* pszWhy = nullptr;
    const EFigZip result = Unzip(zip, nMaxBytes, pOut, &pszWhy);
    if (result != EFigZip::OK)
        pOut->clear();
    if (pWhy)
        *pWhy = pszWhy ? pszWhy : "";
    return result;
}

std::string ZipEntryStart(std::string_view zip, std::size_t nBytes)
{
    SZipEntry entry;
    std::string strOut;
    if (ReadLocalHeader(zip, &entry))
        return strOut;
    if (entry.nMethod == METHOD_STORED) {
        strOut = entry.data.substr(0, std::min<uint64_t>(nBytes, entry.nPacked));
        return strOut;
    }
    std::size_t nUsed = 0;
    const char* pszWhy = nullptr;
    if (Inflate(entry.data, nBytes, true, &strOut, &nUsed, &pszWhy) != EFigZip::OK)
        strOut.clear();
    strOut.resize(std::min(strOut.size(), nBytes));
    return strOut;
}
