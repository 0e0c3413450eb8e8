// Zipped FIGlet fonts: a font packed in the shapes archivers write reads as
// the plain file does, and damaged or oversized archives are refused.
#include "core/figlet.h"
#include "core/figlet_gallery.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

namespace {

enum EZipShape { DEFLATED, STORED, DESCRIPTOR, ZIP64 };

void PutLe(std::string& str, uint64_t nValue, int nBytes)
{
    for (int i = 0; i < nBytes; ++i)
        str += static_cast<char>(nValue >> (8 * i) & 0xFF);
}

// A one-entry archive of text: deflated with its sizes in the local header,
// stored, deflated with crc and sizes in a descriptor after the data, or
// deflated with the sizes in a zip64 extra field.
std::string Zip(const std::string& text, EZipShape shape)
{
    std::string strData = text;
    if (shape != STORED) {
        z_stream zs{};
        deflateInit2(&zs, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        strData.resize(deflateBound(&zs, static_cast<uLong>(text.size())));
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
        zs.avail_in = static_cast<uInt>(text.size());
        zs.next_out = reinterpret_cast<Bytef*>(strData.data());
        zs.avail_out = static_cast<uInt>(strData.size());
        EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
        strData.resize(zs.total_out);
        deflateEnd(&zs);
    }
    const uint32_t nCrc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
    const bool bLate = shape == DESCRIPTOR;
    std::string strZip = "PK\x03\x04";
    PutLe(strZip, shape == ZIP64 ? 45 : 20, 2);
    PutLe(strZip, bLate ? 8 : 0, 2);
    PutLe(strZip, shape == STORED ? 0 : 8, 2);
    PutLe(strZip, 0, 4); // time and date
    PutLe(strZip, bLate ? 0 : nCrc, 4);
    for (const std::size_t nSize : {strData.size(), text.size()})
        PutLe(strZip, bLate ? 0 : shape == ZIP64 ? 0xFFFFFFFF : nSize, 4);
    PutLe(strZip, 1, 2);                       // name length
    PutLe(strZip, shape == ZIP64 ? 20 : 0, 2); // extra length
    strZip += '-';
    if (shape == ZIP64) {
        PutLe(strZip, 1, 2);
        PutLe(strZip, 16, 2);
        PutLe(strZip, text.size(), 8);
        PutLe(strZip, strData.size(), 8);
    }
    strZip += strData;
    if (bLate) {
        strZip += "PK\x07\x08";
        PutLe(strZip, nCrc, 4);
        PutLe(strZip, strData.size(), 4);
        PutLe(strZip, text.size(), 4);
    }
    return strZip + "PK\x01\x02 (the central directory, never read)";
}

std::string FileText(const std::string& strPath)
{
    std::ostringstream os;
    os << std::ifstream(strPath, std::ios::binary).rdbuf();
    return os.str();
}

} // namespace

TEST(FigZip, ZippedFontLettersAsThePlainFile)
{
    const std::string strPlain = FileText("/usr/share/figlet/standard.flf");
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
        {strZip.substr(0, 40), EFigLoad::BAD_ARCHIVE},         // truncated in the data
        {strZip.substr(0, 20), EFigLoad::BAD_ARCHIVE},         // truncated in the header
        {Zip(strFont, STORED).substr(0, 40), EFigLoad::BAD_ARCHIVE},
        {strMethod, EFigLoad::BAD_ARCHIVE},
        {strCorrupt, EFigLoad::BAD_ARCHIVE},
        {strEncrypted, EFigLoad::BAD_ARCHIVE},
        {Zip(strHuge, DEFLATED), EFigLoad::TOO_LARGE},  // the header owns up
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
