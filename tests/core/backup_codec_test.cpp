// The run-length XOR codec: exact encodings, the size bound, round trips over
// inputs shaped to hit every block position, and a decoder that stays inside
// its buffers whatever it is fed.
#include "core/backup_codec.h"
#include "backup_test_support.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using gwtest::Rng;
using Words = std::vector<uint16_t>;

constexpr std::size_t kPage = BACKUP_PAGE_WORDS;
constexpr std::size_t kMaxRun = 65534; // longest run one count may describe

// The encoding written out the long way, one entry at a time, as an
// independent oracle for the exact output.
Words ReferenceEncode(const Words& src)
{
    Words out;
    std::size_t i = 0;
    for (bool bDone = false; !bDone;) {
        std::size_t nHeader = out.size();
        out.push_back(0);
        uint16_t nBits = 0;
        for (unsigned nPos = 0; nPos < 15; ++nPos) {
            if (i >= src.size()) {
                out.push_back(0);
                bDone = true;
                break;
            }
            std::size_t nRun = 1;
            if (nPos <= 13)
                while (i + nRun < src.size() && src[i + nRun] == src[i] && nRun < kMaxRun)
                    ++nRun;
            if (nRun > 1) {
                out.push_back(static_cast<uint16_t>(nRun));
                ++nPos;
            }
            out.push_back(src[i]);
            nBits = static_cast<uint16_t>(nBits | (1u << nPos));
            i += nRun;
        }
        out[nHeader] = nBits;
    }
    return out;
}

// Encodes into a buffer of exactly the promised bound followed by guard words
// that must come back untouched.
Words Encode(const Words& src)
{
    constexpr uint16_t kGuard = 0xA5C3;
    const std::size_t nMax = BackupEncodedMaxWords(src.size());
    Words out(nMax + 8, kGuard);
    std::size_t n = BackupEncode(src.data(), src.size(), out.data());
    for (std::size_t i = nMax; i < out.size(); ++i)
        EXPECT_EQ(out[i], kGuard) << "encoder wrote past its bound at word " << i;
    EXPECT_LE(n, nMax);
    out.resize(std::min(n, nMax));
    return out;
}

// Runs fn once with each encoder the processor has (the plain one always, the
// vectorised one where there is one), then restores the default.
template <class Fn> void ForEachEncoder(Fn fn)
{
    for (bool bPacked : {false, true}) {
        if (BackupUsePackedEncoder(bPacked) != bPacked)
            continue;
        SCOPED_TRACE(bPacked ? "packed encoder" : "plain encoder");
        fn();
    }
    BackupUsePackedEncoder(true);
}

Words DecodeOnto(const Words& enc, Words dst)
{
    BackupDecodeXor(enc.data(), enc.size(), dst.data(), dst.size());
    return dst;
}

std::string Hex(const Words& w, std::size_t nMax = 40)
{
    std::string s;
    char sz[16];
    for (std::size_t i = 0; i < w.size() && i < nMax; ++i) {
        std::snprintf(sz, sizeof sz, "%s%04x", i ? " " : "", w[i]);
        s += sz;
    }
    if (w.size() > nMax)
        s += " ...";
    return s;
}

// --- Exact encodings -------------------------------------------------------

struct ExactCase {
    const char* szName;
    Words input;
    Words expected;
};

Words PageWithWord(std::size_t nIndex, uint16_t nValue)
{
    Words w(kPage, 0);
    w[nIndex] = nValue;
    return w;
}

std::vector<ExactCase> ExactCases()
{
    std::vector<ExactCase> v;
    v.push_back({"unchanged_page", Words(kPage, 0), {0x0002, 2048, 0, 0}});
    v.push_back({"one_word_at_100", PageWithWord(100, 5), {0x0016, 100, 0, 5, 1947, 0, 0}});
    // The first word changed: literal, then the run of the rest.
    v.push_back({"one_word_first", PageWithWord(0, 7), {0x0005, 7, 2047, 0, 0}});
    // The last word changed: the run, then a lone literal.
    v.push_back({"one_word_last", PageWithWord(kPage - 1, 9), {0x0006, 2047, 0, 9, 0}});
    // Word 1 changed: word 0 is a run of one, so it is a bare literal.
    v.push_back({"one_word_second", PageWithWord(1, 3), {0x000B, 0, 3, 2046, 0, 0}});
    v.push_back({"empty_input", Words{}, {0x0000, 0}});
    v.push_back({"single_word", Words{0x1234}, {0x0001, 0x1234, 0}});
    v.push_back({"pair", Words{4, 4}, {0x0002, 2, 4, 0}});
    {
        // Fifteen distinct words fill a block exactly; the end needs a block
        // of its own holding only a header and the terminating entry.
        Words in, exp{0x7FFF};
        for (uint16_t i = 1; i <= 15; ++i) {
            in.push_back(i);
            exp.push_back(i);
        }
        exp.push_back(0x0000);
        exp.push_back(0);
        v.push_back({"full_block_then_end_block", in, exp});
    }
    {
        // A run starting at position 13: count at 13, literal at 14.
        Words in, exp{0x5FFF};
        for (uint16_t i = 1; i <= 13; ++i) {
            in.push_back(i);
            exp.push_back(i);
        }
        for (int i = 0; i < 6; ++i)
            in.push_back(0xEE);
        exp.push_back(6);
        exp.push_back(0xEE);
        exp.push_back(0x0000);
        exp.push_back(0);
        v.push_back({"run_at_position_13", in, exp});
    }
    {
        // A run reaching position 14 is not measured there: its first word is a
        // bare literal and the rest of the run starts the next block.
        Words in, exp{0x7FFF};
        for (uint16_t i = 1; i <= 14; ++i) {
            in.push_back(i);
            exp.push_back(i);
        }
        for (int i = 0; i < 6; ++i)
            in.push_back(0xEE);
        exp.push_back(0xEE);
        exp.push_back(0x0002); // next block: count 5 at 0, literal at 1
        exp.push_back(5);
        exp.push_back(0xEE);
        exp.push_back(0);
        v.push_back({"run_at_position_14", in, exp});
    }
    {
        // 65,535 equal words: one maximal count, then the last word alone.
        Words in(65535, 0x4242);
        v.push_back({"run_of_65535", in, {0x0006, 65534, 0x4242, 0x4242, 0}});
    }
    {
        Words in(70000, 0);
        v.push_back({"run_of_70000", in, {0x000A, 65534, 0, 4466, 0, 0}});
    }
    {
        Words in(2 * kMaxRun, 1);
        v.push_back({"run_of_two_maximal_counts", in, {0x000A, 65534, 1, 65534, 1, 0}});
    }
    return v;
}

class BackupCodecExact : public testing::TestWithParam<ExactCase> {};

TEST_P(BackupCodecExact, EncodesWordForWord)
{
    const ExactCase& c = GetParam();
    Words got = Encode(c.input);
    EXPECT_EQ(got, c.expected) << "got      " << Hex(got) << "\nexpected " << Hex(c.expected);
    // The oracle agrees, so the randomised comparisons below mean something.
    EXPECT_EQ(ReferenceEncode(c.input), c.expected);
    EXPECT_EQ(DecodeOnto(got, Words(c.input.size(), 0)), c.input);
}

INSTANTIATE_TEST_SUITE_P(Cases, BackupCodecExact, testing::ValuesIn(ExactCases()),
                         [](const testing::TestParamInfo<ExactCase>& i) { return i.param.szName; });

TEST(BackupCodec, UnchangedPageIsEightBytes)
{
    Words zero(kPage, 0);
    Words out(BackupEncodedMaxWords(kPage));
    EXPECT_EQ(BackupEncode(zero.data(), kPage, out.data()) * sizeof(uint16_t), 8u);
}

TEST(BackupCodec, NoEqualNeighboursIsTheWorstCase)
{
    EXPECT_EQ(BackupEncodedMaxWords(kPage), 2186u);
    Rng rng(11);
    for (int nRound = 0; nRound < 20; ++nRound) {
        Words in(kPage);
        for (std::size_t i = 0; i < kPage; ++i) {
            do
                in[i] = nRound == 0 ? static_cast<uint16_t>(i) : rng.Word();
            while (i > 0 && in[i] == in[i - 1]);
        }
        Words enc = Encode(in);
        ASSERT_EQ(enc.size(), 2186u);
        EXPECT_EQ(enc, ReferenceEncode(in));
        EXPECT_EQ(DecodeOnto(enc, Words(kPage, 0)), in);
    }
}

// --- Round trips -------------------------------------------------------------

// Inputs of many shapes; runs of 1 to 3 are common so that runs begin at every
// position of a block.
Words MakeInput(Rng& rng, unsigned nKind, std::size_t n)
{
    Words w(n, 0);
    switch (nKind) {
    case 0: // random
        for (auto& x : w)
            x = rng.Word();
        break;
    case 1: // all equal
    {
        uint16_t v = rng.Chance(50) ? 0 : rng.Word();
        std::fill(w.begin(), w.end(), v);
        break;
    }
    case 2: // alternating
    {
        uint16_t a = rng.Word(), b = static_cast<uint16_t>(a ^ (1 + rng.Below(0xFFFF)));
        for (std::size_t i = 0; i < n; ++i)
            w[i] = (i & 1) ? b : a;
        break;
    }
    case 3: // single nonzero words at the ends and somewhere inside
        if (n > 0) {
            w[0] = static_cast<uint16_t>(1 + rng.Below(0xFFFF));
            w[n - 1] = static_cast<uint16_t>(1 + rng.Below(0xFFFF));
            w[rng.Below(n)] ^= rng.Word();
        }
        break;
    case 4: // short runs of a small alphabet
    {
        std::size_t i = 0;
        while (i < n) {
            std::size_t nRun = rng.Between(1, 4);
            uint16_t v = static_cast<uint16_t>(rng.Below(3));
            for (std::size_t k = 0; k < nRun && i < n; ++k)
                w[i++] = v;
        }
        break;
    }
    case 5: // the sparse differences a typical edit leaves
        for (int k = 0, nEdits = static_cast<int>(rng.Between(1, 12)); k < nEdits && n > 0; ++k) {
            std::size_t at = rng.Below(n), len = rng.Between(1, 40);
            for (std::size_t j = at; j < at + len && j < n; ++j)
                w[j] = rng.Chance(70) ? rng.Word() : 0x0101;
        }
        break;
    case 6: // fields of records, some cleared: short runs of zeros between busy words
        for (auto& x : w)
            x = rng.Chance(40) ? 0 : rng.Word();
        break;
    default: // runs of every length scale
    {
        std::size_t i = 0;
        while (i < n) {
            std::size_t nRun = rng.Chance(80) ? rng.Between(1, 20) : rng.Between(1, 3000);
            uint16_t v = rng.Word();
            for (std::size_t k = 0; k < nRun && i < n; ++k)
                w[i++] = v;
        }
        break;
    }
    }
    return w;
}

constexpr unsigned kKinds = 8;

TEST(BackupCodec, RoundTripsPagesOfEveryShape)
{
    ForEachEncoder([] {
        Rng rng(2024);
        for (int nRound = 0; nRound < 3000; ++nRound) {
            unsigned nKind = static_cast<unsigned>(nRound % kKinds);
            Words in = MakeInput(rng, nKind, kPage);
            Words enc = Encode(in);
            ASSERT_LE(enc.size(), 2186u) << "kind " << nKind << " round " << nRound;
            ASSERT_EQ(enc, ReferenceEncode(in)) << "kind " << nKind << " round " << nRound
                                                << "\ngot      " << Hex(enc)
                                                << "\nexpected " << Hex(ReferenceEncode(in));
            ASSERT_EQ(DecodeOnto(enc, Words(kPage, 0)), in) << "kind " << nKind << " round " << nRound;
            // Decoding XORs: onto y it gives y ^ x, and twice gives y back.
            Words y = MakeInput(rng, 0, kPage);
            Words once = DecodeOnto(enc, y);
            for (std::size_t i = 0; i < kPage; ++i)
                ASSERT_EQ(once[i], static_cast<uint16_t>(y[i] ^ in[i])) << "word " << i;
            ASSERT_EQ(DecodeOnto(enc, once), y);
        }
    });
}

// Inputs up to a page are encoded from a mask of equal neighbours, 64 words
// to a mask word; longer ones word by word. Lengths at those edges, runs
// crossing mask words and busy blocks included, give the reference's words.
TEST(BackupCodec, MatchesTheReferenceAtTheMaskEdges)
{
    ForEachEncoder([] {
        Rng rng(77);
        for (std::size_t n : {8, 16, 17, 24, 63, 64, 65, 128, 129, 2040, 2047, 2048, 2049}) {
            for (unsigned nKind = 0; nKind < kKinds; ++nKind) {
                for (int nRound = 0; nRound < 4; ++nRound) {
                    Words in = MakeInput(rng, nKind, n);
                    ASSERT_EQ(Encode(in), ReferenceEncode(in)) << "length " << n << " kind " << nKind;
                }
            }
        }
    });
}

// Every placement of a run against block edges, for lengths around the edges.
TEST(BackupCodec, RoundTripsRunsAtEveryBlockPosition)
{
    for (std::size_t nLead = 0; nLead < 40; ++nLead) {
        for (std::size_t nRun = 1; nRun <= 20; ++nRun) {
            for (std::size_t nTail : {0, 1, 2, 17}) {
                Words in;
                for (std::size_t i = 0; i < nLead; ++i)
                    in.push_back(static_cast<uint16_t>(i + 1)); // distinct, never 0xBEEF
                in.insert(in.end(), nRun, 0xBEEF);
                for (std::size_t i = 0; i < nTail; ++i)
                    in.push_back(static_cast<uint16_t>(0x100 + i));
                Words enc = Encode(in);
                ASSERT_EQ(enc, ReferenceEncode(in)) << "lead " << nLead << " run " << nRun << " tail " << nTail;
                ASSERT_EQ(DecodeOnto(enc, Words(in.size(), 0)), in)
                    << "lead " << nLead << " run " << nRun << " tail " << nTail;
            }
        }
    }
}

TEST(BackupCodec, RoundTripsEveryShortLength)
{
    Rng rng(5);
    for (std::size_t n = 0; n <= 100; ++n)
        for (unsigned nKind = 0; nKind < kKinds; ++nKind) {
            Words in = MakeInput(rng, nKind, n);
            Words enc = Encode(in);
            ASSERT_EQ(enc, ReferenceEncode(in)) << "length " << n << " kind " << nKind;
            ASSERT_EQ(DecodeOnto(enc, Words(n, 0)), in) << "length " << n << " kind " << nKind;
        }
}

// Runs at and beyond what one count can hold, at various offsets.
TEST(BackupCodec, RoundTripsLongRuns)
{
    Rng rng(99);
    const std::size_t runs[] = {65533, 65534, 65535, 65536, 70000, 2 * kMaxRun, 2 * kMaxRun + 1, 200000};
    for (std::size_t nRun : runs) {
        for (std::size_t nLead : {0, 1, 13, 14, 15}) {
            Words in;
            for (std::size_t i = 0; i < nLead; ++i)
                in.push_back(static_cast<uint16_t>(0x7000 + i));
            in.insert(in.end(), nRun, 0x0F0F);
            in.push_back(0x1111);
            Words enc = Encode(in);
            ASSERT_EQ(enc, ReferenceEncode(in)) << "run " << nRun << " lead " << nLead;
            ASSERT_EQ(DecodeOnto(enc, Words(in.size(), 0)), in) << "run " << nRun << " lead " << nLead;
        }
    }
    for (int nRound = 0; nRound < 6; ++nRound) {
        Words in = MakeInput(rng, 6, 300000);
        std::size_t at = rng.Below(200000);
        std::fill(in.begin() + at, in.begin() + at + 90000, rng.Word());
        Words enc = Encode(in);
        ASSERT_EQ(enc, ReferenceEncode(in)) << "round " << nRound;
        ASSERT_EQ(DecodeOnto(enc, Words(in.size(), 0)), in) << "round " << nRound;
    }
}

// --- Robustness ----------------------------------------------------------------

// Memory with an inaccessible page right after it: a buffer placed to end at
// the guard faults on the first access past its end, in any build.
class GuardedRegion {
public:
    explicit GuardedRegion(std::size_t nBytes)
    {
        m_nUsable = (nBytes + 4095) / 4096 * 4096;
        void* p = mmap(nullptr, m_nUsable + 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            return;
        m_p = static_cast<uint8_t*>(p);
        mprotect(m_p + m_nUsable, 4096, PROT_NONE);
    }
    ~GuardedRegion()
    {
        if (m_p)
            munmap(m_p, m_nUsable + 4096);
    }
    GuardedRegion(const GuardedRegion&) = delete;
    GuardedRegion& operator=(const GuardedRegion&) = delete;
    // nWords words ending exactly at the guard page.
    uint16_t* Tail(std::size_t nWords) { return reinterpret_cast<uint16_t*>(m_p + m_nUsable) - nWords; }
    bool Ok() const { return m_p != nullptr; }

private:
    uint8_t* m_p = nullptr;
    std::size_t m_nUsable = 0;
};

// Garbage, and truncations of real encodings, decoded into buffers that end at
// a guard page, with a guard page also after the encoding. The decoder must
// neither read nor write past either. A stray access kills the child, which
// names the case it was on.
TEST(BackupCodec, DecoderStaysInsideItsBuffersOnBadInput)
{
    // Shared with the child: the number of the case being decoded.
    void* pShared = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(pShared, MAP_FAILED);
    auto* pCase = static_cast<volatile long*>(pShared);
    *pCase = -1;

    gwtest::ChildEnd end = gwtest::RunInChild([pCase]() -> int {
        Rng rng(777);
        GuardedRegion enc(2 * 70000), dst(2 * 70000);
        if (!enc.Ok() || !dst.Ok())
            return 2;
        long nCase = 0;
        auto decode = [&](const Words& e, std::size_t nDst) {
            *pCase = nCase++;
            uint16_t* pe = enc.Tail(e.size());
            std::copy(e.begin(), e.end(), pe);
            uint16_t* pd = dst.Tail(nDst);
            std::fill(pd, pd + nDst, 0);
            BackupDecodeXor(pe, e.size(), pd, nDst);
        };
        // Pure garbage of every length, with counts large and small.
        for (int nRound = 0; nRound < 4000; ++nRound) {
            Words e(rng.Between(0, 300));
            for (auto& w : e) {
                switch (rng.Below(4)) {
                case 0: w = rng.Word(); break;
                case 1: w = static_cast<uint16_t>(rng.Below(20)); break;
                case 2: w = static_cast<uint16_t>(0xFFFF - rng.Below(4)); break;
                default: w = static_cast<uint16_t>(rng.Chance(50) ? 0xFFFF : 0x0001); break;
                }
            }
            decode(e, rng.Chance(20) ? rng.Below(5) : rng.Between(1, kPage));
        }
        // Headers claiming literals everywhere and counts everywhere.
        for (uint16_t nHeader : {uint16_t{0xFFFF}, uint16_t{0x0000}, uint16_t{0x8000}, uint16_t{0x7FFF}}) {
            for (std::size_t nLen = 0; nLen <= 40; ++nLen) {
                Words e(nLen, 0xFFFE);
                for (std::size_t i = 0; i < nLen; i += 16)
                    e[i] = nHeader;
                decode(e, kPage);
                decode(e, 1);
                decode(e, 0);
            }
        }
        // Real encodings cut short at every length, and decoded into a target
        // shorter than the data they describe.
        for (unsigned nKind = 0; nKind < kKinds; ++nKind) {
            Words in = MakeInput(rng, nKind, kPage);
            Words full(BackupEncodedMaxWords(kPage));
            full.resize(BackupEncode(in.data(), kPage, full.data()));
            for (std::size_t nCut = 0; nCut < full.size(); ++nCut) {
                Words e(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(nCut));
                decode(e, kPage);
            }
            for (std::size_t nDst : {std::size_t{0}, std::size_t{1}, std::size_t{15}, kPage / 2, kPage - 1})
                decode(full, nDst);
        }
        // A long run decoded into a short target.
        Words in(70000, 0x5555);
        Words full(BackupEncodedMaxWords(in.size()));
        full.resize(BackupEncode(in.data(), in.size(), full.data()));
        for (std::size_t nDst : {std::size_t{1}, std::size_t{2048}, std::size_t{65534}, std::size_t{65535}, std::size_t{69999}})
            decode(full, nDst);
        *pCase = -2;
        return 0;
    });
    long nLast = *pCase;
    munmap(pShared, 4096);
    EXPECT_TRUE(end.bExited() && end.nExit() == 0)
        << "the decoding child " << end.Describe() << " while on case " << nLast
        << " (an access outside the encoding or the target)";
}

// The difference of two pages encoded in one pass gives the words of the
// difference encoded; both pages end at a guard page, so a read past either
// one fails the test.
TEST(BackupCodec, EncodesTheDifferenceOfTwoPages)
{
    GuardedRegion before(2 * kPage), now(2 * kPage);
    ASSERT_TRUE(before.Ok() && now.Ok());
    ForEachEncoder([&] {
        Rng rng(4096);
        for (int nRound = 0; nRound < 400; ++nRound) {
            const unsigned nKind = static_cast<unsigned>(nRound) % kKinds;
            const Words a = MakeInput(rng, 0, kPage);
            Words diff = MakeInput(rng, nKind, kPage);
            if (nRound % 3 == 0)
                diff.back() = diff[kPage - 2]; // the last words equal
            Words b(kPage);
            for (std::size_t i = 0; i < kPage; ++i)
                b[i] = static_cast<uint16_t>(a[i] ^ diff[i]);
            std::copy(a.begin(), a.end(), before.Tail(kPage));
            std::copy(b.begin(), b.end(), now.Tail(kPage));
            Words out(BackupEncodedMaxWords(kPage));
            out.resize(BackupEncodePageXor(before.Tail(kPage), now.Tail(kPage), out.data()));
            ASSERT_EQ(out, ReferenceEncode(diff)) << "kind " << nKind << " round " << nRound;
        }
    });
}

// A target shorter than the encoding describes: nothing past it is written, and
// every word inside it is either left alone or gets its intended value.
TEST(BackupCodec, ShortTargetIsNeverOverrun)
{
    Rng rng(31);
    constexpr uint16_t kGuard = 0x6B6B;
    for (unsigned nKind = 0; nKind < kKinds; ++nKind) {
        Words in = MakeInput(rng, nKind, kPage);
        Words full = Encode(in);
        for (std::size_t nDst : {std::size_t{0}, std::size_t{1}, std::size_t{100}, kPage - 1, kPage}) {
            Words buf(nDst + 16, 0);
            std::fill(buf.begin() + static_cast<std::ptrdiff_t>(nDst), buf.end(), kGuard);
            BackupDecodeXor(full.data(), full.size(), buf.data(), nDst);
            for (std::size_t i = nDst; i < buf.size(); ++i)
                ASSERT_EQ(buf[i], kGuard) << "kind " << nKind << ": wrote word " << i << " of a " << nDst << "-word target";
            for (std::size_t i = 0; i < nDst; ++i)
                ASSERT_TRUE(buf[i] == in[i] || buf[i] == 0) << "kind " << nKind << ", word " << i << " of a " << nDst << "-word target";
        }
    }
}

} // namespace
