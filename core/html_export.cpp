#include "core/html_export.h"

#include "core/anim_template.h"
#include "core/art_doc.h"

namespace {

// Text files end their lines in CR LF.
void WriteText(std::ostream& os, const std::string& str)
{
    std::string strOut;
    strOut.reserve(str.size() + str.size() / 32);
    for (char ch : str) {
        if (ch == '\n')
            strOut.push_back('\r');
        strOut.push_back(ch);
    }
    os.write(strOut.data(), static_cast<std::streamsize>(strOut.size()));
}

} // namespace

std::string FormatHtmlColor(COLORREF cr)
{
    static const char kHex[] = "0123456789abcdef";
    std::string str = "#";
    for (int nShift : {0, 8, 16}) {
        const unsigned nByte = (cr >> nShift) & 0xFF;
        str.push_back(kHex[nByte >> 4]);
        str.push_back(kHex[nByte & 15]);
    }
    return str;
}

void AppendCellMarkup(std::string& str, const CharCell& cell)
{
    if (cell.chChar == ' ') {
        str.push_back(' ');
        return;
    }
    str += "<font color=";
    str += FormatHtmlColor(cell.crColor);
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
    std::string str;
    str.reserve(std::size_t(nRows) * (nCols + 1));
    for (int r = 0; r < nRows; ++r) {
        for (int c = 0; c < nCols; ++c)
            str.push_back(static_cast<char>(pCells[r * nCols + c].chChar));
        str.push_back('\n');
    }
    WriteText(os, str);
}

void ExportSingleHtml(std::ostream& os, const CharCell* pCells, int nRows, int nCols,
                      COLORREF crBack)
{
    // "monospace" closes the list so that the art stays aligned where
    // neither Courier is installed.
    std::string str = "<STYLE type=text/css>PRE {FONT-SIZE: 10px;FONT-FAMILY: \"Courier New\", "
                      "Courier, mono, monospace}</STYLE>\n";
    str += "<HTML>\n<BODY bgcolor=";
    str += FormatHtmlColor(crBack);
    str += ">\n<DIV>\n<PRE>\n";
    AppendFrameMarkup(str, pCells, nRows, nCols);
    str += "</PRE></DIV></BODY></HTML>";
    WriteText(os, str);
}

void ExportAnimationHtml(std::ostream& os, const CArtDoc& doc, int nIntervalTenths,
                         COLORREF crBack)
{
    std::string str;
    for (int nId : {52836, 52837, 52838, 52840, 52841, 52842, 52843, 52844, 52845, 52846, 52847,
                    52848, 52849, 52850, 52851})
        str += AnimTemplatePiece(nId);
    str += AnimTemplatePiece(52852);
    str += std::to_string(doc.GetFrameCount());
    str += AnimTemplatePiece(52853);
    str += std::to_string(nIntervalTenths * 100);
    str += AnimTemplatePiece(52854);
    str += AnimTemplatePiece(52855);
    str += AnimTemplatePiece(52856);
    str += AnimTemplatePiece(52857);
    str += FormatHtmlColor(crBack);
    str += AnimTemplatePiece(52858);
    str += AnimTemplatePiece(52859);
    int n = 1;
    for (const auto& [nKey, pCells] : doc.m_mapFrames) {
        str += "<DIV id=text" + std::to_string(n++) + ">\n<PRE>\n";
        AppendFrameMarkup(str, pCells, doc.m_nRows, doc.m_nCols);
        str += "</PRE></DIV>";
    }
    str += "</BODY></HTML>";
    WriteText(os, str);
}
