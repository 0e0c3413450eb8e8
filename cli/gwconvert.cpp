// gwconvert: the editor's exports, its FIGlet lettering and its picture
// conversion, from the command line, for scripts.
//
// The drawing is read only as far as needed: its header for info, the one
// frame asked for, or a frame at a time streamed into the animated page, so
// memory stays small whatever the file's size; the GIF, too, is drawn and
// written a frame at a time. Every output goes through
// SaveFileSafely, so a failure at any point leaves an existing output file
// exactly as it was. Exit status: 0 done, 1 a drawing, font or picture that cannot be
// read, lettering past its size limit or an output that cannot be written, 2 bad arguments.
//
// The file is built into the three parts of cli/convert_parts.h, by
// GW_CONVERT_PART: 0 plain C++, 1 with Qt's core, 2 with Qt's GUI.
#ifndef GW_CONVERT_PART
#define GW_CONVERT_PART 0
#endif
#if GW_CONVERT_PART >= 2
#include "canvas/frame_picture.h"
#include "canvas/gif_export.h"
#include <QGuiApplication>
#endif
#if GW_CONVERT_PART >= 1
#include "cli/image_command.h"
#include "ui/settings_value.h"
#include <QSettings>
#endif
#include "cli/convert_parts.h"
#include "cli/fig_font_find.h"
#include "cli/convert_args.h"
#include "cli/file_frame_source.h"
#include "cli/flip_command.h"
#include "cli/output_target.h"
#include "cli/play_command.h"
#include "core/cast_export.h"
#include "core/figlet.h"
#include "core/gwp_reader.h"
#include "core/html_export.h"
#include "core/safe_file.h"
#include "core/svg_export.h"
#include "core/terminal_export.h"
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int EXIT_BAD_FILE = 1;
constexpr int EXIT_USAGE = 2;

// The editor's own defaults for the values it keeps in the user's settings.
constexpr int32_t DEFAULT_FRAME_INTERVAL = 5;
constexpr uint32_t DEFAULT_BACK_COLOR = 0x00FFFFFF;
[[maybe_unused]] constexpr uint32_t DEFAULT_TEXT_COLOR = 0x00010101;

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

#if GW_CONVERT_PART >= 1
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

// The editor's playback: looping unless the user turned it off.
bool PlayLoop(const CConvertArgs& args)
{
    if (args.bLoop)
        return *args.bLoop;
    QSettings settings(UserSettings());
    return ReadSettingU32(settings, QStringLiteral("GWSet"), QStringLiteral("PlayLoop"), 1) != 0;
}

COLORREF BackColor(const CConvertArgs& args)
{
    if (args.crBack)
        return *args.crBack;
    QSettings settings(UserSettings());
    return ReadSettingU32(settings, QStringLiteral("GWColor"), QStringLiteral("BKCLR"),
                          DEFAULT_BACK_COLOR);
}

// The view's text colour: pure black is its layers' transparent key, so
// it becomes near black, and a stray high byte is dropped.
[[maybe_unused]] COLORREF TextColor()
{
    QSettings settings(UserSettings());
    const COLORREF cr = ReadSettingU32(settings, QStringLiteral("GWColor"), QStringLiteral("FTCLR"),
                                       DEFAULT_TEXT_COLOR) &
                        0x00FFFFFFu;
    return cr == 0 ? DEFAULT_TEXT_COLOR : cr;
}
#else
// The commands that need a setting run in another part (PartNeeded); here
// the options give every value that is read.
int FrameInterval(const CConvertArgs& args)
{
    return args.nInterval.value_or(DEFAULT_FRAME_INTERVAL);
}

bool PlayLoop(const CConvertArgs& args)
{
    return args.bLoop.value_or(true);
}

COLORREF BackColor(const CConvertArgs& args)
{
    return args.crBack.value_or(DEFAULT_BACK_COLOR);
}
#endif

int CheckStandardOutput()
{
    std::string strError;
    if (!FlushStandardOutput(&strError))
        return Complain(EXIT_BAD_FILE, "cannot write to standard output: " + strError);
    return 0;
}

// An output that is the input would replace what is being read.
int RefuseSameFile(const std::string& strInput, const std::string& strOutput)
{
    return Complain(EXIT_USAGE, "the output " + strOutput + " is the input " + strInput +
                                    "; give the output another name");
}

// The one frame asked for, as a source of frames.
class COneFrameSource : public IAnimFrameSource {
public:
    COneFrameSource(const CharCell* pCells, int nRows, int nCols)
        : m_pCells(pCells), m_nRows(nRows), m_nCols(nCols)
    {
    }
    int GetFrameCount() const override { return 1; }
    int GetRows() const override { return m_nRows; }
    int GetCols() const override { return m_nCols; }
    const CharCell* GetFrame(int nIndex) override { return nIndex == 0 ? m_pCells : nullptr; }

private:
    const CharCell* m_pCells;
    int m_nRows, m_nCols;
};

// A recording's title: the drawing's file name without its folder and
// ".gwp".
std::string DrawingTitle(const std::string& strPath)
{
    std::string str = strPath.substr(strPath.rfind('/') + 1);
    if (str.size() > 4 && str.ends_with(".gwp"))
        str.resize(str.size() - 4);
    return str;
}

int PrintInfo(const CGwpHeader& header)
{
    std::printf("columns: %d\nrows: %d\nframes: %d\n", header.nCols, header.nRows, header.nFrames);
    return CheckStandardOutput();
}

int Convert(const CConvertArgs& args)
{
    CGwpFile file;
    if (std::string strWhy = OpenDrawing(file, args.strInput); !strWhy.empty())
        return Complain(EXIT_BAD_FILE, strWhy);
    std::string strError;
    const CGwpHeader& header = file.Header();
    if (args.command == EConvertCommand::Info)
        return PrintInfo(header);

    using C = EConvertCommand;
    // Only the animated page and the GIF read more than one frame.
    const bool bAllFrames = args.command == C::Animation || args.command == C::Gif ||
                            (args.command == C::Svg && !args.bFrameGiven) ||
                            args.command == C::Cast;
    CFileFrameSource frames(file, bAllFrames);
    const CharCell* pCells = nullptr;
    if (!bAllFrames) {
        if (args.nFrame > header.nFrames)
            return UsageError(args.command, "--frame " + std::to_string(args.nFrame) +
                                                " is past the last frame of " + args.strInput +
                                                " (" + std::to_string(header.nFrames) + ")");
        pCells = frames.GetFrame(args.nFrame - 1);
        if (!pCells)
            return Complain(EXIT_BAD_FILE, "cannot read " + args.strInput + ": " + frames.Error());
    }
    const bool bPlain = args.command == C::Text || args.command == C::Utf8;
    const COLORREF crBack = bPlain ? 0 : BackColor(args);
    const int nInterval = bAllFrames ? FrameInterval(args) : 0;
    [[maybe_unused]] const bool bLoop = args.command == C::Gif && PlayLoop(args);
    SSvgParams svg;
    if (args.command == C::Svg) {
        svg = {SvgLayoutForZoom(args.nZoom), std::max(nInterval, 1), bAllFrames && PlayLoop(args),
               crBack};
    }
    COneFrameSource oneFrame(pCells, header.nRows, header.nCols);
    const int nRows = header.nRows, nCols = header.nCols;
    std::string strWhy; // the export's own reason for giving up
    const auto write = [&](std::ostream& os) {
        switch (args.command) {
        case C::Animation:
            return ExportAnimationHtml(os, frames, nInterval, crBack);
#if GW_CONVERT_PART >= 2
        case C::Gif:
            return ExportAnimatedGif(os, frames, args.nZoom, nInterval, bLoop, crBack, &strWhy);
        case C::Png:
            return WriteFramePng(os, pCells, nRows, nCols, args.nZoom, crBack, &strWhy);
#endif
        case C::Svg:
            if (bAllFrames)
                return ExportAnimatedSvg(os, frames, svg);
            return ExportAnimatedSvg(os, oneFrame, svg);
        case C::Cast:
            return ExportCast(os, frames, {nInterval, crBack, DrawingTitle(args.strInput)});
        case C::Text:
            ExportSingleText(os, pCells, nRows, nCols);
            return true;
        case C::Utf8:
            ExportUtf8Text(os, pCells, nRows, nCols);
            return true;
        case C::Ansi:
            ExportAnsiText(os, pCells, nRows, nCols, crBack);
            return true;
        default:
            ExportSingleHtml(os, pCells, nRows, nCols, crBack);
            return true;
        }
    };
    if (!WriteOutput(args.strOutput, write, &strError, ESaveWrites::Behind)) {
        // A frame that could not be read ends the export early; say so rather
        // than blame the output.
        if (!frames.Error().empty())
            return Complain(EXIT_BAD_FILE, "cannot read " + args.strInput + ": " + frames.Error());
        if (!strWhy.empty() && strError == "the content could not be written")
            strError = strWhy;
        return Complain(EXIT_BAD_FILE, "cannot write " + args.strOutput + ": " + strError);
    }
    return 0;
}

// FIGlet lettering, to standard output or a file. The font's name is looked
// up in the editor's font folders, which needs the program's folder.
int Figlet(const CConvertArgs& args, const char* pszArgv0)
{
    const std::string strProgram = ThisProgram(pszArgv0);
    const std::string strPath =
        FindFigFontFile(args.strInput, strProgram.substr(0, strProgram.rfind('/') + 1));
    if (strPath.empty())
        return Complain(EXIT_BAD_FILE, "no FIGlet font '" + args.strInput +
                                           "': neither a file nor a font in the Fonts folders");
    FigFont font;
    std::string strWhy;
    switch (LoadFigFontFile(strPath, font, &strWhy)) {
    case EFigLoad::OK:
        break;
    case EFigLoad::NO_FILE:
        return Complain(EXIT_BAD_FILE, "cannot read " + strPath);
    case EFigLoad::TOO_LARGE:
        return Complain(EXIT_BAD_FILE, strPath + ": larger than 16 MB, not taken as a font");
    case EFigLoad::BAD_HEADER:
        return Complain(EXIT_BAD_FILE, strPath + ": not a FIGlet font (the first line must start"
                                                 " with flf2a and give a height of 1 to 256)");
    case EFigLoad::BAD_ARCHIVE:
        return Complain(EXIT_BAD_FILE, strPath + ": a zip archive that cannot be unpacked (" +
                                           strWhy + "), not taken as a font");
    }
    if (!args.strOutput.empty() && IsSameFile(strPath, args.strOutput))
        return RefuseSameFile(strPath, args.strOutput);
    std::string strRows;
    if (ComposeFigText(args.strText, font, args.nSpacing, FIG_MAX_OUTPUT_BYTES, &strRows) !=
        EFigRender::OK)
        return Complain(EXIT_BAD_FILE, "the lettering would be larger than 64 MB: shorten the"
                                       " text or choose a narrower font");
    if (args.strOutput.empty()) {
        std::fwrite(strRows.data(), 1, strRows.size(), stdout);
        return CheckStandardOutput();
    }
    std::string strError;
    const auto write = [&](std::ostream& os) { return !!os.write(strRows.data(), std::streamsize(strRows.size())); };
    if (!WriteOutput(args.strOutput, write, &strError))
        return Complain(EXIT_BAD_FILE, "cannot write " + args.strOutput + ": " + strError);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Over a file size limit a write then fails with EFBIG and is reported
    // like a full disk, instead of the signal killing us mid-write.
    std::signal(SIGXFSZ, SIG_IGN);

    CConvertArgs args;
    std::string strError;
    if (!ParseConvertArgs(std::vector<std::string>(argv + 1, argv + argc), &args, &strError))
        return UsageError(args.command, strError);
    if (args.bHelp) {
        std::fputs(ConvertHelpText(args.command), stdout);
        return CheckStandardOutput();
    }
    if (!args.strOutput.empty() && args.command != EConvertCommand::Figlet &&
        IsSameFile(args.strInput, args.strOutput))
        return RefuseSameFile(args.strInput, args.strOutput);

    if (const EConvertPart part = PartNeeded(args); int(part) > GW_CONVERT_PART)
        return ExecPart(part, argv);

    try {
        if (args.command == EConvertCommand::Figlet)
            return Figlet(args, argv[0]);
        if (args.command == EConvertCommand::Flip) {
            const CFlipOutcome outcome = FlipDrawingFile(args);
            return outcome.nStatus == 0 ? 0 : Complain(outcome.nStatus, outcome.strWhy);
        }
        if (args.command == EConvertCommand::Play) {
            const SPlayResult result =
                PlayDrawing(args.strInput, FrameInterval(args), PlayLoop(args), BackColor(args));
            if (!result.strMessage.empty())
                Complain(result.nStatus, result.strMessage);
            if (result.nSignal) {
                // Ended as the signal would have ended it, now the terminal
                // is back, so a shell or script sees the interruption.
                std::signal(result.nSignal, SIG_DFL);
                std::raise(result.nSignal);
            }
            return result.nStatus;
        }
#if GW_CONVERT_PART >= 1
        if (args.command == EConvertCommand::Image) {
            const COLORREF crBack =
                args.imageOutput == EImageOutput::Html ? BackColor(args) : DEFAULT_BACK_COLOR;
#if GW_CONVERT_PART == 1
            // JPEG and PNG rows converted as they are decoded; any other
            // picture goes to the part with Qt's image plugins.
            const std::optional<std::string> strStreamed =
                ConvertPictureStreamed(args, TextColor(), crBack);
            if (!strStreamed)
                return ExecPart(EConvertPart::QtGui, argv);
            const std::string& strError = *strStreamed;
#else
            // The picture formats are plugins, found through the application.
            QCoreApplication app(argc, argv);
            const std::string strError = ConvertPictureFile(args, TextColor(), crBack);
#endif
            return strError.empty() ? 0 : Complain(EXIT_BAD_FILE, strError);
        }
#endif
#if GW_CONVERT_PART >= 2
        if (args.command == EConvertCommand::Png || args.command == EConvertCommand::Gif) {
            // Glyphs are drawn with the canvas's font, which needs a GUI
            // application; offscreen, so no display is wanted.
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            // Qt's notes about the platform (no runtime folder, fonts) are
            // not ours to pass on: a failure is one line of our own.
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
            QGuiApplication app(argc, argv);
            return Convert(args);
        }
#endif
        return Convert(args);
    } catch (const std::bad_alloc&) {
        return Complain(EXIT_BAD_FILE, args.strInput + ": not enough memory to convert it");
    } catch (const std::exception& e) {
        return Complain(EXIT_BAD_FILE, args.strInput + ": " + e.what());
    }
}
