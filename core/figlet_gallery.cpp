#include "core/figlet_gallery.h"

#include "core/figlet_zip.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

std::string FigFontFileHead(const std::string& strPath)
{
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    // A header line is short; what lies past the first kilobyte is glyphs.
    // A zipped font's first kilobyte of text is unpacked from the start of
    // the archive, which a deflated header line never outgrows.
    constexpr std::size_t kHeadBytes = 1024, kZippedHeadBytes = 64 * 1024;
    std::string strData(kZippedHeadBytes, '\0');
    std::size_t nHave = 0;
    for (std::size_t nWant = kHeadBytes; nHave < nWant;) {
        const ssize_t nRead = ::read(fd, strData.data() + nHave, nWant - nHave);
        if (nRead < 0 && errno == EINTR)
            continue;
        if (nRead <= 0)
            break;
        nHave += static_cast<std::size_t>(nRead);
        if (nWant == kHeadBytes && IsZipData(std::string_view(strData).substr(0, nHave)))
            nWant = kZippedHeadBytes;
        else if (nWant == kHeadBytes)
            break; // a plain font: one read, as much as it gives
    }
    ::close(fd);
    strData.resize(nHave);
    if (IsZipData(strData))
        strData = ZipEntryStart(strData, kHeadBytes);
    return strData.substr(0, strData.find('\n'));
}

int32_t FigFontFileHeight(const std::string& strPath)
{
    FigFont font;
    return ParseFigFont(FigFontFileHead(strPath), font) == EFigLoad::OK ? font.nHeight : 0;
}

void CFigGallery::SetFonts(std::vector<std::string> vPaths)
{
    m_vEntries.clear();
    m_vEntries.resize(vPaths.size());
    for (std::size_t n = 0; n < vPaths.size(); ++n)
        m_vEntries[n].strPath = std::move(vPaths[n]);
    m_nCompositions = 0;
}

void CFigGallery::SetText(std::string_view text, int nSpacing, std::size_t nMaxBytes)
{
    m_strText = text;
    m_nSpacing = nSpacing;
    m_nMaxBytes = nMaxBytes;
    for (SEntry& entry : m_vEntries) {
        entry.bRendered = false;
        entry.strRows.clear();
    }
}

const std::string& CFigGallery::Rendered(std::size_t n)
{
    SEntry& entry = m_vEntries[n];
    if (entry.bRendered)
        return entry.strRows;
    if (!entry.bRead) {
        entry.bReadable = LoadFigFontFile(entry.strPath, entry.font) == EFigLoad::OK;
        entry.bRead = true;
    }
    if (entry.bReadable)
        ComposeFigText(m_strText, entry.font, m_nSpacing, m_nMaxBytes, &entry.strRows);
    entry.bRendered = true;
    ++m_nCompositions;
    return entry.strRows;
}
