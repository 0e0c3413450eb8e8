// What the export tests share: frames held in vectors, the golden-file
// comparison, a counter of occurrences, and a reader of the coloured terminal export.
#pragma once

#include "core/html_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace gwtest {

inline std::filesystem::path DataDir()
{
#ifdef GW_TEST_DATA_DIR
    return std::filesystem::path(GW_TEST_DATA_DIR);
#else
    return std::filesystem::path(__FILE__).parent_path().parent_path() / "data";
#endif
}

// Compares with the golden file byte for byte, naming the first difference;
// GW_UPDATE_GOLDEN=1 rewrites the file instead.
inline void ExpectGolden(const std::string& strActual, const std::filesystem::path& path)
{
    if (std::getenv("GW_UPDATE_GOLDEN") != nullptr) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << strActual;
        GTEST_SKIP() << "rewrote " << path;
    }
    std::ifstream is(path, std::ios::binary);
    ASSERT_TRUE(is) << "missing golden file " << path;
    const std::string strExpected{std::istreambuf_iterator<char>(is), {}};
    if (strActual == strExpected)
        return;
    std::size_t i = 0;
    while (i < strActual.size() && i < strExpected.size() && strActual[i] == strExpected[i])
        ++i;
    ADD_FAILURE() << path << " differs first at offset " << i << " (expected " << strExpected.size()
                  << " bytes, got " << strActual.size() << "):\n"
                  << "expected: " << strExpected.substr(i, 60) << "\n"
                  << "actual:   " << strActual.substr(i, 60);
}

inline int Count(const std::string& str, const std::string& strPart)
{
    int n = 0;
    for (auto i = str.find(strPart); i != std::string::npos; i = str.find(strPart, i + 1))
        ++n;
    return n;
}

// Frames of rows of text, each added in one colour; tests recolour cells in m_vFrames.
class CVectorFrames : public IAnimFrameSource {
public:
    CVectorFrames(int nRows, int nCols) : m_nRows(nRows), m_nCols(nCols) {}

    void Add(const std::string& strCells, COLORREF cr)
    {
        std::vector<CharCell>& v = m_vFrames.emplace_back();
        for (char ch : strCells)
            v.push_back(CharCell{cr, 0, 0, static_cast<uint8_t>(ch), {}});
    }

    int GetFrameCount() const override { return static_cast<int>(m_vFrames.size()); }
    int GetRows() const override { return m_nRows; }
    int GetCols() const override { return m_nCols; }
    const CharCell* GetFrame(int nIndex) override
    {
        return nIndex == m_nFailAt ? nullptr : m_vFrames.at(std::size_t(nIndex)).data();
    }

    int m_nFailAt = -1;
    std::vector<std::vector<CharCell>> m_vFrames;

private:
    int m_nRows, m_nCols;
};

// The coloured export as a terminal shows it: the characters (UTF-8, LF at
// each row's reset) and the colour of each. Every row must open with the
// background crBack and close with the reset; no control character may be left.
struct Shown {
    std::string strText;
    std::vector<COLORREF> vColors;
    int nForeEscapes = 0;
};

inline void ReadAnsi(const std::string& str, Shown& shown, COLORREF crBack)
{
    COLORREF crFore = 0;
    bool bRowOpen = false;
    for (size_t i = 0; i < str.size();) {
        int nSgr = 0, nLen = 0;
        unsigned r = 256, g = 256, b = 256;
        if (std::sscanf(str.c_str() + i, "\x1b[%d;2;%u;%u;%um%n", &nSgr, &r, &g, &b, &nLen) == 4) {
            ASSERT_TRUE(r < 256 && g < 256 && b < 256);
            const COLORREF cr = r | g << 8 | b << 16;
            ASSERT_EQ(nSgr, bRowOpen ? 38 : 48) << "at " << i;
            EXPECT_TRUE(nSgr == 38 || cr == crBack) << "background at " << i;
            shown.nForeEscapes += nSgr == 38;
            crFore = nSgr == 38 ? cr : crFore;
            bRowOpen = true;
            i += static_cast<size_t>(nLen);
        } else if (str.compare(i, 5, "\x1b[0m\n") == 0) {
            shown.strText += '\n';
            bRowOpen = false;
            i += 5;
        } else {
            const auto c = static_cast<unsigned char>(str[i]);
            const size_t nLen = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
            const auto cLast = static_cast<unsigned char>(str.at(i + nLen - 1));
            EXPECT_FALSE(c < 0x20 || c == 0x7F || (c == 0xC2 && cLast < 0xA0))
                << "control at " << i;
            ASSERT_TRUE(bRowOpen) << "character outside a row at " << i;
            shown.strText += str.substr(i, nLen);
            shown.vColors.push_back(crFore);
            i += nLen;
        }
    }
    EXPECT_FALSE(bRowOpen) << "last row not reset";
}

} // namespace gwtest
