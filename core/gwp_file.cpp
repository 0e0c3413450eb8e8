#include "core/gwp_file.h"

#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/gwp_reader.h"

#include <cstring>

namespace {

constexpr const char* kDamaged = "This file is damaged and cannot be opened";

int32_t ReadInt(std::string_view data, std::size_t nOffset)
{
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = (n << 8) | static_cast<uint8_t>(data[nOffset + static_cast<std::size_t>(i)]);
    return static_cast<int32_t>(n);
}

void AppendInt(std::string& str, int32_t nValue)
{
    const auto n = static_cast<uint32_t>(nValue);
    for (int i = 0; i < 4; ++i)
        str.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
}

EGwpResult Damaged(std::string* pMessage, const std::string& strWhy)
{
    if (pMessage)
        *pMessage = std::string(kDamaged) + " (" + strWhy + ").";
    return EGwpResult::Damaged;
}

} // namespace

EGwpResult GwpParse(std::string_view data, CGwpImage* pImage, std::string* pMessage)
{
    if (data.size() < 8 || std::memcmp(data.data(), GWP_MAGIC, 8) != 0) {
        if (pMessage)
            *pMessage = MSG_WRONG_TYPE_FILE;
        return EGwpResult::WrongType;
    }
    if (data.size() < GWP_HEADER_SIZE)
        return Damaged(pMessage, "its header is cut short");
    const int32_t nFrames = ReadInt(data, 8);
    const int32_t nCols = ReadInt(data, 12);
    const int32_t nRows = ReadInt(data, 16);
    if (nFrames < 1 || nFrames > GWP_MAX_FRAMES)
        return Damaged(pMessage, "it claims " + std::to_string(nFrames) + " frames");
    if (nCols < 1 || nCols > MAX_COLS || nRows < 1 || nRows > MAX_ROWS)
        return Damaged(pMessage, "it claims a canvas of " + std::to_string(nRows) + " rows and " +
                                     std::to_string(nCols) + " columns");
    const uint64_t nNeeded = GWP_HEADER_SIZE + uint64_t(nFrames) * uint64_t(nRows) *
                                                   uint64_t(nCols) * sizeof(CharCell);
    if (data.size() < nNeeded)
        return Damaged(pMessage, "it is shorter than its header says");
    pImage->nFrames = nFrames;
    pImage->nCols = nCols;
    pImage->nRows = nRows;
    pImage->frames = data.substr(GWP_HEADER_SIZE, nNeeded - GWP_HEADER_SIZE);
    return EGwpResult::Ok;
}

std::string GwpSerialize(const CArtDoc& doc)
{
    const std::size_t nFrameBytes = std::size_t(doc.GetCellCount()) * sizeof(CharCell);
    std::string str;
    str.reserve(GWP_HEADER_SIZE + doc.GetFrames().size() * nFrameBytes);
    str.append(GWP_MAGIC, 8);
    AppendInt(str, doc.GetFrameCount());
    AppendInt(str, doc.GetCols());
    AppendInt(str, doc.GetRows());
    for (const auto& [nKey, pCells] : doc.GetFrames())
        str.append(reinterpret_cast<const char*>(pCells), nFrameBytes);
    return str;
}

void GwpWrite(std::ostream& os, const CArtDoc& doc)
{
    // Frame by frame straight from the stores: the file is never held whole.
    const auto nFrameBytes = static_cast<std::streamsize>(doc.GetCellCount() * sizeof(CharCell));
    std::string strHeader(GWP_MAGIC, 8);
    AppendInt(strHeader, doc.GetFrameCount());
    AppendInt(strHeader, doc.GetCols());
    AppendInt(strHeader, doc.GetRows());
    os.write(strHeader.data(), static_cast<std::streamsize>(strHeader.size()));
    for (const auto& [nKey, pCells] : doc.GetFrames()) {
        if (!os)
            return;
        os.write(reinterpret_cast<const char*>(pCells), nFrameBytes);
    }
}

bool GwpLoad(CArtDoc& doc, const CGwpImage& image, std::string* pMessage)
{
    CLoadedFrames frames;
    return GwpBuildFrames(image, &frames, pMessage) == EGwpLoad::Ok && doc.AdoptFrames(frames);
}
