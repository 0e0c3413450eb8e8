#include "cli/play_command.h"

#include "cli/file_frame_source.h"
#include "core/cast_export.h"
#include "core/gwp_reader.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

namespace {

volatile std::sig_atomic_t g_nStopSignal = 0;

void OnStopSignal(int nSignal)
{
    g_nStopSignal = nSignal;
}

// The signals that end the play handled without SA_RESTART, so a wait or a
// write returns at once and the terminal is put back before the process ends.
void CatchStopSignals()
{
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(nSignal, &action, nullptr);
    // A closed terminal is a failed write, told and put back, not a death.
    std::signal(SIGPIPE, SIG_IGN);
}

// Writes all of str to standard output; false, with errno set, when the
// terminal refuses. A stop signal ends a frame's write early, never the
// restoring one (bWhole).
bool WriteAll(std::string_view str, bool bWhole = false)
{
    while (!str.empty()) {
        const ssize_t n = write(STDOUT_FILENO, str.data(), str.size());
        if (n < 0) {
            if (errno == EINTR && (bWhole || !g_nStopSignal))
                continue;
            return errno == EINTR;
        }
        str.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The terminal's size, or the drawing's where it cannot be told.
void TerminalSize(int nRows, int nCols, int* pnRows, int* pnCols)
{
    winsize size = {};
    const bool bKnown =
        ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0;
    *pnRows = bKnown ? size.ws_row : nRows;
    *pnCols = bKnown ? size.ws_col : nCols;
}

// Waits until the time given, or a stop signal.
void WaitUntil(const timespec& when)
{
    while (!g_nStopSignal &&
           clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) == EINTR) {
    }
}

void AddTenths(timespec& when, int nTenths)
{
    when.tv_nsec += static_cast<long>(nTenths) * 100000000L;
    when.tv_sec += when.tv_nsec / 1000000000L;
    when.tv_nsec %= 1000000000L;
}

} // namespace

SPlayResult PlayDrawing(const std::string& strInput, int nIntervalTenths, bool bLoop,
                        COLORREF crBack)
{
    if (!isatty(STDOUT_FILENO))
        return {1,
                "play shows the drawing in a terminal, and standard output is not one"
                " (to write the animation to a file, use 'gwconvert cast')",
                0};
    CGwpFile file;
    std::string strError;
    switch (file.Open(strInput, &strError)) {
    case EGwpOpen::Ok:
        break;
    case EGwpOpen::Unreadable:
        return {1, "cannot read " + strInput + ": " + strError, 0};
    default:
        return {1, strInput + ": " + strError, 0};
    }
    const int nRows = file.Header().nRows, nCols = file.Header().nCols;
    const int nFrames = file.Header().nFrames;
    CFileFrameSource frames(file, false);

    CatchStopSignals();
    SPlayResult result;
    if (!WriteAll(kPlayStart)) {
        result = {1, std::string("cannot write to the terminal: ") + std::strerror(errno), 0};
        WriteAll(kPlayRestore, true);
        return result;
    }
    std::vector<CharCell> vShown;
    int nShownRows = 0, nShownCols = 0, nFewestRows = nRows, nFewestCols = nCols;
    timespec when = {};
    clock_gettime(CLOCK_MONOTONIC, &when);
    for (int n = 0; !g_nStopSignal; n = (n + 1) % nFrames) {
        const CharCell* pCells = frames.GetFrame(n);
        if (!pCells && g_nStopSignal)
            break; // the read was interrupted by the stop
        if (!pCells) {
            result = {1, "cannot read " + strInput + ": " + frames.Error(), 0};
            break;
        }
        int nTermRows = 0, nTermCols = 0;
        TerminalSize(nRows, nCols, &nTermRows, &nTermCols);
        const int nRowsNow = std::min(nRows, nTermRows), nColsNow = std::min(nCols, nTermCols);
        std::string strOut;
        // A resize leaves what the old size showed: clear it once.
        if ((nShownRows || nShownCols) && (nRowsNow != nShownRows || nColsNow != nShownCols))
            strOut = "\x1b[0m\x1b[2J";
        nShownRows = nRowsNow, nShownCols = nColsNow;
        nFewestRows = std::min(nFewestRows, nRowsNow),
        nFewestCols = std::min(nFewestCols, nColsNow);
        vShown.resize(std::size_t(nRowsNow) * std::size_t(nColsNow));
        for (int r = 0; r < nRowsNow; ++r)
            std::copy_n(pCells + std::size_t(r) * std::size_t(nCols), nColsNow,
                        vShown.begin() + std::ptrdiff_t(r) * nColsNow);
        strOut += CastFrameOutput(vShown.data(), nRowsNow, nColsNow, crBack);
        if (!WriteAll(strOut)) {
            result = {1, std::string("cannot write to the terminal: ") + std::strerror(errno), 0};
            break;
        }
        AddTenths(when, nIntervalTenths);
        WaitUntil(when);
        if (!bLoop && n == nFrames - 1)
            break;
    }
    // Put back whatever ended the play; a terminal that is gone refuses it.
    WriteAll(kPlayRestore, true);
    if (g_nStopSignal && result.nStatus == 0)
        result.nSignal = g_nStopSignal;
    if (result.nStatus == 0 && (nFewestRows < nRows || nFewestCols < nCols))
        result.strMessage = "note: the drawing is " + std::to_string(nCols) + " x " +
                            std::to_string(nRows) + " and the terminal showed only its top-left " +
                            std::to_string(nFewestCols) + " x " + std::to_string(nFewestRows) +
                            "; enlarge the terminal to see all of it";
    return result;
}
