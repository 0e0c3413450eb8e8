// The terminal recording read back as a player reads it: every line parsed
// as JSON, the header's size and title, one event per frame at the interval,
// and each event's output replayed through the coloured export's reader and
// compared with the frame, cell by cell.
#include "core/cast_export.h"
#include "core/terminal_export.h"
#include "export_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A JSON value: a number, a string (UTF-8), an array or an object.
struct Json {
    double dNum = 0;
    std::string str;
    std::vector<Json> vItems;
    std::vector<std::pair<std::string, Json>> vFields;
    const Json& operator[](const std::string& strKey) const
    {
        for (const auto& [k, v] : vFields)
            if (k == strKey)
                return v;
        throw std::runtime_error("no field " + strKey);
    }
};

// A strict reader of one JSON value that fills the whole line; throws on
// anything else.
class CJsonReader {
public:
    explicit CJsonReader(std::string_view s) : m_s(s) {}
    Json ReadAll()
    {
        Json v = Value();
        Skip();
        if (m_i != m_s.size())
            throw std::runtime_error("trailing text");
        return v;
    }

private:
    void Skip()
    {
        while (m_i < m_s.size() && m_s[m_i] == ' ')
            ++m_i;
    }
    char Next()
    {
        if (m_i >= m_s.size())
            throw std::runtime_error("cut short");
        return m_s[m_i++];
    }
    void Expect(char ch)
    {
        Skip();
        if (Next() != ch)
            throw std::runtime_error(std::string("expected ") + ch);
    }
    Json Value()
    {
        Skip();
        Json v;
        const char ch = Next();
        if (ch == '"') {
            v.str = String();
        } else if (ch == '[' || ch == '{') {
            const char chEnd = ch == '[' ? ']' : '}';
            Skip();
            if (m_s.at(m_i) == chEnd)
                return ++m_i, v;
            do {
                if (ch == '[') {
                    v.vItems.push_back(Value());
                } else {
                    Expect('"');
                    std::string strKey = String();
                    Expect(':');
                    v.vFields.emplace_back(strKey, Value());
                }
                Skip();
            } while (Next() == ',' || (--m_i, false));
            Expect(chEnd);
        } else {
            --m_i;
            char* pEnd = nullptr;
            const std::string strRest(m_s.substr(m_i, 32));
            v.dNum = std::strtod(strRest.c_str(), &pEnd);
            if (pEnd == strRest.c_str() || !(ch == '-' || (ch >= '0' && ch <= '9')))
                throw std::runtime_error("bad value");
            m_i += std::size_t(pEnd - strRest.c_str());
        }
        return v;
    }
    std::string String()
    {
        std::string str;
        for (char ch = Next(); ch != '"'; ch = Next()) {
            if (static_cast<unsigned char>(ch) < 0x20)
                throw std::runtime_error("raw control character in a string");
            if (ch != '\\') {
                str.push_back(ch);
                continue;
            }
            switch (ch = Next()) {
            case 'n':
                str.push_back('\n');
                break;
            case 'r':
                str.push_back('\r');
                break;
            case 't':
                str.push_back('\t');
                break;
            case 'u':
                AppendUtf8(str, char16_t(std::stoi(std::string(m_s.substr(m_i, 4)), nullptr, 16)));
                m_i += 4;
                break;
            case '"':
            case '\\':
            case '/':
                str.push_back(ch);
                break;
            default:
                throw std::runtime_error("bad escape");
            }
        }
        return str;
    }
    std::string_view m_s;
    std::size_t m_i = 0;
};

std::vector<Json> ReadLines(const std::string& str)
{
    std::vector<Json> v;
    std::istringstream is(str);
    for (std::string strLine; std::getline(is, strLine);)
        v.push_back(CJsonReader(strLine).ReadAll());
    return v;
}

constexpr COLORREF kBack = 0x102030;

TEST(CastExport, EveryFrameReplaysAsTheFrameAtItsTime)
{
    const int nRows = 3, nCols = 4;
    gwtest::CVectorFrames frames(nRows, nCols);
    const std::string strBytes = "ab\x80\xE9 \x1b\"\\\r\nxy\x9D\x99Zq";
    for (int f = 0; f < 3; ++f) {
        std::vector<CharCell> v;
        for (int i = 0; i < nRows * nCols; ++i)
            v.push_back(
                CharCell{COLORREF(i * 0x030507 + f * 0x100000),
                         0,
                         0,
                         static_cast<uint8_t>(strBytes[std::size_t(i + f) % strBytes.size()]),
                         {}});
        frames.Add(std::move(v));
    }
    std::ostringstream os;
    ASSERT_TRUE(ExportCast(os, frames, {7, kBack, "dance \"one\"\\\n\xC3\xA9\xFF\xE2\x82"}));
    const std::vector<Json> vLines = ReadLines(os.str());
    ASSERT_EQ(vLines.size(), 5u) << "header, three frames, the end";
    EXPECT_EQ(vLines[0]["version"].dNum, 2);
    EXPECT_EQ(vLines[0]["width"].dNum, nCols);
    EXPECT_EQ(vLines[0]["height"].dNum, nRows);
    EXPECT_EQ(vLines[0]["title"].str,
              "dance \"one\"\\\n\xC3\xA9\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    for (int f = 0; f <= 3; ++f) {
        SCOPED_TRACE(f);
        const Json& event = vLines[std::size_t(f) + 1];
        ASSERT_EQ(event.vItems.size(), 3u);
        EXPECT_DOUBLE_EQ(event.vItems[0].dNum, 0.7 * f);
        EXPECT_EQ(event.vItems[1].str, "o");
        std::string strOut = event.vItems[2].str;
        if (f == 3) {
            EXPECT_EQ(strOut, "");
            continue;
        }
        // From the top-left corner; rows joined by CR LF, no line end after
        // the last (it would scroll a terminal of the drawing's height).
        ASSERT_TRUE(strOut.starts_with("\x1b[H"));
        strOut.erase(0, 3);
        std::string strRows;
        for (std::size_t i = 0; i < strOut.size(); ++i) {
            ASSERT_FALSE(strOut[i] == '\r' && strOut.compare(i, 2, "\r\n") != 0) << i;
            ASSERT_FALSE(strOut[i] == '\n' && (i == 0 || strOut[i - 1] != '\r')) << i;
            if (strOut[i] != '\r')
                strRows.push_back(strOut[i]);
        }
        gwtest::Shown shown;
        gwtest::ReadAnsi(strRows + "\n", shown, kBack);
        std::string strExpected;
        std::vector<COLORREF> vColors;
        for (int i = 0; i < nRows * nCols; ++i) {
            const CharCell& cell = frames.m_vFrames[std::size_t(f)][std::size_t(i)];
            AppendUtf8(strExpected, TerminalChar(cell.chChar));
            strExpected += i % nCols == nCols - 1 ? "\n" : "";
            vColors.push_back(cell.crColor);
        }
        EXPECT_EQ(shown.strText, strExpected);
        EXPECT_EQ(shown.vColors, vColors);
    }
}

TEST(CastExport, StopsAtAFrameThatCannotBeHad)
{
    gwtest::CVectorFrames frames(1, 2);
    for (int n = 0; n < 3; ++n)
        frames.Add("ab", 1);
    frames.m_nFailAt = 1;
    std::ostringstream os;
    EXPECT_FALSE(ExportCast(os, frames, {5, kBack, "t"}));
    EXPECT_EQ(ReadLines(os.str()).size(), 2u);
}

} // namespace
