#include "cli/image_args.h"

#include <algorithm>
#include <cctype>
#include <charconv>

const char* const kImageHelp =
    "Usage: gwconvert image PICTURE OUTPUT [OPTIONS]\n"
    "\n"
    "Turns a picture (BMP, JPEG, GIF, PNG and the other formats of pixels Qt\n"
    "reads here; not SVG) into characters as the editor's Image Convert dialog\n"
    "does, onto a blank canvas of 80 rows and 128 columns from its top-left\n"
    "cell. The picture is cut into blocks of pixels, one per character: each\n"
    "block's grey level picks a character from a ramp, darkest first, and its\n"
    "average colour becomes the character's colour.\n"
    "\n"
    "OUTPUT's extension chooses what is written:\n"
    "  .gwp           a drawing of one frame, 80 rows by 128 columns\n"
    "  .txt           the converted rows as plain text, as the text export writes\n"
    "  .htm, .html    the converted rows as an HTML page, as the HTML export writes\n"
    "\n"
    "Options:\n"
    "  --width N              characters per row, 1 to 128 (default 64)\n"
    "  --set 0|1|2|3          the ramp: 0 \"@#WAhXox?>;+=,. \" (default),\n"
    "                         1 \"@%hx*+- \", 2 \"0 1\", 3 \"#\"\n"
    "  --auto                 the 32-step ramp \"@g#M%WHA&Ghw3XEo5xFf?*r>;+=,`-. \"\n"
    "  --custom C             one character for every cell, ASCII 32 to 126\n"
    "                         (--set, --auto and --custom exclude each other)\n"
    "  --gray                 every character in the editor's text colour rather\n"
    "                         than its block's colour (not with --custom)\n"
    "  --brightness B         -1.00 to 1.00 (default 0.00)\n"
    "  --contrast C           0.20 to 4.00 (default 1.00)\n"
    "  --saturation S         0.00 to 3.00 (default 1.00)\n"
    "                         The dialog's sliders move these in steps of 0.05;\n"
    "                         any decimal in range is taken here. Contrast and\n"
    "                         saturation change only the colours, brightness the\n"
    "                         characters too.\n"
    "  --cell WxH             the cell size in pixels, 1 to 64 each, which gives\n"
    "                         the blocks their shape (default 8x12)\n"
    "  --frames               every frame of an animated picture (GIF, WebP)\n"
    "                         into a frame of its own, composed as the picture\n"
    "                         shows it; the output must be a .gwp drawing\n"
    "  --background RRGGBB    HTML only: the page colour as six hex digits, red,\n"
    "                         green, blue (default: the editor's background\n"
    "                         colour, else ffffff)\n";

namespace {

constexpr int CELL_SIZE_MAX = 64;

const char* const kValueOptions[] = {"--width",    "--set",        "--custom", "--brightness",
                                     "--contrast", "--saturation", "--cell",   "--background"};

bool Fail(std::string* pError, std::string strWhy)
{
    *pError = std::move(strWhy);
    return false;
}

bool ParseInt(const std::string& str, int nMin, int nMax, int* pn)
{
    if (str.empty() || str.size() > 4 || str.find_first_not_of("0123456789") != std::string::npos)
        return false;
    int n = 0;
    std::from_chars(str.data(), str.data() + str.size(), n);
    if (n < nMin || n > nMax)
        return false;
    *pn = n;
    return true;
}

// Plain decimals only ("-0.25", "1", ".5"): no exponent, no inf or nan.
bool ParseDecimal(const std::string& str, double dMin, double dMax, float* pf)
{
    std::string_view sv = str;
    if (!sv.empty() && sv[0] == '+')
        sv.remove_prefix(1);
    const std::string_view digits = !sv.empty() && sv[0] == '-' ? sv.substr(1) : sv;
    if (digits.empty() || digits.size() > 12 ||
        digits.find_first_not_of("0123456789.") != std::string_view::npos ||
        std::count(digits.begin(), digits.end(), '.') > 1 || digits == ".")
        return false;
    double d = 0;
    const auto result = std::from_chars(sv.data(), sv.data() + sv.size(), d);
    if (result.ec != std::errc() || result.ptr != sv.data() + sv.size() || d < dMin || d > dMax)
        return false;
    *pf = float(d);
    return true;
}

bool ParseCellSize(const std::string& str, int* pnWidth, int* pnHeight)
{
    const auto nX = str.find_first_of("xX");
    return nX != std::string::npos && ParseInt(str.substr(0, nX), 1, CELL_SIZE_MAX, pnWidth) &&
           ParseInt(str.substr(nX + 1), 1, CELL_SIZE_MAX, pnHeight);
}

bool Given(const std::vector<std::string>& vSeen, const char* pszName)
{
    return std::find(vSeen.begin(), vSeen.end(), pszName) != vSeen.end();
}

bool EndsWithNoCase(const std::string& str, const std::string& strEnd)
{
    return str.size() >= strEnd.size() &&
           std::equal(strEnd.begin(), strEnd.end(), str.end() - std::ptrdiff_t(strEnd.size()),
                      [](char chEnd, char ch) { return std::tolower(uint8_t(ch)) == chEnd; });
}

} // namespace

bool IsImageFlag(const std::string& strName)
{
    return strName == "--auto" || strName == "--gray" || strName == "--frames";
}

bool IsImageOption(const std::string& strName)
{
    return IsImageFlag(strName) || std::find(std::begin(kValueOptions), std::end(kValueOptions),
                                             strName) != std::end(kValueOptions);
}

bool ApplyImageOption(const std::string& strName, const std::string& strValue, CConvertArgs* pArgs,
                      std::string* pError)
{
    CImageConvertParams& params = pArgs->image;
    const auto bad = [&](const char* pszWants) {
        return Fail(pError, strName + " takes " + pszWants + ", not '" + strValue + "'");
    };
    if (strName == "--auto") {
        params.bAuto = true;
    } else if (strName == "--gray") {
        params.nColorMode = 1;
    } else if (strName == "--frames") {
        pArgs->bFrames = true;
    } else if (strName == "--width") {
        if (!ParseInt(strValue, CONVERT_WIDTH_MIN, CONVERT_WIDTH_MAX, &params.nConvertWidth))
            return bad("a number of characters from 1 to 128");
    } else if (strName == "--set") {
        if (!ParseInt(strValue, CHARSET_RAMP16, CHARSET_HASH, &params.nCharSet))
            return bad("0, 1, 2 or 3");
    } else if (strName == "--custom") {
        if (strValue.size() != 1 || strValue[0] < ' ' || strValue[0] > '~')
            return bad("one ASCII character from 32 (space) to 126");
        params.bCustom = true;
        params.chCustom = uint8_t(strValue[0]);
    } else if (strName == "--brightness") {
        if (!ParseDecimal(strValue, -1.0, 1.0, &params.fBrightness))
            return bad("a decimal from -1 to 1");
    } else if (strName == "--contrast") {
        if (!ParseDecimal(strValue, 0.2, 4.0, &params.fContrast))
            return bad("a decimal from 0.2 to 4");
    } else if (strName == "--saturation") {
        if (!ParseDecimal(strValue, 0.0, 3.0, &params.fSaturation))
            return bad("a decimal from 0 to 3");
    } else if (strName == "--cell") {
        if (!ParseCellSize(strValue, &params.nCellWidth, &params.nCellHeight))
            return bad("a size WxH in pixels, each 1 to 64");
    }
    return true;
}

bool FinishImageArgs(const std::vector<std::string>& vSeen, CConvertArgs* pArgs,
                     std::string* pError)
{
    const int nRamps =
        int(Given(vSeen, "--set")) + int(Given(vSeen, "--auto")) + int(Given(vSeen, "--custom"));
    if (nRamps > 1)
        return Fail(pError, "choose one of --set, --auto and --custom");
    // The dialog offers a custom character in colour only.
    if (pArgs->image.bCustom && pArgs->image.nColorMode == 1)
        return Fail(pError, "--custom draws in the picture's colours and cannot go with --gray");

    const std::string& strOut = pArgs->strOutput;
    if (EndsWithNoCase(strOut, ".gwp"))
        pArgs->imageOutput = EImageOutput::Gwp;
    else if (EndsWithNoCase(strOut, ".txt"))
        pArgs->imageOutput = EImageOutput::Text;
    else if (EndsWithNoCase(strOut, ".htm") || EndsWithNoCase(strOut, ".html"))
        pArgs->imageOutput = EImageOutput::Html;
    else
        return Fail(pError, "the output '" + strOut + "' must end in .gwp, .txt, .htm or .html");
    if (pArgs->bFrames && pArgs->imageOutput != EImageOutput::Gwp)
        return Fail(pError, "--frames writes every frame into a drawing: the output must end in .gwp");
    if (pArgs->crBack && pArgs->imageOutput != EImageOutput::Html)
        return Fail(pError, "--background applies only to an .htm or .html output");
    return true;
}
