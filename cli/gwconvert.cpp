// gwconvert: the editor's exports from the command line, for scripts.
//
// Every output goes through SaveFileSafely, so a failure at any point leaves
// an existing output file exactly as it was. Exit status: 0 done, 1 a drawing
// that cannot be read or an output that cannot be written, 2 bad arguments.
#include "cli/convert_args.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/gwp_file.h"
#include "core/html_export.h"
#include "core/safe_file.h"
#include "ui/settings_value.h"

#include <QSettings>

#include <cstdio>
#include <cstring>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int EXIT_BAD_FILE = 1;
constexpr int EXIT_USAGE = 2;

// The editor's own defaults for the values it keeps in the user's settings.
constexpr qint32 DEFAULT_FRAME_INTERVAL = 5;
constexpr quint32 DEFAULT_BACK_COLOR = 0x00FFFFFF;

int Complain(int nStatus, const std::string& strLine)
{
    std::fprintf(stderr, "gwconvert: %s\n", strLine.c_str());
    return nStatus;
}

int UsageError(EConvertCommand command, const std::string& strWhy)
{
    std::string strHelp = "gwconvert ";
    if (command != EConvertCommand::None)
        strHelp += std::string(ConvertCommandName(command)) + " ";
    return Complain(EXIT_USAGE, strWhy + " (see '" + strHelp + "--help')");
}

QSettings UserSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmark"),
                     QStringLiteral("Glyphwright"));
}

int FrameInterval(const CConvertArgs& args)
{
    if (args.nInterval)
        return *args.nInterval;
    QSettings settings(UserSettings());
    const qint32 n = ReadSettingI32(settings, QStringLiteral("GWSet"),
                                    QStringLiteral("FrmInterval"), DEFAULT_FRAME_INTERVAL);
    return n >= MIN_FRAME_INTERVAL && n <= MAX_FRAME_INTERVAL ? n : DEFAULT_FRAME_INTERVAL;
}

COLORREF BackColor(const CConvertArgs& args)
{
    if (args.crBack)
        return *args.crBack;
    QSettings settings(UserSettings());
    return ReadSettingU32(settings, QStringLiteral("GWColor"), QStringLiteral("BKCLR"),
                          DEFAULT_BACK_COLOR);
}

// One frame's cells in memory of their own: the file's bytes carry no
// alignment promise.
std::vector<CharCell> CopyFrame(const CGwpImage& image, int nIndex)
{
    std::vector<CharCell> cells(std::size_t(image.nRows) * std::size_t(image.nCols));
    std::memcpy(cells.data(), image.Frame(nIndex), image.FrameBytes());
    return cells;
}

int PrintInfo(const CGwpImage& image)
{
    std::printf("columns: %d\nrows: %d\nframes: %d\n", image.nCols, image.nRows, image.nFrames);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Complain(EXIT_BAD_FILE, "cannot write to standard output");
    return 0;
}

int Convert(const CConvertArgs& args)
{
    std::string strData;
    std::string strError;
    if (!ReadWholeFile(args.strInput, &strData, &strError))
        return Complain(EXIT_BAD_FILE, "cannot read " + args.strInput + ": " + strError);
    CGwpImage image;
    if (GwpParse(strData, &image, &strError) != EGwpResult::Ok)
        return Complain(EXIT_BAD_FILE, args.strInput + ": " + strError);

    if (args.command == EConvertCommand::Info)
        return PrintInfo(image);

    std::ostringstream os;
    if (args.command == EConvertCommand::Animation) {
        CArtDoc doc;
        GwpLoad(doc, image);
        ExportAnimationHtml(os, doc, FrameInterval(args), BackColor(args));
    } else {
        if (args.nFrame > image.nFrames)
            return UsageError(args.command, "--frame " + std::to_string(args.nFrame) +
                                                " is past the last frame of " + args.strInput +
                                                " (" + std::to_string(image.nFrames) + ")");
        const std::vector<CharCell> cells = CopyFrame(image, args.nFrame - 1);
        if (args.command == EConvertCommand::Text)
            ExportSingleText(os, cells.data(), image.nRows, image.nCols);
        else
            ExportSingleHtml(os, cells.data(), image.nRows, image.nCols, BackColor(args));
    }
    if (!SaveFileSafely(args.strOutput, os.view(), &strError))
        return Complain(EXIT_BAD_FILE, "cannot write " + args.strOutput + ": " + strError);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Loading a drawing writes into store pages, which only the write-fault
    // filter unlocks; it must be in place before any document exists.
    try {
        BackupInstallFaultFilter();
    } catch (const std::exception& e) {
        return Complain(EXIT_BAD_FILE, e.what());
    }

    CConvertArgs args;
    std::string strError;
    if (!ParseConvertArgs(std::vector<std::string>(argv + 1, argv + argc), &args, &strError))
        return UsageError(args.command, strError);
    if (args.bHelp) {
        std::fputs(ConvertHelpText(args.command), stdout);
        return std::fflush(stdout) == 0 ? 0 : EXIT_BAD_FILE;
    }

    try {
        return Convert(args);
    } catch (const std::bad_alloc&) {
        return Complain(EXIT_BAD_FILE, args.strInput + ": not enough memory to convert it");
    } catch (const std::exception& e) {
        return Complain(EXIT_BAD_FILE, args.strInput + ": " + e.what());
    }
}
