// The streamed picture path against the full one: the rows the streamed
// decoder hands over, converted as they come, must give the cells the
// picture reader's whole picture gives, for every kind of picture it takes;
// the others it must leave.
#include "convert_test_support.h"

#include "ui/picture_row_pipe.h"
#include "ui/picture_stream.h"

#include <QImageWriter>

#include <zlib.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <thread>

using namespace gwcli;

namespace {

// A photo-like picture: gradients, noise, a translucent patch where there is
// alpha.
QImage MakePicture(int nWidth, int nHeight, QImage::Format format)
{
    QImage image(nWidth, nHeight, QImage::Format_RGBA8888);
    uint32_t nSeed = 12345;
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            nSeed = nSeed * 1103515245u + 12345u;
            const int n = int(nSeed >> 27) - 16;
            image.setPixelColor(x, y, QColor(std::clamp(x * 255 / nWidth + n, 0, 255),
                                             std::clamp(y * 255 / nHeight - n, 0, 255),
                                             (x + y) % 256, (x / 8 + y / 8) % 5 == 0 ? 120 : 255));
        }
    return image.convertToFormat(format);
}

struct CPictureCase {
    const char* pszName;
    QImage::Format format;
    const char* pszFormat; // QImageWriter's
    bool bProgressive = false;
};

// The largest canvas, every cell blank until written.
class CCellGrid : public ICellWriter {
public:
    int Cols() const override { return MAX_COLS; }
    int Rows() const override { return MAX_ROWS; }
    uint8_t GetChar(int c, int r) const override { return m_vCells[Index(c, r)].chChar; }
    COLORREF GetColor(int c, int r) const override { return m_vCells[Index(c, r)].crColor; }
    void SetCell(int c, int r, uint8_t ch, COLORREF cr) override
    {
        m_vCells[Index(c, r)].chChar = ch, m_vCells[Index(c, r)].crColor = cr;
    }
    static std::size_t Index(int c, int r) { return std::size_t(r) * MAX_COLS + std::size_t(c); }
    Frame m_vCells = Frame(std::size_t(MAX_ROWS) * MAX_COLS);
};

bool SameCells(const CCellGrid& a, const CCellGrid& b)
{
    return std::equal(a.m_vCells.begin(), a.m_vCells.end(), b.m_vCells.begin(),
                      [](const CharCell& x, const CharCell& y) {
                          return x.chChar == y.chChar && x.crColor == y.crColor;
                      });
}

void AppendBig32(std::string& str, uint32_t n)
{
    for (int i = 3; i >= 0; --i)
        str.push_back(char((n >> (8 * i)) & 0xFF));
}

void AppendChunk(std::string& png, const char* pszType, const std::string& strData)
{
    AppendBig32(png, uint32_t(strData.size()));
    const std::string strTyped = pszType + strData;
    png += strTyped;
    AppendBig32(png, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(strTyped.data()), uInt(strTyped.size()))));
}

enum class EDamage { None, Filter, Adler, Crc };

// An 8-bit PNG of nChannels samples a pixel (grey, grey and alpha, RGB,
// RGBA) made by hand, every filter type used, its zlib stream cut into IDAT
// chunks of nChunk bytes (the stream's checksum split among them), with one
// fault.
std::string HandMadePng(int nWidth, int nHeight, int nChannels, std::size_t nChunk, EDamage damage)
{
    std::string strRaw;
    for (int y = 0; y < nHeight; ++y) {
        // The last row's filter type is none PNG has.
        strRaw.push_back(char(damage == EDamage::Filter && y == nHeight - 1 ? 5 : y % 5));
        for (int x = 0; x < nChannels * nWidth; ++x)
            strRaw.push_back(char((x * 37 + y * 11) & 0xFF));
    }
    std::string strZ(compressBound(uLong(strRaw.size())), '\0');
    uLongf nZ = uLongf(strZ.size());
    compress2(reinterpret_cast<Bytef*>(strZ.data()), &nZ, reinterpret_cast<const Bytef*>(strRaw.data()),
              uLong(strRaw.size()), 6);
    strZ.resize(nZ);
    if (damage == EDamage::Adler)
        strZ.back() = char(strZ.back() ^ 1);
    std::string strHeader;
    AppendBig32(strHeader, uint32_t(nWidth));
    AppendBig32(strHeader, uint32_t(nHeight));
    const char chColourType = "\0\x04\x02\x06"[nChannels - 1];
    strHeader += std::string("\x08", 1) + chColourType + std::string("\0\0\0", 3);
    std::string png = "\x89PNG\r\n\x1a\n";
    AppendChunk(png, "IHDR", strHeader);
    for (std::size_t i = 0; i < strZ.size(); i += nChunk)
        AppendChunk(png, "IDAT", strZ.substr(i, nChunk));
    if (damage == EDamage::Crc)
        png[png.size() - 1] = char(png.back() ^ 1);
    AppendChunk(png, "IEND", {});
    return png;
}

} // namespace

TEST_F(ConvertTest, StreamedRowsConvertAsTheWholePicture)
{
    const CPictureCase pictures[] = {
        {"rgba.png", QImage::Format_RGBA8888, "png"},
        {"rgb.png", QImage::Format_RGB888, "png"},
        {"grey.png", QImage::Format_Grayscale8, "png"},
        {"grey16.png", QImage::Format_Grayscale16, "png"},
        {"rgba64.png", QImage::Format_RGBA64, "png"},
        {"palette.png", QImage::Format_Indexed8, "png"},
        {"mono.png", QImage::Format_Mono, "png"},
        {"photo.jpg", QImage::Format_RGB32, "jpeg"},
        {"grey.jpg", QImage::Format_Grayscale8, "jpeg"},
        {"progressive.jpg", QImage::Format_RGB32, "jpeg", true},
    };
    const struct {
        int nWidth, nCellW, nCellH;
    } settings[] = {{128, 8, 12}, {64, 8, 12}, {37, 5, 9}, {1, 8, 12}, {128, 1, 1}};
    for (const CPictureCase& pic : pictures) {
        for (const QSize size : {QSize(301, 203), QSize(97, 1000), QSize(2, 3)}) {
            const std::string strPath = Work(pic.pszName).string();
            QImageWriter writer(QString::fromStdString(strPath), pic.pszFormat);
            writer.setProgressiveScanWrite(pic.bProgressive);
            ASSERT_TRUE(writer.write(MakePicture(size.width(), size.height(), pic.format)));
            QImage whole;
            QString strWhy;
            ASSERT_TRUE(ReadPicture(QString::fromStdString(strPath), &whole, &strWhy));
            for (const auto& s : settings) {
                SCOPED_TRACE(std::string(pic.pszName) + " " + std::to_string(size.width()) + " at " +
                             std::to_string(s.nWidth));
                CImageConvertParams params;
                params.nConvertWidth = s.nWidth;
                params.nCellWidth = s.nCellW;
                params.nCellHeight = s.nCellH;
                params.fContrast = 1.3f;
                params.fSaturation = 0.7f;
                CCellGrid full, streamed;
                const int nFull = ConvertImage({whole.constBits(), whole.width(), whole.height(),
                                                std::size_t(whole.bytesPerLine())},
                                               params, full);
                std::optional<CRowConverter> converter;
                ASSERT_TRUE(StreamPictureFile(
                    strPath, {[&](int w, int h) { converter.emplace(w, h, params, streamed); },
                              [&](const uint8_t* pRow) { converter->AddRow(pRow); }}));
                EXPECT_EQ(converter->OutputRows(), nFull);
                EXPECT_TRUE(SameCells(full, streamed));
            }
        }
    }
}

TEST_F(ConvertTest, StreamedDecoderLeavesWhatItDoesNotTake)
{
    const QImage picture = MakePicture(40, 30, QImage::Format_RGB32);
    ASSERT_TRUE(picture.save(QString::fromStdString(Work("a.bmp").string()), "bmp"));
    ASSERT_TRUE(picture.save(QString::fromStdString(Work("a.png").string()), "png"));
    ASSERT_TRUE(picture.save(QString::fromStdString(Work("a.jpg").string()), "jpeg"));
    const std::string strPng = ReadFile(Work("a.png")), strJpeg = ReadFile(Work("a.jpg"));
    WriteFile(Work("cut.png"), strPng.substr(0, strPng.size() / 2));
    WriteFile(Work("cut.jpg"), strJpeg.substr(0, strJpeg.size() / 2));
    // An EXIF block that turns the picture a quarter: APP1 right after SOI.
    const std::string strExif = std::string("Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0", 32);
    WriteFile(Work("turned.jpg"), strJpeg.substr(0, 2) + "\xFF\xE1" + char(0) +
                                      char(strExif.size() + 2) + strExif + strJpeg.substr(2));
    ASSERT_EQ(mkfifo(Work("pipe.png").c_str(), 0600), 0);
    const CPictureRowSink sink{[](int, int) {}, [](const uint8_t*) {}};
    for (const char* pszName : {"a.bmp", "cut.png", "cut.jpg", "turned.jpg", "pipe.png", "none.png"}) {
        SCOPED_TRACE(pszName);
        EXPECT_FALSE(StreamPictureFile(Work(pszName).string(), sink));
    }
    EXPECT_TRUE(StreamPictureFile(Work("a.png").string(), sink));
    EXPECT_TRUE(StreamPictureFile(Work("a.jpg").string(), sink));
}

// The plain PNG reader's own checks: the rows of data split in odd places
// are libpng's; a damaged file is left to the full way.
TEST_F(ConvertTest, StreamedPngDataIsCheckedAsLibpngChecks)
{
    const struct {
        const char* pszName;
        int nWidth, nChannels;
        std::size_t nChunk;
        EDamage damage;
    } cases[] = {{"split.png", 23, 3, 3, EDamage::None},
                 {"grey.png", 1, 1, 1 << 20, EDamage::None},
                 {"grey-alpha.png", 23, 2, 7, EDamage::None},
                 {"rgba.png", 5, 4, 1 << 20, EDamage::None},
                 {"filter.png", 23, 3, 1 << 20, EDamage::Filter},
                 {"adler.png", 23, 3, 3, EDamage::Adler},
                 {"crc.png", 23, 3, 1 << 20, EDamage::Crc}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        WriteFile(Work(c.pszName), HandMadePng(c.nWidth, 17, c.nChannels, c.nChunk, c.damage));
        const std::size_t nRowBytes = std::size_t(c.nWidth) * 4;
        std::string strRows;
        const bool bStreamed = StreamPictureFile(
            Work(c.pszName).string(),
            {[](int, int) {}, [&](const uint8_t* p) { strRows.append(reinterpret_cast<const char*>(p), nRowBytes); }});
        EXPECT_EQ(bStreamed, c.damage == EDamage::None);
        if (!bStreamed)
            continue;
        QImage whole;
        QString strWhy;
        ASSERT_TRUE(ReadPicture(QString::fromStdString(Work(c.pszName).string()), &whole, &strWhy));
        whole = whole.convertToFormat(QImage::Format_RGBA8888);
        std::string strWhole;
        for (int y = 0; y < whole.height(); ++y)
            strWhole.append(reinterpret_cast<const char*>(whole.constScanLine(y)), nRowBytes);
        EXPECT_EQ(strRows, strWhole);
    }
}

// The rows' hand-over between threads: a throw on the using side comes back
// from Finish with the rest let through, and a pipe dropped with rows still
// in it stops; neither may leave the decoding side waiting.
TEST_F(ConvertTest, RowPipeHandsOverInOrderAndStops)
{
    for (const int nThrowAt : {-1, 150}) {
        int nUsed = 0;
        CRowPipe pipe(8, [&](const uint8_t* p) {
            EXPECT_EQ(p[0], uint8_t(nUsed));
            if (nUsed++ == nThrowAt)
                throw std::runtime_error("used up");
        });
        for (int y = 0; y < 1000; y += pipe.BlockRows()) {
            uint8_t* pBlock = pipe.Block();
            for (int i = 0; i < pipe.BlockRows(); ++i)
                pBlock[std::size_t(i) * pipe.RowBytes()] = uint8_t(y + i);
            pipe.Push(pipe.BlockRows());
        }
        if (nThrowAt < 0) {
            pipe.Finish();
            EXPECT_GE(nUsed, 1000);
        } else {
            EXPECT_THROW(pipe.Finish(), std::runtime_error);
            EXPECT_EQ(nUsed, nThrowAt + 1);
        }
    }
    // Rows of a megabyte go one to a block; the first keeps the thread busy
    // long past the drop. (With one processor the rows are used at once.)
    if (std::thread::hardware_concurrency() < 2)
        return;
    std::atomic<int> nUsed{0};
    {
        CRowPipe pipe(1 << 20, [&](const uint8_t*) {
            ++nUsed;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        });
        for (int i = 0; i < 4; ++i) {
            pipe.Block();
            pipe.Push(1);
        }
    }
    EXPECT_LE(nUsed.load(), 1);
}
