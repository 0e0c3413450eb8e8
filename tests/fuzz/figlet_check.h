// The font reader and the composition on one arbitrary input, shared by the
// fuzzer (tests/fuzz/figlet_fuzz.cpp) and the core test that replays its
// seeds and findings. The input's first byte picks the spacing (of the five), the second
// the length of the text that follows it (up to 15 bytes); the rest is the
// font file.
#pragma once

#include "core/figlet.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace gwfuzz {

// False, with the reason in *pWhy, when the result breaks what the reader and
// the composition promise.
inline bool FigRenderHolds(std::string_view input, std::string* pWhy)
{
    const int nSpacing =
        input.empty() ? 2 : static_cast<unsigned char>(input[0]) % FIG_SPACING_COUNT;
    input.remove_prefix(input.empty() ? 0 : 1);
    const std::size_t nText =
        input.empty()
            ? 0
            : std::min<std::size_t>(static_cast<unsigned char>(input[0]) % 16, input.size() - 1);
    const std::string_view text = input.substr(input.empty() ? 0 : 1, nText);
    input.remove_prefix(input.empty() ? 0 : 1 + nText);

    FigFont font;
    const EFigLoad result = ParseFigFont(input, font);
    if (result != EFigLoad::OK && result != EFigLoad::BAD_HEADER)
        return *pWhy = "unexpected load result", false;
    if (result != EFigLoad::OK && font.nHeight != 0)
        return *pWhy = "a refused font changed the font", false;
    if (result == EFigLoad::OK && (font.nHeight < 1 || font.nHeight > FIG_MAX_HEIGHT))
        return *pWhy = "height out of range", false;
    for (const std::vector<std::string>& vRows : font.glyphs)
        if (vRows.size() != static_cast<std::size_t>(font.nHeight))
            return *pWhy = "a glyph without one row per line of height", false;

    // Full width is the stripped rows side by side, the font's height of
    // rows per line of text; the other spacings only ever take columns away.
    const auto nHeight = static_cast<std::size_t>(font.nHeight);
    std::vector<std::size_t> vFull;
    bool bAnyGlyph = false;
    for (std::size_t nPos = 0; nPos <= text.size(); ++nPos) {
        const std::size_t nLine = vFull.size();
        vFull.resize(nLine + nHeight);
        for (; nPos < text.size() && text[nPos] != '\n'; ++nPos) {
            const int nIndex = static_cast<unsigned char>(text[nPos]) - FIG_FIRST_CODE;
            if (nIndex < 0 || nIndex >= FIG_GLYPH_COUNT)
                continue;
            bAnyGlyph = true;
            for (std::size_t k = 0; k < nHeight; ++k)
                vFull[nLine + k] +=
                    StripEndmarks(font.glyphs[static_cast<std::size_t>(nIndex)][k]).size();
        }
    }
    const std::string strOut = RenderFigText(text, font, nSpacing);
    const bool bOneLine = text.find('\n') == std::string_view::npos;
    if ((bOneLine && !bAnyGlyph) || font.nHeight == 0)
        return strOut.empty() || (*pWhy = "output without a glyph", false);

    const char chHardblank =
        nSpacing >= FIG_SPACING_FITTED ? font.chSigHardblank : font.chHardblank;
    std::size_t nPos = 0;
    for (std::size_t k = 0; k < vFull.size(); ++k) {
        const std::size_t nEnd = strOut.find("\r\n", nPos);
        if (nEnd == std::string::npos)
            return *pWhy = "fewer rows than the font's height per line", false;
        const std::string_view row = std::string_view(strOut).substr(nPos, nEnd - nPos);
        if (nSpacing == FIG_SPACING_FULL ? row.size() != vFull[k] : row.size() > vFull[k])
            return *pWhy = "a row of the wrong width", false;
        if (chHardblank != ' ' && row.find(chHardblank) != std::string_view::npos)
            return *pWhy = "a hardblank left in the output", false;
        nPos = nEnd + 2;
    }
    return nPos == strOut.size() || (*pWhy = "more than the font's height of rows per line", false);
}

} // namespace gwfuzz
