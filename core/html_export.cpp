#include "core/html_export.h"

#include "core/anim_template.h"
#include "core/art_doc.h"

#include <string_view>

namespace {

void AppendColor(std::string& str, COLORREF cr)
{
    static const char kHex[] = "0123456789abcdef";
    str.push_back('#');
    for (int nShift : {0, 8, 16}) {
        const unsigned nByte = (cr >> nShift) & 0xFF;
        str.push_back(kHex[nByte >> 4]);
        str.push_back(kHex[nByte & 15]);
    }
}

// Output on its way to the stream. Every LF becomes CR LF, as text files
// want, a cell's own LF character included; the stream gets the result in
// blocks, so an export holds no more than a block and a row. A block is as
// large as a safe save's buffer, which then passes it to the file uncopied.
class CCrLfWriter {
public:
    explicit CCrLfWriter(std::ostream& os) : m_os(os) { m_str.reserve(kBlockBytes + 4096); }

    void Text(std::string_view str)
    {
        for (auto n = str.find('\n'); n != std::string_view::npos; n = str.find('\n')) {
            m_str.append(str.substr(0, n));
            m_str.append("\r\n");
            str.remove_prefix(n + 1);
        }
        m_str.append(str);
        Spill();
    }

    // Each row's characters, as markup or bare, and a line end.
    void Rows(const CharCell* pCells, int nRows, int nCols, bool bMarkup)
    {
        for (int r = 0; r < nRows; ++r) {
            const CharCell* pRow = pCells + std::size_t(r) * std::size_t(nCols);
            for (int c = 0; c < nCols; ++c) {
                if (bMarkup)
                    Cell(pRow[c]);
                else
                    Char(pRow[c].chChar);
            }
            m_str.append("\r\n");
            Spill();
        }
    }

    // Hands everything held to the stream; false once the stream has failed.
    bool Flush()
    {
        m_os.write(m_str.data(), static_cast<std::streamsize>(m_str.size()));
        m_str.clear();
        return !m_os.fail();
    }

private:
    static constexpr std::size_t kBlockBytes = 64 * 1024;

    void Char(uint8_t ch)
    {
        if (ch == '\n')
            m_str.push_back('\r');
        m_str.push_back(static_cast<char>(ch));
    }

    void Cell(const CharCell& cell)
    {
        if (cell.chChar == ' ') {
            m_str.push_back(' ');
            return;
        }
        m_str.append("<font color=");
        AppendColor(m_str, cell.crColor);
        m_str.push_back('>');
        Char(cell.chChar);
        m_str.append("</font>");
    }

    void Spill()
    {
        if (m_str.size() >= kBlockBytes)
            Flush();
    }

    std::ostream& m_os;
    std::string m_str;
};

} // namespace

std::string FormatHtmlColor(COLORREF cr)
{
    std::string str;
    AppendColor(str, cr);
    return str;
}

void AppendCellMarkup(std::string& str, const CharCell& cell)
{
    if (cell.chChar == ' ') {
        str.push_back(' ');
        return;
    }
    str += "<font color=";
    AppendColor(str, cell.crColor);
    str.push_back('>');
    str.push_back(static_cast<char>(cell.chChar));
    str += "</font>";
}

void AppendFrameMarkup(std::string& str, const CharCell* pCells, int nRows, int nCols)
{
    for (int r = 0; r < nRows; ++r) {
        for (int c = 0; c < nCols; ++c)
            AppendCellMarkup(str, pCells[r * nCols + c]);
        str.push_back('\n');
    }
}

void ExportSingleText(std::ostream& os, const CharCell* pCells, int nRows, int nCols)
{
    CCrLfWriter out(os);
    out.Rows(pCells, nRows, nCols, false);
    out.Flush();
}

void ExportSingleHtml(std::ostream& os, const CharCell* pCells, int nRows, int nCols,
                      COLORREF crBack)
{
    CCrLfWriter out(os);
    // "monospace" closes the list so that the art stays aligned where
    // neither Courier is installed.
    out.Text("<STYLE type=text/css>PRE {FONT-SIZE: 10px;FONT-FAMILY: \"Courier New\", "
             "Courier, mono, monospace}</STYLE>\n");
    out.Text("<HTML>\n<BODY bgcolor=");
    out.Text(FormatHtmlColor(crBack));
    out.Text(">\n<DIV>\n<PRE>\n");
    out.Rows(pCells, nRows, nCols, true);
    out.Text("</PRE></DIV></BODY></HTML>");
    out.Flush();
}

bool ExportAnimationHtml(std::ostream& os, IAnimFrameSource& frames, int nIntervalTenths,
                         COLORREF crBack)
{
    CCrLfWriter out(os);
    for (int nId : {52836, 52837, 52838, 52840, 52841, 52842, 52843, 52844, 52845, 52846, 52847,
                    52848, 52849, 52850, 52851})
        out.Text(AnimTemplatePiece(nId));
    const int nFrames = frames.GetFrameCount();
    out.Text(AnimTemplatePiece(52852));
    out.Text(std::to_string(nFrames));
    out.Text(AnimTemplatePiece(52853));
    out.Text(std::to_string(nIntervalTenths * 100));
    for (int nId : {52854, 52855, 52856, 52857})
        out.Text(AnimTemplatePiece(nId));
    out.Text(FormatHtmlColor(crBack));
    out.Text(AnimTemplatePiece(52858));
    out.Text(AnimTemplatePiece(52859));
    for (int n = 0; n < nFrames; ++n) {
        const CharCell* pCells = frames.GetFrame(n);
        if (!pCells || os.fail()) {
            out.Flush();
            return false;
        }
        out.Text("<DIV id=text" + std::to_string(n + 1) + ">\n<PRE>\n");
        out.Rows(pCells, frames.GetRows(), frames.GetCols(), true);
        out.Text("</PRE></DIV>");
    }
    out.Text("</BODY></HTML>");
    return out.Flush();
}

bool ExportAnimationHtml(std::ostream& os, const CArtDoc& doc, int nIntervalTenths, COLORREF crBack)
{
    CDocFrameSource frames(doc);
    return ExportAnimationHtml(os, frames, nIntervalTenths, crBack);
}
