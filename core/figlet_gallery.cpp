#include "core/figlet_gallery.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

int32_t FigFontFileHeight(const std::string& strPath)
{
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    // A header line is short; what lies past the first kilobyte is glyphs.
    char buf[1024];
    ssize_t nRead = 0;
    do
        nRead = ::read(fd, buf, sizeof buf);
    while (nRead < 0 && errno == EINTR);
    ::close(fd);
    if (nRead <= 0)
        return 0;
    std::string_view header(buf, static_cast<std::size_t>(nRead));
    header = header.substr(0, header.find('\n'));
    FigFont font;
    return ParseFigFont(header, font) == EFigLoad::OK ? font.nHeight : 0;
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
