#include "core/gwp_writer.h"

#include "core/art_doc.h"
#include "core/gwp_format.h"
#include "core/safe_file.h"

#include <cstdint>

namespace {

void AppendInt(std::string& str, int32_t nValue)
{
    const auto n = static_cast<uint32_t>(nValue);
    for (int i = 0; i < 4; ++i)
        str.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
}

} // namespace

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

bool GwpSaveDocument(CArtDoc& doc, const std::string& strPath, std::string* pError)
{
    const auto write = [&doc](std::ostream& os) {
        GwpWrite(os, doc);
        return !os.fail();
    };
    if (!SaveFileSafely(strPath, write, pError))
        return false;
    doc.SetModifiedFlag(false);
    return true;
}
