#include "core/figlet.h"
#include "core/figlet_rules.h"

#include "core/figlet_zip.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

// Hands out the lines of a font file one at a time; past the end every line
// is empty, so a short file still fills all its glyphs.
class CFigLines {
public:
    explicit CFigLines(std::string_view data) : m_data(data) {}

    bool AtEnd() const { return m_nPos >= m_data.size(); }

    std::string_view Next()
    {
        if (AtEnd())
            return {};
        const std::size_t nLf = m_data.find('\n', m_nPos);
        const std::size_t nEnd = nLf == std::string_view::npos ? m_data.size() : nLf;
        std::string_view line = m_data.substr(m_nPos, nEnd - m_nPos);
        m_nPos = nEnd == m_data.size() ? nEnd : nEnd + 1;
        // Only a CR that belongs to a CR LF pair goes; a lone CR is text.
        if (nLf != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }

private:
    std::string_view m_data;
    std::size_t m_nPos = 0;
};

bool IsFigWhite(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

// The header's words: split at runs of spaces only (a tab is part of a word);
// words the line does not have are empty.
std::array<std::string_view, 8> HeaderWords(std::string_view line)
{
    std::array<std::string_view, 8> words{};
    std::size_t nPos = 0;
    for (std::string_view& word : words) {
        nPos = line.find_first_not_of(' ', nPos);
        if (nPos == std::string_view::npos)
            break;
        const std::size_t nEnd = std::min(line.find(' ', nPos), line.size());
        word = line.substr(nPos, nEnd - nPos);
        nPos = nEnd;
    }
    return words;
}

// The word's leading decimal integer, read as atoi reads it (white space, an
// optional sign, digits; none gives 0), but held at the int32 limits instead
// of overflowing.
int32_t LeadingInt(std::string_view word)
{
    std::size_t i = 0;
    while (i < word.size() && IsFigWhite(word[i]))
        ++i;
    bool bNegative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-'))
        bNegative = word[i++] == '-';
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t nValue = 0;
    for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i)
        nValue = std::min(kLimit, nValue * 10 + (word[i] - '0'));
    if (bNegative)
        return static_cast<int32_t>(-nValue);
    return static_cast<int32_t>(std::min<int64_t>(nValue, kLimit - 1));
}

// A row without its end mark(s); see StripEndmarks.
std::string_view StrippedRow(std::string_view row)
{
    const std::size_t nSize = row.size();
    if (nSize >= 2 && row[nSize - 1] == row[nSize - 2])
        row.remove_suffix(2);
    else if (nSize > 0)
        row.remove_suffix(1);
    return row;
}

struct SGlyphRows {
    std::vector<std::string_view> vRows; // into the font, end marks removed
    std::size_t nInk = 0;                // widest row without its trailing white space
    std::size_t nTrimmed = 0;            // widest row without its leading white space
};

SGlyphRows MeasuredGlyph(const std::vector<std::string>& vStored, std::size_t nHeight)
{
    SGlyphRows glyph;
    glyph.vRows.reserve(nHeight);
    for (std::size_t k = 0; k < nHeight; ++k) {
        const std::string_view row =
            k < vStored.size() ? StrippedRow(vStored[k]) : std::string_view();
        const auto itInk = std::find_if_not(row.rbegin(), row.rend(), IsFigWhite);
        const auto itLead = std::find_if_not(row.begin(), row.end(), IsFigWhite);
        glyph.nInk = std::max(glyph.nInk, static_cast<std::size_t>(row.rend() - itInk));
        glyph.nTrimmed = std::max(glyph.nTrimmed, static_cast<std::size_t>(row.end() - itLead));
        glyph.vRows.push_back(row);
    }
    return glyph;
}

using figlet_rules::HierarchyClass;
using figlet_rules::IsIn;

// What a smushing rule does to the pair a (last of the row so far) and b
// (first of the new row).
enum class EFigJoin { KEEP, DROP_A, DROP_B, MERGE };

EFigJoin SmushRule(char a, char b, int32_t nOldLayout, char chHardblank, char* pMerged)
{
    static constexpr std::string_view kBorders = "|/\\[]{}()<>";
    switch (nOldLayout) {
    case 1:
        return a == b && a != ' ' ? EFigJoin::DROP_B : EFigJoin::KEEP;
    case 2:
        if (a == '_' && IsIn(b, kBorders))
            return EFigJoin::DROP_A;
        return b == '_' && IsIn(a, kBorders) ? EFigJoin::DROP_B : EFigJoin::KEEP;
    case 4: {
        const int nA = HierarchyClass(a), nB = HierarchyClass(b);
        if (nA < 0 || nB < 0 || nA == nB)
            return EFigJoin::KEEP;
        return nA < nB ? EFigJoin::DROP_A : EFigJoin::DROP_B;
    }
    case 8: {
        static constexpr std::string_view kPairs[] = {"[]", "][", "{}", "}{", "()", ")("};
        const char pair[2] = {a, b};
        *pMerged = '|';
        return std::find(std::begin(kPairs), std::end(kPairs), std::string_view(pair, 2)) !=
                       std::end(kPairs)
                   ? EFigJoin::MERGE
                   : EFigJoin::KEEP;
    }
    case 16:
        *pMerged = a == '/' && b == '\\'   ? '|'
                   : a == '\\' && b == '/' ? 'Y'
                   : a == '>' && b == '<'  ? 'X'
                                           : '\0';
        return *pMerged != '\0' ? EFigJoin::MERGE : EFigJoin::KEEP;
    case 32:
        return a == chHardblank && b == chHardblank ? EFigJoin::DROP_B : EFigJoin::KEEP;
    default: // 0, -1 and sums of several rules join nothing
        return EFigJoin::KEEP;
    }
}

// Joins one row of the next glyph onto row, in place: the row is only cut
// back and appended to, never copied.
void AppendGlyphRow(std::string& row, std::string_view next, std::size_t nAdvance,
                    std::size_t nTrimmedWidth, int nSpacing, int32_t nOldLayout, char chHardblank)
{
    // Any spacing the dialog does not offer sets glyphs side by side.
    if (nSpacing != FIG_SPACING_KERN && nSpacing != FIG_SPACING_SMUSH) {
        row.append(next);
        return;
    }
    if (row.size() > nAdvance)
        row.resize(nAdvance);
    if (next.size() > nTrimmedWidth)
        next.remove_prefix(next.size() - nTrimmedWidth);

    char chMerged = '\0';
    EFigJoin join = EFigJoin::KEEP;
    if (nSpacing == FIG_SPACING_SMUSH && !row.empty() && !next.empty())
        join = SmushRule(row.back(), next.front(), nOldLayout, chHardblank, &chMerged);
    if (join == EFigJoin::DROP_A || join == EFigJoin::MERGE)
        row.pop_back();
    if (join == EFigJoin::MERGE)
        row.push_back(chMerged);
    if (join == EFigJoin::DROP_B || join == EFigJoin::MERGE)
        next.remove_prefix(1);
    row.append(next);
}

} // namespace

std::string StripEndmarks(std::string_view row)
{
    return std::string(StrippedRow(row));
}

std::string JoinGlyphRow(std::string_view existing, std::string_view next, std::size_t nAdvance,
                         std::size_t nTrimmedWidth, int nSpacing, int32_t nOldLayout,
                         char chHardblank)
{
    std::string strRow(existing);
    AppendGlyphRow(strRow, next, nAdvance, nTrimmedWidth, nSpacing, nOldLayout, chHardblank);
    return strRow;
}

namespace {

// One line at spacing 0, 1 or 2 appended to *pRows; false past nMaxBytes.
bool AppendClassicLine(std::string_view text, const FigFont& font, int nSpacing,
                       std::size_t nMaxBytes, std::string* pRows)
{
    const auto nHeight = static_cast<std::size_t>(font.nHeight);
    // Each glyph is measured once, however often the text uses it.
    std::array<SGlyphRows, FIG_GLYPH_COUNT> aGlyphs;
    std::array<bool, FIG_GLYPH_COUNT> aMeasured{};
    std::vector<std::string> vOut(nHeight);
    std::size_t nBytes = pRows->size() + 2 * nHeight; // the rows and their line ends
    std::size_t nAdvance = 0;
    bool bFirst = true;
    for (const char ch : text) {
        const int nCode = static_cast<unsigned char>(ch);
        // A character without a glyph is left out as if it were not typed.
        if (nCode < FIG_FIRST_CODE || nCode >= FIG_FIRST_CODE + FIG_GLYPH_COUNT)
            continue;
        const auto nIndex = static_cast<std::size_t>(nCode - FIG_FIRST_CODE);
        if (!aMeasured[nIndex]) {
            aGlyphs[nIndex] = MeasuredGlyph(font.glyphs[nIndex], nHeight);
            aMeasured[nIndex] = true;
        }
        const SGlyphRows& glyph = aGlyphs[nIndex];
        for (std::size_t k = 0; k < nHeight; ++k) {
            nBytes -= vOut[k].size();
            if (bFirst)
                vOut[k] = glyph.vRows[k];
            else
                AppendGlyphRow(vOut[k], glyph.vRows[k], nAdvance, glyph.nTrimmed, nSpacing,
                               font.nOldLayout, font.chHardblank);
            nBytes += vOut[k].size();
        }
        // Checked per character, so at most one glyph's rows pass the limit.
        if (nBytes > nMaxBytes)
            return false;
        nAdvance += glyph.nInk;
        bFirst = false;
    }
    if (nBytes > nMaxBytes)
        return false;
    pRows->reserve(nBytes);
    for (std::string& row : vOut) {
        // Hardblanks go row by row, before the line end: a CR hardblank must
        // not eat the CR of every CR LF.
        std::replace(row.begin(), row.end(), font.chHardblank, ' ');
        *pRows += row;
        *pRows += "\r\n";
    }
    return true;
}

bool HasGlyph(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char ch) {
        const int nCode = static_cast<unsigned char>(ch);
        return nCode >= FIG_FIRST_CODE && nCode < FIG_FIRST_CODE + FIG_GLYPH_COUNT;
    });
}

} // namespace

EFigRender ComposeFigText(std::string_view text, const FigFont& font, int nSpacing,
                          std::size_t nMaxBytes, std::string* pRows)
{
    pRows->clear();
    // A single line with nothing to draw gives no rows at all, so an empty
    // input leaves the preview empty; within several lines it is a gap.
    if (font.nHeight <= 0 || (text.find('\n') == std::string_view::npos && !HasGlyph(text)))
        return EFigRender::OK;
    const bool bLayout = nSpacing == FIG_SPACING_FITTED || nSpacing == FIG_SPACING_FONT_LAYOUT;
    for (std::size_t nPos = 0;;) {
        const std::size_t nEnd = std::min(text.find('\n', nPos), text.size());
        const std::string_view line = text.substr(nPos, nEnd - nPos);
        const bool bOk = bLayout ? AppendFigLayoutLine(line, font, nSpacing, nMaxBytes, pRows)
                                 : AppendClassicLine(line, font, nSpacing, nMaxBytes, pRows);
        if (!bOk) {
            pRows->clear();
            return EFigRender::TOO_LARGE;
        }
        if (nEnd == text.size())
            return EFigRender::OK;
        nPos = nEnd + 1;
    }
}

std::string RenderFigText(std::string_view text, const FigFont& font, int nSpacing)
{
    std::string strRows;
    ComposeFigText(text, font, nSpacing, FIG_MAX_OUTPUT_BYTES, &strRows);
    return strRows;
}

namespace {

EFigLoad ParsePlainFigFont(std::string_view data, FigFont& font)
{
    CFigLines lines(data);
    std::string_view header = lines.Next();
    // A TOIlet font is read as the FIGlet font its Windows-1252 form is.
    std::string strHeader;
    const std::size_t nSignature = header.find_first_not_of(' ');
    const bool bToilet =
        nSignature != std::string_view::npos && header.substr(nSignature, 5) == "tlf2a";
    if (bToilet) {
        strHeader = Utf8ToCp1252(header);
        strHeader[nSignature] = 'f';
        header = strHeader;
    }
    const std::array<std::string_view, 8> words = HeaderWords(header);
    const std::string_view signature = words[0];
    if (signature.substr(0, 5) != "flf2a")
        return EFigLoad::BAD_HEADER;
    const int32_t nHeight = LeadingInt(words[1]);
    if (nHeight < 1 || nHeight > FIG_MAX_HEIGHT)
        return EFigLoad::BAD_HEADER;

    FigFont loaded;
    loaded.chHardblank = signature.back();
    loaded.nHeight = nHeight;
    loaded.nOldLayout = LeadingInt(words[4]);
    loaded.chSigHardblank = signature.size() > 5 ? signature[5] : ' ';
    loaded.nPrintDirection = LeadingInt(words[6]);
    if (!words[7].empty())
        loaded.nFullLayout = std::max(0, LeadingInt(words[7]));
    for (int32_t n = LeadingInt(words[5]); n > 0 && !lines.AtEnd(); --n)
        lines.Next();
    for (std::vector<std::string>& vRows : loaded.glyphs) {
        vRows.reserve(static_cast<std::size_t>(nHeight));
        for (int32_t k = 0; k < nHeight; ++k)
            vRows.emplace_back(bToilet ? ToiletGlyphRow(lines.Next()) : std::string(lines.Next()));
    }
    font = std::move(loaded);
    return EFigLoad::OK;
}

} // namespace

EFigLoad ParseFigFont(std::string_view data, FigFont& font, std::string* pWhy)
{
    if (!IsZipData(data))
        return ParsePlainFigFont(data, font);
    // The archive's text is held to the plain file's limit, so a small
    // archive cannot unpack into gigabytes.
    std::string strText;
    switch (UnzipFirstEntry(data, FIG_MAX_FILE_BYTES, &strText, pWhy)) {
    case EFigZip::OK:
        return ParsePlainFigFont(strText, font);
    case EFigZip::TOO_LARGE:
        return EFigLoad::TOO_LARGE;
    case EFigZip::DAMAGED:
        break;
    }
    return EFigLoad::BAD_ARCHIVE;
}

EFigLoad LoadFigFontFile(const std::string& strPath, FigFont& font, std::string* pWhy)
{
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return EFigLoad::NO_FILE;
    struct stat st {};
    EFigLoad result = EFigLoad::OK;
    std::string strData;
    if (::fstat(fd, &st) != 0)
        result = EFigLoad::NO_FILE;
    else if (S_ISREG(st.st_mode) && static_cast<uintmax_t>(st.st_size) > FIG_MAX_FILE_BYTES)
        result = EFigLoad::TOO_LARGE;
    // A pipe or device has no size to check first, so reading stops one
    // byte past the limit as well.
    char buf[64 * 1024];
    while (result == EFigLoad::OK) {
        const ssize_t nRead = ::read(fd, buf, sizeof buf);
        if (nRead < 0 && errno == EINTR)
            continue;
        if (nRead < 0)
            result = EFigLoad::NO_FILE;
        if (nRead <= 0)
            break;
        strData.append(buf, static_cast<std::size_t>(nRead));
        if (strData.size() > FIG_MAX_FILE_BYTES)
            result = EFigLoad::TOO_LARGE;
    }
    ::close(fd);
    return result == EFigLoad::OK ? ParseFigFont(strData, font, pWhy) : result;
}
