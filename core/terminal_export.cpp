#include "core/terminal_export.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace {

// Windows-1252's 0x80 to 0x9F; every other byte is its own Latin-1 point.
// clang-format off
constexpr char16_t CP1252_80_9F[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
// clang-format on

// Output on its way to the stream, handed over in blocks, so an export holds
// no more than a block and a row.
class CTerminalWriter {
public:
    explicit CTerminalWriter(std::ostream& os) : m_os(os) { m_str.reserve(kBlockBytes + 4096); }
    ~CTerminalWriter() { Flush(); }

    std::string& Buffer() { return m_str; }

    void EndRow(std::string_view strEnd)
    {
        m_str.append(strEnd);
        if (m_str.size() >= kBlockBytes)
            Flush();
    }

private:
    static constexpr std::size_t kBlockBytes = 64 * 1024;

    void Flush()
    {
        m_os.write(m_str.data(), static_cast<std::streamsize>(m_str.size()));
        m_str.clear();
    }

    std::ostream& m_os;
    std::string m_str;
};

// ESC[<nSelect>;2;R;G;Bm: 38 sets the text colour, 48 the background.
void AppendRgbEscape(std::string& str, int nSelect, COLORREF cr)
{
    str.append("\x1b[");
    str.append(std::to_string(nSelect));
    str.append(";2");
    for (int nShift : {0, 8, 16}) {
        str.push_back(';');
        str.append(std::to_string((cr >> nShift) & 0xFF));
    }
    str.push_back('m');
}

bool ValidFrame(const CharCell* pCells, int nRows, int nCols)
{
    return pCells && nRows > 0 && nCols > 0;
}

const CharCell* RowCells(const CharCell* pCells, int nRow, int nCols)
{
    return pCells + static_cast<std::size_t>(nRow) * static_cast<std::size_t>(nCols);
}

} // namespace

// Control characters are never written as they are: a drawing holding ESC, or
// the C1 controls of the five unassigned bytes (0x9D opens an OSC, 0x90 a DCS,
// in terminals that read them), could otherwise send the terminal commands,
// and a CR, LF or tab would break the row's shape. The canvas draws them as
// blank cells, so they go out as spaces; byte 0 too.
char16_t TerminalChar(uint8_t ch)
{
    const char16_t wch = Cp1252ToUnicode(ch);
    if (wch < 0x20 || (wch >= 0x7F && wch <= 0x9F))
        return u' ';
    return wch;
}

char16_t Cp1252ToUnicode(uint8_t ch)
{
    if (ch >= 0x80 && ch <= 0x9F)
        return CP1252_80_9F[ch - 0x80];
    return ch;
}

void AppendUtf8(std::string& str, char16_t ch)
{
    // A lone surrogate has no UTF-8 form of its own.
    if (ch >= 0xD800 && ch <= 0xDFFF)
        ch = 0xFFFD;
    if (ch < 0x80) {
        str.push_back(static_cast<char>(ch));
    } else if (ch < 0x800) {
        str.push_back(static_cast<char>(0xC0 | (ch >> 6)));
        str.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else {
        str.push_back(static_cast<char>(0xE0 | (ch >> 12)));
        str.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        str.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    }
}

void ExportUtf8Text(std::ostream& os, const CharCell* pCells, int nRows, int nCols)
{
    if (!ValidFrame(pCells, nRows, nCols))
        return;
    CTerminalWriter out(os);
    for (int r = 0; r < nRows; ++r) {
        const CharCell* pRow = RowCells(pCells, r, nCols);
        for (int c = 0; c < nCols; ++c)
            AppendUtf8(out.Buffer(), TerminalChar(pRow[c].chChar));
        out.EndRow("\n");
    }
}

void ExportAnsiText(std::ostream& os, const CharCell* pCells, int nRows, int nCols, COLORREF crBack)
{
    if (!ValidFrame(pCells, nRows, nCols))
        return;
    CTerminalWriter out(os);
    std::string& str = out.Buffer();
    for (int r = 0; r < nRows; ++r) {
        const CharCell* pRow = RowCells(pCells, r, nCols);
        AppendRgbEscape(str, 48, crBack);
        for (int c = 0; c < nCols; ++c) {
            // Only the low three bytes are a colour; the rest never reaches
            // the output, so it must not start a run either.
            const COLORREF cr = pRow[c].crColor & 0xFFFFFF;
            if (c == 0 || cr != (pRow[c - 1].crColor & 0xFFFFFF))
                AppendRgbEscape(str, 38, cr);
            AppendUtf8(str, TerminalChar(pRow[c].chChar));
        }
        out.EndRow("\x1b[0m\n");
    }
}
