// One text lettered in many fonts, for picking a font by its look. Fonts are
// read and the text composed only for the entries asked for, so a list that
// shows a few of many fonts pays for those few; a new text or spacing drops
// the compositions but keeps the fonts read.
#pragma once

#include "core/figlet.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The height of the font in the file, from its header alone; 0 when the file
// cannot be read or is no FIGlet or TOIlet font.
int32_t FigFontFileHeight(const std::string& strPath);

class CFigGallery {
public:
    // Forgets everything: one entry per path, nothing read yet.
    void SetFonts(std::vector<std::string> vPaths);
    // Compositions made before are dropped; fonts read stay.
    void SetText(std::string_view text, int nSpacing, std::size_t nMaxBytes);

    std::size_t Count() const { return m_vEntries.size(); }
    // Entry n's lettering (rows ending in CR LF), read and composed on the
    // first call since the last change; empty when the font cannot be read
    // or the lettering passes the size limit.
    const std::string& Rendered(std::size_t n);
    // Whether entry n's lettering is at hand, without making it.
    bool IsRendered(std::size_t n) const { return m_vEntries[n].bRendered; }
    // How many compositions have been made since SetFonts.
    std::size_t Compositions() const { return m_nCompositions; }

private:
    struct SEntry {
        std::string strPath;
        bool bRead = false;
        bool bReadable = false;
        FigFont font;
        bool bRendered = false;
        std::string strRows;
    };

    std::vector<SEntry> m_vEntries;
    std::string m_strText;
    int m_nSpacing = FIG_SPACING_FULL;
    std::size_t m_nMaxBytes = FIG_MAX_OUTPUT_BYTES;
    std::size_t m_nCompositions = 0;
};
