// Replays the reader fuzzers' seeds and every input they ever crashed on
// (tests/data/fuzz/ for the ".gwp" reader, tests/data/fuzz/figlet/ for the
// font reader) through the same checks, so a fixed fault stays fixed without
// running the fuzzers.
#include "tests/fuzz/figlet_check.h"
#include "tests/fuzz/gwp_round_trip.h"

#include "core/safe_file.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#ifndef GW_TEST_DATA_DIR
#error "GW_TEST_DATA_DIR must name the tests/data folder"
#endif

namespace {

namespace fs = std::filesystem;

// A folder that cannot be read fails the test: replaying nothing proves nothing.
std::vector<fs::path> FilesIn(const fs::path& dir)
{
    std::vector<fs::path> v;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file() && it->path().filename().string()[0] != '.' &&
            it->path().extension() != ".md")
            v.push_back(it->path());
    if (ec)
        ADD_FAILURE() << "cannot read " << dir.string() << ": " << ec.message();
    std::sort(v.begin(), v.end());
    return v;
}

using ReplayCheck = bool (*)(std::string_view, std::string*);

void Replay(const std::vector<fs::path>& vFiles, ReplayCheck check = gwfuzz::GwpRoundTripHolds)
{
    for (const fs::path& path : vFiles) {
        SCOPED_TRACE(path.string());
        std::string strData, strError;
        ASSERT_TRUE(ReadWholeFile(path.string(), &strData, &strError)) << strError;
        std::string strWhy;
        EXPECT_TRUE(check(strData, &strWhy)) << strWhy;
    }
}

const fs::path kFuzzData = fs::path(GW_TEST_DATA_DIR) / "fuzz";

} // namespace

TEST(GwpFuzzReplay, Seeds)
{
    const std::vector<fs::path> vFiles = FilesIn(kFuzzData / "seeds");
    ASSERT_FALSE(vFiles.empty()) << "no seeds in " << (kFuzzData / "seeds").string();
    Replay(vFiles);
    // Files named valid-* are files the reader must accept.
    for (const fs::path& path : vFiles) {
        if (path.filename().string().rfind("valid-", 0) != 0)
            continue;
        std::string strData, strError;
        ASSERT_TRUE(ReadWholeFile(path.string(), &strData, &strError)) << strError;
        CGwpImage image;
        EXPECT_EQ(GwpParse(strData, &image, nullptr), EGwpResult::Ok) << path.string();
    }
}

TEST(GwpFuzzReplay, Crashes)
{
    Replay(FilesIn(kFuzzData / "crashes"));
}

TEST(GwpFuzzReplay, AFolderThatCannotBeReadFails)
{
    EXPECT_NONFATAL_FAILURE(FilesIn(kFuzzData / "no-such-folder"), "cannot read");
    EXPECT_NONFATAL_FAILURE(FilesIn(kFuzzData / "seeds" / "valid-1x1.gwp"), "cannot read");
}

TEST(FigFuzzReplay, SeedsAndCrashes)
{
    const std::vector<fs::path> vSeeds = FilesIn(kFuzzData / "figlet" / "seeds");
    ASSERT_FALSE(vSeeds.empty());
    Replay(vSeeds, gwfuzz::FigRenderHolds);
    Replay(FilesIn(kFuzzData / "figlet" / "crashes"), gwfuzz::FigRenderHolds);
}
