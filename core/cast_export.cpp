#include "core/cast_export.h"

#include "core/terminal_export.h"

#include <sstream>
#include <string_view>

namespace {

// A JSON string's contents: quotes, backslashes and control characters
// escaped; bytes that are not UTF-8 replaced, so the line stays valid JSON.
void AppendJsonString(std::string& str, std::string_view text)
{
    static const char kHex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            str.push_back('\\');
            str.push_back(static_cast<char>(c));
        } else if (c == '\n') {
            str.append("\\n");
        } else if (c == '\r') {
            str.append("\\r");
        } else if (c < 0x20 || c == 0x7F) {
            str.append("\\u00");
            str.push_back(kHex[c >> 4]);
            str.push_back(kHex[c & 15]);
        } else if (c >= 0x80) {
            // A whole, shortest-form sequence of 2 to 4 bytes, or U+FFFD.
            const std::size_t nLen = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
            bool bOk = nLen > 0 && c <= 0xF4 && i + nLen <= text.size();
            for (std::size_t k = 1; bOk && k < nLen; ++k)
                bOk = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
            if (bOk && nLen >= 3) {
                const auto c1 = static_cast<unsigned char>(text[i + 1]);
                bOk = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0) &&
                      !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
            }
            if (!bOk) {
                str.append("\xEF\xBF\xBD");
                ++i;
                continue;
            }
            str.append(text.substr(i, nLen));
            i += nLen;
            continue;
        } else {
            str.push_back(static_cast<char>(c));
        }
        ++i;
    }
}

// Seconds from tenths, exactly: "12.3".
std::string Seconds(long long nTenths)
{
    return std::to_string(nTenths / 10) + "." + std::to_string(nTenths % 10);
}

void AppendEvent(std::string& str, long long nTenths, std::string_view output)
{
    str.push_back('[');
    str.append(Seconds(nTenths));
    str.append(", \"o\", \"");
    AppendJsonString(str, output);
    str.append("\"]\n");
}

} // namespace

std::string CastFrameOutput(const CharCell* pCells, int nRows, int nCols, COLORREF crBack)
{
    std::ostringstream os;
    ExportAnsiText(os, pCells, nRows, nCols, crBack);
    const std::string strRows = os.str();
    std::string str = "\x1b[H";
    str.reserve(strRows.size() + nRows + 3);
    for (std::size_t i = 0; i < strRows.size(); ++i) {
        if (strRows[i] != '\n')
            str.push_back(strRows[i]);
        else if (i + 1 < strRows.size())
            str.append("\r\n");
    }
    return str;
}

bool ExportCast(std::ostream& os, IAnimFrameSource& frames, const SCastParams& params)
{
    const int nFrames = frames.GetFrameCount();
    const int nRows = frames.GetRows(), nCols = frames.GetCols();
    if (nFrames < 1 || nRows < 1 || nCols < 1)
        return false;
    std::string str = "{\"version\": 2, \"width\": " + std::to_string(nCols) +
                      ", \"height\": " + std::to_string(nRows) + ", \"title\": \"";
    AppendJsonString(str, params.strTitle);
    str.append("\"}\n");
    const long long nTurn = params.nIntervalTenths;
    for (int n = 0; n < nFrames; ++n) {
        const CharCell* pCells = frames.GetFrame(n);
        if (!pCells || os.fail()) {
            os.write(str.data(), static_cast<std::streamsize>(str.size()));
            return false;
        }
        AppendEvent(str, nTurn * n, CastFrameOutput(pCells, nRows, nCols, params.crBack));
        os.write(str.data(), static_cast<std::streamsize>(str.size()));
        str.clear();
    }
    // An empty event one interval on, so the last frame is shown for its
    // turn before the player ends.
    AppendEvent(str, nTurn * nFrames, "");
    os.write(str.data(), static_cast<std::streamsize>(str.size()));
    return !os.fail();
}
