// The fitted and smushed spacings: glyphs move towards the text composed so
// far until they touch (fitting) or one column further, the touching
// characters then joined by the font's smushing rules (smushing). The layout
// comes from the header's full layout when it has one, else from the old
// layout: -1 full width, 0 fitting, a sum of rules smushing by those rules,
// where the hardblank rule (32) is not read: an old-layout-only font that
// names it smushes as if it did not, as figlet does.
// A font that asks for smushing without naming rules gets universal
// smushing: the later glyph's character wins, except over a hardblank's.
// Lines of text stack at the font's full height.
#include "core/figlet.h"
#include "core/figlet_rules.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum : int32_t {
    FULL_FIT = 64,
    FULL_SMUSH = 128,
    RULE_EQUAL = 1,
    RULE_UNDERSCORE = 2,
    RULE_HIERARCHY = 4,
    RULE_PAIR = 8,
    RULE_BIG_X = 16,
    RULE_HARDBLANK = 32,
};

struct SFigMode {
    bool bFit = false;   // glyphs move together until they touch
    bool bSmush = false; // and one column further where a rule joins them
    int32_t nRules = 0;  // horizontal smushing rules; none means universal
    bool bRightToLeft = false;
    char chHardblank = ' ';
};

SFigMode ModeOf(const FigFont& font, int nSpacing)
{
    int32_t nFull = font.nFullLayout;
    if (nFull < 0)
        nFull = font.nOldLayout < 0    ? 0
                : font.nOldLayout == 0 ? FULL_FIT
                                       : (font.nOldLayout & 31) | FULL_SMUSH;
    SFigMode mode;
    mode.bSmush = nSpacing == FIG_SPACING_FONT_LAYOUT && (nFull & FULL_SMUSH) != 0;
    mode.bFit = nSpacing == FIG_SPACING_FITTED || mode.bSmush || (nFull & FULL_FIT) != 0;
    mode.nRules = nFull & 63;
    mode.bRightToLeft = font.nPrintDirection == 1;
    mode.chHardblank = font.chSigHardblank;
    return mode;
}

using figlet_rules::HierarchyClass;
using figlet_rules::IsIn;

// The character that stands where a (left) and b (right) meet, or '\0' when
// they cannot share a column. Glyphs narrower than two columns never smush:
// they would vanish into their neighbours.
char Smushed(char a, char b, const SFigMode& mode, bool bWideEnough)
{
    if (a == ' ')
        return b;
    if (b == ' ')
        return a;
    if (!mode.bSmush || !bWideEnough)
        return '\0';
    const char chHard = mode.chHardblank;
    if (mode.nRules == 0) {
        if (a == chHard)
            return b;
        if (b == chHard)
            return a;
        return mode.bRightToLeft ? a : b; // the later glyph is in front
    }
    if ((mode.nRules & RULE_HARDBLANK) && a == chHard && b == chHard)
        return a;
    if (a == chHard || b == chHard)
        return '\0';
    if ((mode.nRules & RULE_EQUAL) && a == b)
        return a;
    static constexpr std::string_view kBorders = "|/\\[]{}()<>";
    if ((mode.nRules & RULE_UNDERSCORE) && a == '_' && IsIn(b, kBorders))
        return b;
    if ((mode.nRules & RULE_UNDERSCORE) && b == '_' && IsIn(a, kBorders))
        return a;
    if (mode.nRules & RULE_HIERARCHY) {
        const int nA = HierarchyClass(a), nB = HierarchyClass(b);
        if (nA >= 0 && nB >= 0 && nA != nB)
            return nA > nB ? a : b;
    }
    if (mode.nRules & RULE_PAIR) {
        const char pair[2] = {a, b};
        for (const std::string_view opposite : {"[]", "][", "{}", "}{", "()", ")("})
            if (opposite == std::string_view(pair, 2))
                return '|';
    }
    if (mode.nRules & RULE_BIG_X) {
        if (a == '/' && b == '\\')
            return '|';
        if (a == '\\' && b == '/')
            return 'Y';
        if (a == '>' && b == '<')
            return 'X';
    }
    return '\0';
}

// The rows of one line of lettering. A right-to-left line is kept mirrored,
// with mirrored glyphs, so that each new glyph is appended either way; a
// character from the text so far and one from the new glyph meet in print
// order.
class CFigLine {
public:
    CFigLine(const FigFont& font, int nSpacing, std::size_t nMaxBytes, std::size_t nBytes)
        : m_mode(ModeOf(font, nSpacing)), m_vRows(static_cast<std::size_t>(font.nHeight)),
          m_vInkEnd(m_vRows.size()), m_nMaxBytes(nMaxBytes), m_nBytes(nBytes + 2 * m_vRows.size())
    {
    }

    bool RightToLeft() const { return m_mode.bRightToLeft; }

    // Sets the glyph (its rows end marks off, mirrored for right to left)
    // against the line; false once the rows pass the byte limit.
    bool Add(const std::vector<std::string>& vGlyph)
    {
        const std::size_t nWidth = vGlyph[0].size();
        const bool bWideEnough = m_nPrevWidth >= 2 && nWidth >= 2;
        std::size_t nOverlap = 0;
        if (m_mode.bFit) {
            nOverlap = nWidth;
            for (std::size_t k = 0; k < m_vRows.size() && nOverlap > 0; ++k)
                nOverlap = std::min(nOverlap, Overlap(k, vGlyph[k], bWideEnough));
        }
        for (std::size_t k = 0; k < m_vRows.size(); ++k) {
            m_nBytes -= m_vRows[k].size();
            Append(k, vGlyph[k], nOverlap, bWideEnough);
            m_nBytes += m_vRows[k].size();
        }
        m_nPrevWidth = nWidth;
        return m_nBytes <= m_nMaxBytes;
    }

    // The rows in print order, hardblanks as spaces, CR LF after each.
    void Finish(std::string* pRows)
    {
        pRows->reserve(m_nBytes);
        for (std::string& row : m_vRows) {
            if (m_mode.bRightToLeft)
                std::reverse(row.begin(), row.end());
            std::replace(row.begin(), row.end(), m_mode.chHardblank, ' ');
            *pRows += row;
            *pRows += "\r\n";
        }
    }

private:
    char Smush(char chOld, char chNew, bool bWideEnough) const
    {
        return m_mode.bRightToLeft ? Smushed(chNew, chOld, m_mode, bWideEnough)
                                   : Smushed(chOld, chNew, m_mode, bWideEnough);
    }

    // Columns the glyph row can share with row k: the row's trailing
    // blanks, the glyph's leading ones, and one more where the characters
    // that then touch smush.
    std::size_t Overlap(std::size_t k, std::string_view glyph, bool bWideEnough) const
    {
        const std::string& row = m_vRows[k];
        const std::size_t nInkEnd = m_vInkEnd[k];
        const std::size_t nGlyphInk = glyph.find_first_not_of(' ');
        std::size_t nOverlap = row.size() - nInkEnd;
        nOverlap += nGlyphInk == std::string_view::npos ? glyph.size() : nGlyphInk;
        if (nInkEnd > 0 && nGlyphInk != std::string_view::npos &&
            Smush(row[nInkEnd - 1], glyph[nGlyphInk], bWideEnough) != '\0')
            ++nOverlap;
        return nOverlap;
    }

    // The glyph's first nOverlap columns laid over row k's last ones, in
    // place. Glyph columns that would fall before the row's start are
    // blank (the overlap never takes more), so they are left out.
    void Append(std::size_t k, std::string_view glyph, std::size_t nOverlap, bool bWideEnough)
    {
        std::string& row = m_vRows[k];
        const std::size_t nShared = std::min(nOverlap, row.size());
        const std::size_t nFirst = row.size() - nShared;
        for (std::size_t i = 0; i < nShared; ++i) {
            const std::size_t nGlyphCol = nOverlap - nShared + i;
            if (nGlyphCol >= glyph.size())
                break;
            const char ch = Smush(row[nFirst + i], glyph[nGlyphCol], bWideEnough);
            if (ch != '\0')
                row[nFirst + i] = ch;
        }
        row.append(glyph.substr(std::min(nOverlap, glyph.size())));
        // Only columns from nFirst on changed, so the row's ink ends among
        // them or where it ended before: scanning no further keeps a long
        // line with a blank row linear.
        std::size_t nInkEnd = row.size();
        while (nInkEnd > nFirst && row[nInkEnd - 1] == ' ')
            --nInkEnd;
        m_vInkEnd[k] = nInkEnd > nFirst ? nInkEnd : std::min(m_vInkEnd[k], nFirst);
    }

    SFigMode m_mode;
    std::vector<std::string> m_vRows;
    std::vector<std::size_t> m_vInkEnd; // each row's length without its trailing blanks
    std::size_t m_nMaxBytes;
    std::size_t m_nBytes; // the rows and their line ends
    std::size_t m_nPrevWidth = 0;
};

} // namespace

bool AppendFigLayoutLine(std::string_view line, const FigFont& font, int nSpacing,
                         std::size_t nMaxBytes, std::string* pRows)
{
    if (font.nHeight <= 0)
        return true;
    CFigLine figLine(font, nSpacing, nMaxBytes, pRows->size());
    const auto nHeight = static_cast<std::size_t>(font.nHeight);
    // Each glyph's rows are prepared once, however often the text uses it.
    std::vector<std::vector<std::string>> vGlyphs(FIG_GLYPH_COUNT);
    for (const char ch : line) {
        const int nCode = static_cast<unsigned char>(ch);
        if (nCode < FIG_FIRST_CODE || nCode >= FIG_FIRST_CODE + FIG_GLYPH_COUNT)
            continue;
        std::vector<std::string>& vGlyph =
            vGlyphs[static_cast<std::size_t>(nCode - FIG_FIRST_CODE)];
        if (vGlyph.empty()) {
            const std::vector<std::string>& vStored =
                font.glyphs[static_cast<std::size_t>(nCode - FIG_FIRST_CODE)];
            for (std::size_t k = 0; k < nHeight; ++k) {
                vGlyph.push_back(k < vStored.size() ? StripEndmarks(vStored[k]) : std::string());
                if (figLine.RightToLeft())
                    std::reverse(vGlyph.back().begin(), vGlyph.back().end());
            }
        }
        if (!figLine.Add(vGlyph))
            return false;
    }
    figLine.Finish(pRows);
    return pRows->size() <= nMaxBytes;
}
