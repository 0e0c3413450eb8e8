#include "core/recovery_desc.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <system_error>

namespace {

constexpr int kDescVersion = 1;

// Values may hold any byte; a line break in a path must not start a key.
std::string Escape(std::string_view str)
{
    std::string strOut;
    for (const char ch : str) {
        if (ch == '\\')
            strOut += "\\\\";
        else if (ch == '\n')
            strOut += "\\n";
        else if (ch == '\r')
            strOut += "\\r";
        else
            strOut += ch;
    }
    return strOut;
}

bool Unescape(std::string_view str, std::string* pOut)
{
    pOut->clear();
    for (std::size_t i = 0; i < str.size(); ++i) {
        char ch = str[i];
        if (ch == '\\') {
            ch = ++i < str.size() ? str[i] : '?';
            if (ch != '\\' && ch != 'n' && ch != 'r')
                return false;
            ch = ch == 'n' ? '\n' : ch == 'r' ? '\r' : '\\';
        }
        *pOut += ch;
    }
    return true;
}

template <typename T> bool ParseNumber(const std::string& str, T* pValue, int nBase = 10)
{
    const char* pEnd = str.data() + str.size();
    const auto [p, ec] = std::from_chars(str.data(), pEnd, *pValue, nBase);
    return ec == std::errc() && p == pEnd && !str.empty();
}


std::string FormatColor(COLORREF cr)
{
    char szColor[7];
    std::snprintf(szColor, sizeof szColor, "%06x", static_cast<unsigned>(cr & 0xFFFFFFu));
    return szColor;
}

} // namespace

// "back" came after the first version: a description without it (an older
// program's) is read whole, and so is one with it by an older program, which
// ignores keys it does not know. A value that is no colour counts as absent.
std::string FormatDesc(const CDesc& desc)
{
    char szHash[17];
    std::snprintf(szHash, sizeof szHash, "%016llx", static_cast<unsigned long long>(desc.nHash));
    return "version=" + std::to_string(kDescVersion) + "\npath=" + Escape(desc.strPath) +
           "\ntime=" + std::to_string(desc.nTime) + "\nframes=" + std::to_string(desc.nFrames) +
           "\nrows=" + std::to_string(desc.nRows) + "\ncols=" + std::to_string(desc.nCols) +
           "\ncopy=" + desc.strCopy + "\nsize=" + std::to_string(desc.nSize) +
           "\nhash=" + szHash + "\n" +
           (desc.crBack ? "back=" + FormatColor(*desc.crBack) + "\n" : std::string());
}

bool ParseDesc(std::string_view strText, CDesc* pDesc)
{
    std::map<std::string, std::string> map;
    while (!strText.empty()) {
        const std::size_t nEnd = std::min(strText.find('\n'), strText.size());
        const std::string_view strLine = strText.substr(0, nEnd);
        strText.remove_prefix(std::min(nEnd + 1, strText.size()));
        const std::size_t nEq = strLine.find('=');
        if (nEq == std::string_view::npos)
            return false;
        map[std::string(strLine.substr(0, nEq))] = strLine.substr(nEq + 1);
    }
    COLORREF crBack = 0;
    if (ParseNumber(map["back"], &crBack, 16) && crBack <= 0xFFFFFFu)
        pDesc->crBack = crBack;
    int nVersion = 0;
    return ParseNumber(map["version"], &nVersion) && nVersion == kDescVersion &&
           map.count("path") && Unescape(map["path"], &pDesc->strPath) &&
           ParseNumber(map["time"], &pDesc->nTime) && ParseNumber(map["frames"], &pDesc->nFrames) &&
           ParseNumber(map["rows"], &pDesc->nRows) && ParseNumber(map["cols"], &pDesc->nCols) &&
           ParseNumber(map["size"], &pDesc->nSize) &&
           ParseNumber(map["hash"], &pDesc->nHash, 16) &&
           !(pDesc->strCopy = map["copy"]).empty();
}

