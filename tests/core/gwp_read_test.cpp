// The ".gwp" document file, read: a file written by hand opens with every
// cell where the file put it and saves back byte for byte, and wrong and
// damaged files are refused before anything is touched.
#include "gwp_test_support.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace gwptest;

TEST(GwpRead, HandBuiltTwoFrameFileOpensWithBothFrames)
{
    const std::string strFile = HandBuiltFile(2, kCols, kRows);
    ASSERT_EQ(strFile.size(), 20 + 2 * kFrameBytes);

    // Load over a drawing of another size with more frames and some history,
    // so every part of the old drawing has to be replaced.
    CArtDoc doc;
    BuildModified(doc, 80, 128, 3);
    std::string strMessage;
    ASSERT_EQ(OpenInto(doc, strFile, &strMessage), EGwpResult::Ok) << strMessage;

    EXPECT_EQ(doc.GetRows(), 40);
    EXPECT_EQ(doc.GetCols(), 60);
    EXPECT_EQ(doc.GetFrameCount(), 2);
    EXPECT_EQ(Keys(doc), (std::vector<int>{0, 1}));
    EXPECT_TRUE(doc.GetFrameHistory(0) != 0 && doc.GetFrameHistory(2) == 0);
    EXPECT_EQ(doc.GetNextFrameKey(), 2) << "the next frame added must get key 2";
    EXPECT_EQ(doc.GetCurCells(), doc.GetFrameCells(1)) << "the last frame read is current";
    EXPECT_EQ(doc.GetCurHistory(), doc.GetFrameHistory(1));
    EXPECT_NE(doc.GetFrameHistory(0), doc.GetFrameHistory(1));
    EXPECT_FALSE(doc.IsModified());

    for (int nKey : {0, 1}) {
        SCOPED_TRACE("frame " + std::to_string(nKey));
        doc.SelectFrame(nKey);
        EXPECT_TRUE(CellBytes(doc.GetCurCells(), doc) ==
                    std::string_view(strFile).substr(20 + nKey * kFrameBytes, kFrameBytes));
        EXPECT_FALSE(doc.CanUndo()) << "the loaded content is sealed";
        EXPECT_FALSE(doc.CanRedo());
        EXPECT_FALSE(doc.OnEditUndo());
        EXPECT_TRUE(CellBytes(doc.GetCurCells(), doc) ==
                    std::string_view(strFile).substr(20 + nKey * kFrameBytes, kFrameBytes));
    }
}

TEST(GwpRead, SavingRightAfterReadingWritesTheSameBytes)
{
    TempDir dir;
    const std::string strPath = dir / "drawing.gwp";
    // Trailing bytes after the last frame are not part of the drawing.
    const std::string strFile = HandBuiltFile(2, kCols, kRows);
    CArtDoc doc;
    ASSERT_EQ(OpenInto(doc, strFile + "trailing junk", nullptr), EGwpResult::Ok);

    std::string strError;
    ASSERT_TRUE(GwpSaveDocument(doc, strPath, &strError)) << strError;
    const std::string strSaved = ReadOrEmpty(strPath);
    ASSERT_EQ(strSaved.size(), strFile.size());
    EXPECT_TRUE(strSaved == strFile) << "the saved file differs from the file read";
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"drawing.gwp"}));
}

TEST(GwpRead, AnyOneByteChangeInTheMagicIsTheWrongType)
{
    const std::string strGood = HandBuiltFile(1, 4, 3);
    CArtDoc doc;
    ASSERT_EQ(OpenInto(doc, HandBuiltFile(2, 2, 2, 7), nullptr), EGwpResult::Ok);
    const DocState before = DocState::Of(doc);

    for (std::size_t i = 0; i < 8; ++i) {
        // Flips of the lowest and highest bit, a change of case, a zero byte
        // (which would end the magic early as a C string) and a neighbour.
        for (uint8_t nXor : {0x01, 0x80, 0x20, 0xFF}) {
            std::string strFile = strGood;
            strFile[i] = static_cast<char>(strFile[i] ^ nXor);
            for (char chInstead : {strFile[i], '\0'}) {
                strFile[i] = chInstead;
                SCOPED_TRACE("byte " + std::to_string(i) + " = " + std::to_string(uint8_t(chInstead)));
                CGwpImage image;
                std::string strMessage;
                EXPECT_EQ(OpenInto(doc, strFile, &strMessage), EGwpResult::WrongType);
                EXPECT_EQ(strMessage, "Wrong type file!");
                EXPECT_EQ(GwpParse(strFile, &image, nullptr), EGwpResult::WrongType)
                    << "the message is optional";
            }
        }
    }
    EXPECT_TRUE(DocState::Of(doc) == before) << "a wrong file changed the drawing";
}

// ---------------------------------------------------------------------------
// Damaged files: refused before anything is touched.

class GwpDamaged : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(OpenInto(m_doc, HandBuiltFile(2, 3, 2, 9), nullptr), EGwpResult::Ok);
        FillSealed(m_doc, 11); // the drawing differs from any file read here
        m_before = DocState::Of(m_doc);
    }

    // Checks that data is refused as expected, that the image handed in is
    // left alone and that the drawing is untouched.
    void ExpectRefused(std::string_view data, EGwpResult expected)
    {
        CGwpImage image;
        image.nFrames = -7;
        image.nCols = -8;
        image.nRows = -9;
        std::string strMessage;
        const EGwpResult result = GwpParse(data, &image, &strMessage);
        EXPECT_EQ(result, expected);
        EXPECT_EQ(image.nFrames, -7);
        EXPECT_EQ(image.nCols, -8);
        EXPECT_EQ(image.nRows, -9);
        EXPECT_EQ(image.frames.data(), nullptr);
        if (expected == EGwpResult::WrongType) {
            EXPECT_EQ(strMessage, "Wrong type file!");
        } else {
            EXPECT_TRUE(!strMessage.empty() && strMessage != "Wrong type file!") << strMessage;
        }

        EXPECT_EQ(OpenInto(m_doc, data, nullptr), expected);
        EXPECT_TRUE(DocState::Of(m_doc) == m_before) << "a refused file changed the drawing";
    }

    CArtDoc m_doc;
    DocState m_before;
};

TEST_F(GwpDamaged, EveryTruncationIsRefusedAndTheFullFileAccepted)
{
    const std::string strFile = HandBuiltFile(2, kCols, kRows);
    for (std::size_t n = 0; n < strFile.size(); ++n) {
        const EGwpResult expected = n < 8 ? EGwpResult::WrongType : EGwpResult::Damaged;
        CGwpImage image;
        std::string strMessage;
        const EGwpResult result = GwpParse(std::string_view(strFile).substr(0, n), &image, &strMessage);
        if (result != expected) {
            ADD_FAILURE() << "cut to " << n << " bytes: result " << int(result) << ", expected "
                          << int(expected);
            break;
        }
        if (strMessage.empty()) {
            ADD_FAILURE() << "cut to " << n << " bytes: no message";
            break;
        }
    }
    // The drawing check is the same for every length: run it on the borders
    // and on lengths inside the header, the first frame and the last cell.
    for (std::size_t n : {std::size_t{0}, std::size_t{7}, std::size_t{8}, std::size_t{19},
                          std::size_t{20}, std::size_t{21}, 20 + kFrameBytes,
                          strFile.size() - 16, strFile.size() - 1}) {
        SCOPED_TRACE("cut to " + std::to_string(n) + " bytes");
        ExpectRefused(std::string_view(strFile).substr(0, n),
                      n < 8 ? EGwpResult::WrongType : EGwpResult::Damaged);
    }

    for (std::size_t nExtra : {0, 1, 16, 100000}) {
        SCOPED_TRACE(std::to_string(nExtra) + " bytes beyond the last frame");
        const std::string strLonger = strFile + std::string(nExtra, '\x7F');
        CGwpImage image;
        ASSERT_EQ(GwpParse(strLonger, &image, nullptr), EGwpResult::Ok);
        EXPECT_EQ(image.nFrames, 2);
        EXPECT_EQ(image.nCols, kCols);
        EXPECT_EQ(image.nRows, kRows);
        EXPECT_EQ(image.frames.data(), strLonger.data() + 20);
        EXPECT_EQ(image.frames.size(), 2 * kFrameBytes);
    }
}

struct HeaderCase {
    const char* szName;
    int32_t nFrames;
    int32_t nCols;
    int32_t nRows;
    // Bytes of frame data present; -1 for all the header asks for.
    int64_t nDataBytes;
    bool bAccepted;
};

TEST_F(GwpDamaged, HeaderValuesOutsideTheirRangesAreRefused)
{
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const HeaderCase cases[] = {
        {"no frames", 0, 4, 3, 0, false},
        {"-1 frames", -1, 4, 3, 4 * 3 * 16, false},
        {"INT_MIN frames", kMin, 4, 3, 4 * 3 * 16, false},
        {"2^31-1 frames", kMax, 4, 3, 4 * 3 * 16, false},
        {"65,537 frames", 65537, 1, 1, 65537 * 16, false},
        {"65,536 frames of 1 x 1, all there", 65536, 1, 1, -1, true},
        {"65,536 frames of 1 x 1, one byte short", 65536, 1, 1, 65536 * 16 - 1, false},
        {"65,536 frames of 80 x 128, one frame there", 65536, 128, 80, 128 * 80 * 16, false},
        {"no rows", 1, 4, 0, 0, false},
        {"81 rows", 1, 4, 81, 4 * 81 * 16, false},
        {"-1 rows", 1, 4, -1, 64, false},
        {"INT_MIN rows", 1, 4, kMin, 64, false},
        {"no columns", 1, 0, 3, 0, false},
        {"129 columns", 1, 129, 3, 129 * 3 * 16, false},
        {"-1 columns", 1, -1, 3, 64, false},
        {"INT_MAX columns", 1, kMax, 3, 64, false},
        // Negative rows and columns whose product is positive.
        {"-4 columns by -3 rows", 1, -4, -3, 4 * 3 * 16, false},
        {"1 x 1", 1, 1, 1, -1, true},
        {"80 x 128", 1, 128, 80, -1, true},
        {"80 x 128, one byte short", 1, 128, 80, 128 * 80 * 16 - 1, false},
        {"3 frames of 80 x 1", 3, 1, 80, -1, true},
        {"3 frames of 1 x 128", 3, 128, 1, -1, true},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.szName);
        std::string strFile = Header(c.nFrames, c.nCols, c.nRows);
        const int64_t nWanted = int64_t(c.nFrames) * c.nCols * c.nRows * 16;
        const int64_t nData = c.nDataBytes < 0 ? nWanted : c.nDataBytes;
        ASSERT_LT(nData, int64_t{4} << 20) << "a case would need gigabytes";
        strFile.resize(20 + std::size_t(nData), '\x41');
        if (!c.bAccepted) {
            ExpectRefused(strFile, EGwpResult::Damaged);
            continue;
        }
        CGwpImage image;
        ASSERT_EQ(GwpParse(strFile, &image, nullptr), EGwpResult::Ok);
        EXPECT_EQ(image.nFrames, c.nFrames);
        EXPECT_EQ(image.nCols, c.nCols);
        EXPECT_EQ(image.nRows, c.nRows);
        EXPECT_EQ(image.frames.size(), std::size_t(nWanted));
    }
}

TEST_F(GwpDamaged, LargestCanvasLoads)
{
    // The accepted borders also load: a drawing of the largest canvas, with
    // its cells where the file put them.
    const std::string strFile = HandBuiltFile(2, 128, 80);
    ASSERT_EQ(OpenInto(m_doc, strFile, nullptr), EGwpResult::Ok);
    EXPECT_EQ(m_doc.GetRows(), 80);
    EXPECT_EQ(m_doc.GetCols(), 128);
    EXPECT_EQ(m_doc.GetFrameCount(), 2);
    EXPECT_TRUE(GwpSerialize(m_doc) == strFile);
}

} // namespace
