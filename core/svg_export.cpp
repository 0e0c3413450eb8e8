#include "core/svg_export.h"

#include "core/terminal_export.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// The canvas's requested font sizes per zoom (width x height in pixels).
constexpr int kZoomW[] = {4, 6, 8, 10, 14};
constexpr int kZoomH[] = {6, 8, 12, 18, 24};

// The six hex digits of a colour, red first, at psz.
void WriteHex(char* psz, COLORREF cr)
{
    static const char kHex[] = "0123456789abcdef";
    for (int nShift : {0, 8, 16}) {
        *psz++ = kHex[(cr >> (nShift + 4)) & 15];
        *psz++ = kHex[(cr >> nShift) & 15];
    }
}

void AppendColor(std::string& str, COLORREF cr)
{
    char sz[7] = {'#'};
    WriteHex(sz + 1, cr);
    str.append(sz, sizeof sz);
}

void AppendInt(std::string& str, long long n)
{
    str.append(std::to_string(n));
}

// One cell's character as XML text: the three markup characters as entities,
// anything past ASCII as the Unicode point of its Windows-1252 character.
// Control characters, which XML forbids or which the canvas shows blank, are
// spaces. Made once for every byte, as the export writes it per cell.
struct SXmlChar {
    char sz[8] = {}; // the longest, "&#8364;", has 7
    uint8_t nLen = 0;
    bool bBlank = false;
};

const SXmlChar* XmlChars()
{
    static const auto s_table = [] {
        std::array<SXmlChar, 256> table{};
        for (int n = 0; n < 256; ++n) {
            const char16_t wch = TerminalChar(static_cast<uint8_t>(n));
            std::string str;
            if (wch == '&')
                str = "&amp;";
            else if (wch == '<')
                str = "&lt;";
            else if (wch == '>')
                str = "&gt;";
            else if (wch < 0x80)
                str = std::string(1, static_cast<char>(wch));
            else
                str = "&#" + std::to_string(int(wch)) + ";";
            SXmlChar& entry = table[std::size_t(n)];
            str.copy(entry.sz, sizeof entry.sz - 1);
            entry.nLen = static_cast<uint8_t>(str.size());
            entry.bBlank = wch == u' ';
        }
        return table;
    }();
    return s_table.data();
}

bool IsBlank(uint8_t ch)
{
    return XmlChars()[ch].bBlank;
}

// The keyframe where a frame's turn ends, as a percentage of the whole
// cycle. Rounded up, so a frame is never hidden before the next one shows;
// where the two meet for a moment, the later group covers the earlier.
std::string TurnEnd(int nFrames)
{
    const long long nMillionths = (100000000LL + nFrames - 1) / nFrames; // of a percent
    std::string str = std::to_string(nMillionths / 1000000) + ".";
    std::string strFrac = std::to_string(nMillionths % 1000000);
    str.append(6 - strFrac.size(), '0');
    str.append(strFrac);
    while (str.back() == '0')
        str.pop_back();
    if (str.back() == '.')
        str.pop_back();
    return str + "%";
}

// Output on its way to the stream, handed over in blocks.
class CSvgWriter {
public:
    explicit CSvgWriter(std::ostream& os) : m_os(os) { m_str.reserve(kBlockBytes + 64 * 1024); }

    std::string& Buffer() { return m_str; }

    bool Spill()
    {
        if (m_str.size() >= kBlockBytes)
            return Flush();
        return !m_os.fail();
    }

    bool Flush()
    {
        m_os.write(m_str.data(), static_cast<std::streamsize>(m_str.size()));
        m_str.clear();
        return !m_os.fail();
    }

private:
    static constexpr std::size_t kBlockBytes = 64 * 1024;
    std::ostream& m_os;
    std::string m_str;
};

// One row: a <text> whose own fill is the first run's colour, each later
// run a <tspan>. A space takes whatever colour runs around it, so runs break
// only where a visible character changes colour. Trailing blanks are left
// out; textLength holds every character to its cell whatever font the viewer
// has.
void AppendRow(std::string& str, const CharCell* pRow, int nCols, int nY, const SSvgLayout& layout)
{
    int nEnd = nCols;
    while (nEnd > 0 && IsBlank(pRow[nEnd - 1].chChar))
        --nEnd;
    if (nEnd == 0)
        return;
    int nFirst = 0;
    while (IsBlank(pRow[nFirst].chChar))
        ++nFirst;
    COLORREF crRun = pRow[nFirst].crColor & 0xFFFFFF;
    str.append("<text y=\"");
    AppendInt(str, nY);
    str.append("\" textLength=\"");
    AppendInt(str, static_cast<long long>(nEnd) * layout.nCellW);
    str.append("\" fill=\"");
    AppendColor(str, crRun);
    str.append("\">");
    // Written through a pointer into room made for the longest row, the
    // export's inner loop for a drawing of many colours.
    static constexpr std::string_view kStart = "</tspan><tspan fill=\"#rrggbb\">";
    const std::size_t nOld = str.size();
    str.resize(nOld + std::size_t(nEnd) * (kStart.size() + sizeof(SXmlChar::sz)));
    char* p = str.data() + nOld;
    const SXmlChar* pXml = XmlChars();
    bool bSpan = false;
    for (int c = 0; c < nEnd; ++c) {
        const SXmlChar& xml = pXml[pRow[c].chChar];
        const COLORREF cr = pRow[c].crColor & 0xFFFFFF;
        if (cr != crRun && !xml.bBlank) {
            const std::size_t nSkip = bSpan ? 0 : 8; // no </tspan> before the first
            std::memcpy(p, kStart.data() + nSkip, kStart.size() - nSkip);
            WriteHex(p + kStart.find("rrggbb") - nSkip, cr);
            p += kStart.size() - nSkip;
            bSpan = true;
            crRun = cr;
        }
        std::memcpy(p, xml.sz, sizeof xml.sz);
        p += xml.nLen;
    }
    str.resize(std::size_t(p - str.data()));
    if (bSpan)
        str.append("</tspan>");
    str.append("</text>\n");
}

void AppendHeader(std::string& str, int nRows, int nCols, int nFrames, const SSvgParams& params)
{
    const SSvgLayout& layout = params.layout;
    const long long nW = static_cast<long long>(nCols) * layout.nCellW;
    const long long nH = static_cast<long long>(nRows) * layout.nCellH;
    str.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"");
    AppendInt(str, nW);
    str.append("\" height=\"");
    AppendInt(str, nH);
    str.append("\" viewBox=\"0 0 ");
    AppendInt(str, nW);
    str.push_back(' ');
    AppendInt(str, nH);
    str.append("\" font-family=\"'DejaVu Sans Mono', 'Courier New', Courier, monospace\" "
               "font-size=\"");
    AppendInt(str, layout.nFontPx);
    str.append("\" xml:space=\"preserve\">\n<style>\ntext{white-space:pre}\n");
    if (nFrames > 1) {
        // Each frame's group runs the same animation, started one interval
        // after the one before: visible for its turn, hidden for the rest of
        // the cycle. Played once, the last frame stays.
        const long long nTurnMs = static_cast<long long>(params.nIntervalTenths) * 100;
        str.append(".f{visibility:hidden;animation:gw ");
        AppendInt(str, nTurnMs * nFrames);
        str.append(params.bLoop ? "ms step-end infinite}\n" : "ms step-end 1 forwards}\n");
        str.append("#f1{visibility:visible}\n");
        if (!params.bLoop) {
            str.append("#f");
            AppendInt(str, nFrames);
            str.append("{animation-name:gwlast}\n"
                       "@keyframes gwlast{0%,100%{visibility:visible}}\n");
        }
        str.append("@keyframes gw{0%{visibility:visible}");
        str.append(TurnEnd(nFrames));
        str.append(",100%{visibility:hidden}}\n");
    }
    str.append("</style>\n");
}

} // namespace

SSvgLayout SvgLayoutForZoom(int nZoom)
{
    nZoom = std::clamp(nZoom, 0, 4);
    SSvgLayout layout;
    layout.nCellW = kZoomW[nZoom];
    layout.nCellH = kZoomH[nZoom];
    layout.nFontPx = kZoomH[nZoom];
    layout.nBaseline = (kZoomH[nZoom] * 4 + 2) / 5; // about the font's ascent
    return layout;
}

bool ExportAnimatedSvg(std::ostream& os, IAnimFrameSource& frames, const SSvgParams& params)
{
    const int nFrames = frames.GetFrameCount();
    const int nRows = frames.GetRows(), nCols = frames.GetCols();
    if (nFrames < 1 || nRows < 1 || nCols < 1)
        return false;
    const SSvgLayout& layout = params.layout;
    CSvgWriter out(os);
    std::string& str = out.Buffer();
    AppendHeader(str, nRows, nCols, nFrames, params);
    std::string strBack;
    AppendColor(strBack, params.crBack & 0xFFFFFF);
    const long long nTurnMs = static_cast<long long>(params.nIntervalTenths) * 100;
    for (int n = 0; n < nFrames; ++n) {
        const CharCell* pCells = frames.GetFrame(n);
        if (!pCells) {
            out.Flush();
            return false;
        }
        str.append("<g id=\"f");
        AppendInt(str, n + 1);
        str.push_back('"');
        if (nFrames > 1) {
            str.append(" class=\"f\" style=\"animation-delay:");
            AppendInt(str, nTurnMs * n);
            str.append("ms\"");
        }
        str.append(">\n<rect width=\"100%\" height=\"100%\" fill=\"");
        str.append(strBack);
        str.append("\"/>\n");
        for (int r = 0; r < nRows; ++r) {
            const CharCell* pRow =
                pCells + static_cast<std::size_t>(r) * static_cast<std::size_t>(nCols);
            AppendRow(str, pRow, nCols, r * layout.nCellH + layout.nBaseline, layout);
            if (!out.Spill())
                return false;
        }
        str.append("</g>\n");
    }
    str.append("</svg>\n");
    return out.Flush();
}
