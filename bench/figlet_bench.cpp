// FIGlet lettering against the figlet program, timed in the same iterations:
//
//   BM_FigLoadAndCompose  loading /usr/share/figlet/standard.flf from disk and
//                         composing "Glyphwright" in this process, at spacing
//                         0 (argument 0) or smushed by the font's layout as
//                         figlet composes it (argument 4)
//                         (what the import dialog does on every keystroke)
//                         against one whole `figlet -f standard Glyphwright`
//                         process, spawned with its output to /dev/null and
//                         waited for: ours_us, figlet_us and x_median, the
//                         ratio of their medians (goal <= 0.1), and x_mean.
//   BM_FigComposeLong     composing 120,000 characters in the standard font at
//                         the argument's spacing, the font loaded once: the composition
//                         alone, whose time must grow with the output's size
//                         (out_bytes), not with its square.
//   BM_FigGalleryFill     the font gallery's visible part after a keystroke:
//                         "Glyphwright" smushed in the first 12 of the .flf fonts
//                         in /usr/share/figlet (read before, as the gallery keeps
//                         them) against 12 smushed compositions in the
//                         standard font: fill_us, twelve_us and x_median (goal
//                         <= 1.5), and first_fill_us, the first fill with the
//                         fonts read from disk.
//
// Skipped when figlet or its standard font is not installed.

#include "core/figlet.h"
#include "core/figlet_gallery.h"

#include "bench/ratio_counters.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

using gwratio::Clock;

constexpr const char* kFontPath = "/usr/share/figlet/standard.flf";
constexpr const char* kWord = "Glyphwright";

// Runs figlet on the word with its output discarded; false when it cannot be
// started or does not succeed.
bool RunFiglet()
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char szFiglet[] = "figlet", szFlag[] = "-f", szFont[] = "standard";
    std::string strWord = kWord;
    char* argv[] = {szFiglet, szFlag, szFont, strWord.data(), nullptr};
    pid_t pid = 0;
    const int nError = posix_spawnp(&pid, "figlet", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (nError != 0)
        return false;
    int nStatus = 0;
    while (waitpid(pid, &nStatus, 0) < 0)
        if (errno != EINTR)
            return false;
    return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

void BM_FigLoadAndCompose(benchmark::State& state)
{
    if (access(kFontPath, R_OK) != 0 || !RunFiglet()) {
        state.SkipWithError("figlet or its standard font is not installed");
        return;
    }
    std::vector<double> vOurs, vFiglet;
    for (auto _ : state) {
        const Clock::time_point t0 = Clock::now();
        FigFont font;
        if (LoadFigFontFile(kFontPath, font) != EFigLoad::OK) {
            state.SkipWithError("cannot load the standard font");
            return;
        }
        std::string strText = RenderFigText(kWord, font, static_cast<int>(state.range(0)));
        benchmark::DoNotOptimize(strText);
        const Clock::time_point t1 = Clock::now();
        if (!RunFiglet()) {
            state.SkipWithError("figlet failed");
            return;
        }
        const Clock::time_point t2 = Clock::now();
        vOurs.push_back(gwratio::Micros(t1 - t0));
        vFiglet.push_back(gwratio::Micros(t2 - t1));
    }
    const double dOurs = gwratio::Median(vOurs), dFiglet = gwratio::Median(vFiglet);
    state.counters["ours_us"] = dOurs;
    state.counters["figlet_us"] = dFiglet;
    state.counters["x_median"] = dFiglet > 0 ? dOurs / dFiglet : 0;
    state.counters["x_mean"] =
        gwratio::Mean(vFiglet) > 0 ? gwratio::Mean(vOurs) / gwratio::Mean(vFiglet) : 0;
}
BENCHMARK(BM_FigLoadAndCompose)
    ->Arg(FIG_SPACING_SMUSH)
    ->Arg(FIG_SPACING_FONT_LAYOUT)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void BM_FigComposeLong(benchmark::State& state)
{
    FigFont font;
    if (LoadFigFontFile(kFontPath, font) != EFigLoad::OK) {
        state.SkipWithError("the standard font is not installed");
        return;
    }
    std::string strText;
    while (strText.size() < 120000)
        strText += "Glyphwright draws {ASCII} art! ";
    strText.resize(120000);
    std::size_t nBytes = 0;
    for (auto _ : state) {
        std::string strRows = RenderFigText(strText, font, static_cast<int>(state.range(0)));
        nBytes = strRows.size();
        benchmark::DoNotOptimize(strRows);
    }
    state.counters["out_bytes"] = static_cast<double>(nBytes);
}
BENCHMARK(BM_FigComposeLong)
    ->Arg(FIG_SPACING_SMUSH)
    ->Arg(FIG_SPACING_FONT_LAYOUT)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

constexpr std::size_t kGalleryShown = 12;

void BM_FigGalleryFill(benchmark::State& state)
{
    std::vector<std::string> vPaths;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/figlet", error))
        if (entry.path().extension() == ".flf") // the dialog lists these first
            vPaths.push_back(entry.path().string());
    std::sort(vPaths.begin(), vPaths.end());
    FigFont standard;
    if (vPaths.size() < kGalleryShown || LoadFigFontFile(kFontPath, standard) != EFigLoad::OK) {
        state.SkipWithError("figlet's fonts are not installed");
        return;
    }
    CFigGallery gallery;
    gallery.SetFonts(vPaths);
    // A keystroke changes the text; alternate two so nothing is reused.
    const std::string strTexts[] = {kWord, std::string(kWord) + "!"};
    gallery.SetText(strTexts[0], FIG_SPACING_FONT_LAYOUT, FIG_MAX_OUTPUT_BYTES);
    const Clock::time_point tFirst = Clock::now();
    for (std::size_t n = 0; n < kGalleryShown; ++n)
        benchmark::DoNotOptimize(gallery.Rendered(n));
    const double dFirst = gwratio::Micros(Clock::now() - tFirst);
    std::vector<double> vFill, vTwelve;
    std::size_t nRound = 0;
    for (auto _ : state) {
        const std::string& strText = strTexts[++nRound % 2];
        const Clock::time_point t0 = Clock::now();
        gallery.SetText(strText, FIG_SPACING_FONT_LAYOUT, FIG_MAX_OUTPUT_BYTES);
        for (std::size_t n = 0; n < kGalleryShown; ++n)
            benchmark::DoNotOptimize(gallery.Rendered(n));
        const Clock::time_point t1 = Clock::now();
        for (std::size_t n = 0; n < kGalleryShown; ++n) {
            std::string strRows = RenderFigText(strText, standard, FIG_SPACING_FONT_LAYOUT);
            benchmark::DoNotOptimize(strRows);
        }
        const Clock::time_point t2 = Clock::now();
        vFill.push_back(gwratio::Micros(t1 - t0));
        vTwelve.push_back(gwratio::Micros(t2 - t1));
    }
    const double dFill = gwratio::Median(vFill), dTwelve = gwratio::Median(vTwelve);
    state.counters["first_fill_us"] = dFirst;
    state.counters["fill_us"] = dFill;
    state.counters["twelve_us"] = dTwelve;
    state.counters["x_median"] = dTwelve > 0 ? dFill / dTwelve : 0;
}
BENCHMARK(BM_FigGalleryFill)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
