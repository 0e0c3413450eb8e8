// Zipped FIGlet fonts: a font packed in the shapes archivers write reads as
// the plain file does, and damaged or oversized archives are refused.
#include "core/figlet.h"
#include "core/figlet_gallery.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

namespace {

enum EZipShape { DEFLATED, STORED, DESCRIPTOR, ZIP64 };

// Little-endian fields, each a value and its width in bytes.
std::string Le(std::initializer_list<std::pair<uint64_t, int>> fields)
{
    std::string str;
    for (const auto& [nValue, nBytes] : fields)
        for (int i = 0; i < nBytes; ++i)
            str += static_cast<char>(nValue >> (8 * i) & 0xFF);
    return str;
}

// A one-entry archive of text: deflated with its sizes in the local header,
// stored, deflated with crc and sizes in a descriptor after the data, or
// deflated with the sizes in a zip64 extra field.
std::string Zip(const std::string& text, EZipShape shape)
{
    std::string strData = text;
    if (shape != STORED) {
        uLongf nPacked = compressBound(text.size());
        strData.resize(nPacked);
        compress2(reinterpret_cast<Bytef*>(strData.data()), &nPacked,
                  reinterpret_cast<const Bytef*>(text.data()), text.size(), 9);
        strData = strData.substr(2, nPacked - 6); // the raw stream inside zlib's wrapping
    }
    const uint64_t nCrc = crc32(0, reinterpret_cast<const Bytef*>(text.data()), text.size());
    const bool bLate = shape == DESCRIPTOR, b64 = shape == ZIP64;
    const uint64_t nPacked = b64 ? 0xFFFFFFFF : strData.size(),
                   nSize = b64 ? 0xFFFFFFFF : text.size();
    // Version, flags, method, time and date, crc, sizes, name and extra lengths.
    std::string strZip = "PK\x03\x04" + Le({{b64 ? 45 : 20, 2}, {bLate ? 8 : 0, 2}});
    strZip += Le({{shape == STORED ? 0 : 8, 2}, {0, 4}, {bLate ? 0 : nCrc, 4}});
    strZip += Le({{bLate ? 0 : nPacked, 4}, {bLate ? 0 : nSize, 4}, {1, 2}, {b64 ? 20 : 0, 2}});
    strZip += '-'; // the name
    if (b64)
        strZip += Le({{1, 2}, {16, 2}, {text.size(), 8}, {strData.size(), 8}});
    strZip += strData;
    if (bLate)
        strZip += "PK\x07\x08" + Le({{nCrc, 4}, {strData.size(), 4}, {text.size(), 4}});
    return strZip + "PK\x01\x02 (the central directory, never read)";
}

} // namespace

TEST(FigZip, ZippedFontLettersAsThePlainFile)
{
    std::ifstream file("/usr/share/figlet/standard.flf", std::ios::binary);
    const std::string strPlain{std::istreambuf_iterator<char>(file), {}};
    ASSERT_FALSE(strPlain.empty()) << "the figlet package's fonts are missing";
    FigFont plain;
    ASSERT_EQ(ParseFigFont(strPlain, plain), EFigLoad::OK);
    const std::string strExpected = RenderFigText("Zip {it}!", plain, FIG_SPACING_FONT_LAYOUT);
    for (const EZipShape shape : {DEFLATED, STORED, DESCRIPTOR, ZIP64}) {
        SCOPED_TRACE(shape);
        const std::string strPath = testing::TempDir() + "zipped.flf";
        std::ofstream(strPath, std::ios::binary) << Zip(strPlain, shape);
        FigFont font;
        ASSERT_EQ(LoadFigFontFile(strPath, font), EFigLoad::OK);
        EXPECT_EQ(RenderFigText("Zip {it}!", font, FIG_SPACING_FONT_LAYOUT), strExpected);
        EXPECT_EQ(FigFontFileHeight(strPath), 6); // the gallery's header-only read
    }
}

TEST(FigZip, DamagedAndOversizedArchivesAreRefused)
{
    const std::string strFont = "flf2a$ 1 1 1 0 0\nz@@\n";
    const std::string strZip = Zip(strFont, DEFLATED);
    std::string strMethod = strZip, strCorrupt = strZip, strEncrypted = strZip;
    strMethod[8] = 12; // bzip2
    strCorrupt[strCorrupt.find("PK\x01\x02") - 3] ^= 0x55;
    strEncrypted[6] = 1;
    // Every byte the same: a deflate stream packs it over a thousand to one.
    const std::string strHuge(FIG_MAX_FILE_BYTES + 1, ' ');
    const std::pair<std::string, EFigLoad> cases[] = {
        {strZip.substr(0, 40), EFigLoad::BAD_ARCHIVE}, // truncated in the data
        {strZip.substr(0, 20), EFigLoad::BAD_ARCHIVE}, // truncated in the header
        {Zip(strFont, STORED).substr(0, 40), EFigLoad::BAD_ARCHIVE},
        {strMethod, EFigLoad::BAD_ARCHIVE},
        {strCorrupt, EFigLoad::BAD_ARCHIVE},
        {strEncrypted, EFigLoad::BAD_ARCHIVE},
        {Zip(strHuge, DEFLATED), EFigLoad::TOO_LARGE},   // the header owns up
        {Zip(strHuge, DESCRIPTOR), EFigLoad::TOO_LARGE}, // found while inflating
        {Zip("not a font", DEFLATED), EFigLoad::BAD_HEADER},
    };
    for (std::size_t n = 0; n < std::size(cases); ++n) {
        const auto& [strData, expected] = cases[n];
        FigFont font;
        std::string strWhy;
        EXPECT_EQ(ParseFigFont(strData, font, &strWhy), expected) << n;
        EXPECT_EQ(font.nHeight, 0) << n;
        EXPECT_EQ(strWhy.empty(), expected != EFigLoad::BAD_ARCHIVE) << n << strWhy;
    }
}
