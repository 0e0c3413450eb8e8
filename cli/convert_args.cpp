#include "cli/convert_args.h"
#include "cli/flip_command.h"
#include "cli/image_args.h"
#include "core/figlet.h"

#include <algorithm>
#include <charconv>

namespace {

struct CCommandInfo {
    EConvertCommand command;
    const char* pszName;
    int nOperands; // the input, and the output for the exports
    const char* pszHelp;
};

const CCommandInfo kCommands[] = {
    {EConvertCommand::Info, "info", 1,
     "Usage: gwconvert info FILE.gwp\n"
     "\n"
     "Prints the drawing's size and its number of frames, one line each:\n"
     "  columns: 60\n"
     "  rows: 40\n"
     "  frames: 2\n"},
    {EConvertCommand::Text, "text", 2,
     "Usage: gwconvert text FILE.gwp OUT.txt [--frame N]\n"
     "\n"
     "Writes one frame as plain text, one line per row, exactly as the editor's\n"
     "text export does.\n"
     "\n"
     "Options:\n"
     "  --frame N    the frame to write, counted from 1 in file order (default 1)\n"},
    {EConvertCommand::Html, "html", 2,
     "Usage: gwconvert html FILE.gwp OUT.htm [--frame N] [--background RRGGBB]\n"
     "\n"
     "Writes one frame as an HTML page in coloured characters, exactly as the\n"
     "editor's HTML export does.\n"
     "\n"
     "Options:\n"
     "  --frame N              the frame to write, counted from 1 in file order\n"
     "                         (default 1)\n"
     "  --background RRGGBB    the page colour as six hex digits, red, green, blue,\n"
     "                         as in HTML (default: the editor's background colour,\n"
     "                         else ffffff)\n"},
    {EConvertCommand::Animation, "animation", 2,
     "Usage: gwconvert animation FILE.gwp OUT.htm [--interval TENTHS] [--background RRGGBB]\n"
     "\n"
     "Writes every frame, in file order, into one HTML page that plays them as an\n"
     "animation, exactly as the editor's animated HTML export does.\n"
     "\n"
     "Options:\n"
     "  --interval TENTHS      tenths of a second between frames, 1 to 100\n"
     "                         (default: the editor's playback interval, else 5)\n"
     "  --background RRGGBB    the page colour as six hex digits, red, green, blue,\n"
     "                         as in HTML (default: the editor's background colour,\n"
     "                         else ffffff)\n"},
    {EConvertCommand::Figlet, "figlet", 2,
     "Usage: gwconvert figlet FONT TEXT [--spacing 0|1|2|fit|smush] [--output FILE]\n"
     "\n"
     "Letters TEXT in a FIGlet font, as the editor's FIGlet import composes it,\n"
     "each row ending in CR LF. Characters without a glyph (outside ASCII 32 to\n"
     "126) are left out; a line feed in TEXT starts a new line of lettering.\n"
     "Lettering larger than 64 MB is refused: nothing is written and the exit\n"
     "status is 1.\n"
     "\n"
     "FONT is a font file, or the name of a font the editor lists (for instance\n"
     "'standard'): from the Fonts folder beside the program, the user's\n"
     "~/.local/share/Glyphwright/Fonts and /usr/share/figlet.\n"
     "\n"
     "Options:\n"
     "  --spacing 0|1|2|fit|smush\n"
     "                     0 joins neighbouring letters by the font's rule, 1 packs\n"
     "                     them tight, 2 sets them side by side (default 2); fit\n"
     "                     moves them together until they touch, as figlet -k\n"
     "                     does, and smush composes by the font's own layout and\n"
     "                     smushing rules, as figlet does by default\n"
     "  --output FILE      write to FILE instead of standard output\n"},
    {EConvertCommand::Image, "image", 2, kImageHelp},
    {EConvertCommand::Png, "png", 2,
     "Usage: gwconvert png FILE.gwp OUT.png [--frame N] [--zoom 0..4] [--background RRGGBB]\n"
     "\n"
     "Writes one frame as a PNG picture, drawn exactly as the editor's canvas\n"
     "draws it at that zoom, without the grid.\n"
     "\n"
     "Options:\n"
     "  --frame N              the frame to write, counted from 1 in file order\n"
     "                         (default 1)\n"
     "  --zoom 0..4            the canvas's zoom, 0 the smallest (default 2)\n"
     "  --background RRGGBB    the page colour as six hex digits (default: the\n"
     "                         editor's background colour, else ffffff)\n"},
    {EConvertCommand::Gif, "gif", 2,
     "Usage: gwconvert gif FILE.gwp OUT.gif [--zoom 0..4] [--interval TENTHS] [--loop|--once]\n"
     "                   [--background RRGGBB]\n"
     "\n"
     "Writes every frame, in file order, as an animated GIF, each drawn as the\n"
     "editor's canvas draws it. Colours are exact while a frame has at most 256;\n"
     "a frame with more is reduced to 256.\n"
     "\n"
     "Options:\n"
     "  --zoom 0..4            the canvas's zoom, 0 the smallest (default 2)\n"
     "  --interval TENTHS      tenths of a second between frames, 1 to 100\n"
     "                         (default: the editor's playback interval, else 5)\n"
     "  --loop, --once         play forever, or once (default: as the editor's\n"
     "                         playback loops, else forever)\n"
     "  --background RRGGBB    the page colour as six hex digits (default: the\n"
     "                         editor's background colour, else ffffff)\n"},
    {EConvertCommand::Utf8, "utf8", 2,
     "Usage: gwconvert utf8 FILE.gwp OUT.txt [--frame N]\n"
     "\n"
     "Writes one frame as UTF-8 text for terminals, one line per row ending in LF,\n"
     "each character as the canvas shows it.\n"
     "\n"
     "Options:\n"
     "  --frame N    the frame to write, counted from 1 in file order (default 1)\n"},
    {EConvertCommand::Flip, "flip", 2, kFlipHelp},
    {EConvertCommand::Ansi, "ansi", 2,
     "Usage: gwconvert ansi FILE.gwp OUT.ans [--frame N] [--background RRGGBB]\n"
     "\n"
     "Writes one frame as UTF-8 text with 24-bit colour escapes, for terminals.\n"
     "\n"
     "Options:\n"
     "  --frame N              the frame to write, counted from 1 in file order\n"
     "                         (default 1)\n"
     "  --background RRGGBB    the background as six hex digits (default: the\n"
     "                         editor's background colour, else ffffff)\n"},
    {EConvertCommand::Svg, "svg", 2,
     "Usage: gwconvert svg FILE.gwp OUT.svg [--frame N] [--zoom 0..4] [--interval TENTHS]\n"
     "                   [--loop|--once] [--background RRGGBB]\n"
     "\n"
     "Writes every frame, in file order, as one SVG picture that plays them with\n"
     "CSS alone, no script, so it moves on pages that run none. A viewer that\n"
     "does not play animations shows the first frame. With --frame, or for a\n"
     "drawing of one frame, the picture is still.\n"
     "\n"
     "Options:\n"
     "  --frame N              only this frame, counted from 1 in file order\n"
     "  --zoom 0..4            the cell size of the canvas's zoom, 0 the smallest\n"
     "                         (default 2)\n"
     "  --interval TENTHS      tenths of a second between frames, 1 to 100\n"
     "                         (default: the editor's playback interval, else 5)\n"
     "  --loop, --once         play forever, or once and stay on the last frame\n"
     "                         (default: as the editor's playback loops, else\n"
     "                         forever)\n"
     "  --background RRGGBB    the background as six hex digits (default: the\n"
     "                         editor's background colour, else ffffff)\n"},
    {EConvertCommand::Cast, "cast", 2,
     "Usage: gwconvert cast FILE.gwp OUT.cast [--interval TENTHS] [--background RRGGBB]\n"
     "\n"
     "Writes every frame, in file order, as a terminal recording (asciicast\n"
     "version 2) for terminal players: a terminal of the drawing's size, titled\n"
     "with the drawing's name, shown each frame in 24-bit colour at the interval.\n"
     "\n"
     "Options:\n"
     "  --interval TENTHS      tenths of a second between frames, 1 to 100\n"
     "                         (default: the editor's playback interval, else 5)\n"
     "  --background RRGGBB    the background as six hex digits (default: the\n"
     "                         editor's background colour, else ffffff)\n"},
    {EConvertCommand::Play, "play", 1,
     "Usage: gwconvert play FILE.gwp [--interval TENTHS] [--loop|--once] [--background RRGGBB]\n"
     "\n"
     "Plays the drawing's frames, in file order, in this terminal in 24-bit\n"
     "colour, on the alternate screen with the cursor hidden; Ctrl+C stops it.\n"
     "The terminal is put back as it was at the end, on Ctrl+C and after an\n"
     "error. A terminal smaller than the drawing shows its top-left part, and a\n"
     "note says so afterwards. Standard output must be a terminal.\n"
     "\n"
     "Options:\n"
     "  --interval TENTHS      tenths of a second between frames, 1 to 100\n"
     "                         (default: the editor's playback interval, else 5)\n"
     "  --loop, --once         play until Ctrl+C, or once (default: as the\n"
     "                         editor's playback loops, else until Ctrl+C)\n"
     "  --background RRGGBB    the background as six hex digits (default: the\n"
     "                         editor's background colour, else ffffff)\n"},
};

const char* kProgramHelp =
    "Usage: gwconvert COMMAND FILE.gwp [OUT] [OPTIONS]\n"
    "\n"
    "Converts Glyphwright drawings without opening a window.\n"
    "\n"
    "Commands:\n"
    "  info FILE.gwp                 print the columns, rows and frame count\n"
    "  text FILE.gwp OUT.txt         write one frame as plain text\n"
    "  html FILE.gwp OUT.htm         write one frame as an HTML page\n"
    "  animation FILE.gwp OUT.htm    write every frame as an animated HTML page\n"
    "  figlet FONT TEXT              letter TEXT in a FIGlet font\n"
    "  image PICTURE OUT             turn a picture into characters (OUT: .gwp,\n"
    "                                .txt, .htm or .html)\n"
    "  png FILE.gwp OUT.png          write one frame as a picture\n"
    "  gif FILE.gwp OUT.gif          write every frame as an animated GIF\n"
    "  utf8 FILE.gwp OUT.txt         write one frame as UTF-8 text\n"
    "  ansi FILE.gwp OUT.ans         write one frame as text in terminal colours\n"
    "  svg FILE.gwp OUT.svg          write every frame as an animated SVG picture\n"
    "  cast FILE.gwp OUT.cast        write every frame as a terminal recording\n"
    "  play FILE.gwp                 play the frames in this terminal\n"
    "  flip FILE.gwp OUT.gwp         write the drawing flipped, characters mirrored\n"
    "\n"
    "'gwconvert COMMAND --help' describes a command and its options.\n"
    "\n"
    "Exit status: 0 on success, 1 when a drawing or picture cannot be read or the\n"
    "output cannot be written (the output is then left as it was), 2 for bad\n"
    "arguments.\n";

const CCommandInfo* FindCommand(EConvertCommand command)
{
    for (const CCommandInfo& info : kCommands)
        if (info.command == command)
            return &info;
    return nullptr;
}

// The options that take no value.
bool IsFlag(EConvertCommand command, const std::string& strName)
{
    if (command == EConvertCommand::Image)
        return IsImageFlag(strName);
    if (command == EConvertCommand::Flip)
        return IsFlipFlag(strName);
    return strName == "--loop" || strName == "--once";
}

bool IsHelp(const std::string& str)
{
    return str == "--help" || str == "-h";
}

// A whole number written in decimal digits only, no sign, no spaces.
bool ParseCount(const std::string& str, long long* pn)
{
    if (str.empty() || str.size() > 9 || str.find_first_not_of("0123456789") != std::string::npos)
        return false;
    std::from_chars(str.data(), str.data() + str.size(), *pn);
    return true;
}

int HexDigit(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// "RRGGBB" or "#RRGGBB", as in HTML, to 0x00BBGGRR.
bool ParseHtmlColor(std::string str, COLORREF* pcr)
{
    if (!str.empty() && str[0] == '#')
        str.erase(0, 1);
    if (str.size() != 6)
        return false;
    COLORREF cr = 0;
    for (int nByte = 0; nByte < 3; ++nByte) {
        const int nHigh = HexDigit(str[2 * nByte]);
        const int nLow = HexDigit(str[2 * nByte + 1]);
        if (nHigh < 0 || nLow < 0)
            return false;
        cr |= COLORREF(nHigh * 16 + nLow) << (8 * nByte);
    }
    *pcr = cr;
    return true;
}

bool Fail(std::string* pError, std::string strWhy)
{
    *pError = std::move(strWhy);
    return false;
}

bool ApplyOption(const std::string& strName, const std::string& strValue, CConvertArgs* pArgs,
                 std::string* pError)
{
    long long n = 0;
    if (pArgs->command == EConvertCommand::Image && strName != "--background")
        return ApplyImageOption(strName, strValue, pArgs, pError);
    if (pArgs->command == EConvertCommand::Flip && IsFlipFlag(strName))
        return ApplyFlipFlag(strName, pArgs, pError);
    if (strName == "--frame") {
        if (!ParseCount(strValue, &n) || n < 1)
            return Fail(pError, "--frame takes a frame number from 1, not '" + strValue + "'");
        pArgs->nFrame = int(n);
        pArgs->bFrameGiven = true;
    } else if (strName == "--spacing") {
        static const std::pair<const char*, int> kSpacings[] = {
            {"0", FIG_SPACING_SMUSH}, {"1", FIG_SPACING_KERN}, {"2", FIG_SPACING_FULL},
            {"fit", FIG_SPACING_FITTED}, {"smush", FIG_SPACING_FONT_LAYOUT}};
        const auto* pFound =
            std::find_if(std::begin(kSpacings), std::end(kSpacings),
                         [&](const auto& spacing) { return strValue == spacing.first; });
        if (pFound == std::end(kSpacings))
            return Fail(pError, "--spacing takes 0, 1, 2, fit or smush, not '" + strValue + "'");
        pArgs->nSpacing = pFound->second;
    } else if (strName == "--output") {
        if (strValue.empty())
            return Fail(pError, "--output needs a file name");
        pArgs->strOutput = strValue;
    } else if (strName == "--zoom") {
        if (strValue.size() != 1 || strValue[0] < '0' || strValue[0] > '4')
            return Fail(pError, "--zoom takes 0 to 4, not '" + strValue + "'");
        pArgs->nZoom = strValue[0] - '0';
    } else if (strName == "--loop" || strName == "--once") {
        if (pArgs->bLoop && *pArgs->bLoop != (strName == "--loop"))
            return Fail(pError, "--loop and --once cannot both be given");
        pArgs->bLoop = strName == "--loop";
    } else if (strName == "--interval") {
        if (!ParseCount(strValue, &n) || n < MIN_FRAME_INTERVAL || n > MAX_FRAME_INTERVAL)
            return Fail(pError, "--interval takes tenths of a second from 1 to 100, not '" +
                                    strValue + "'");
        pArgs->nInterval = int(n);
    } else {
        COLORREF cr = 0;
        if (!ParseHtmlColor(strValue, &cr))
            return Fail(pError, "--background takes six hex digits RRGGBB, not '" + strValue + "'");
        pArgs->crBack = cr;
    }
    return true;
}

// The options of the commands that list theirs here; null for the others.
const char* const* MoreOptions(EConvertCommand command)
{
    static const char* const kSvg[] = {"--frame", "--zoom", "--interval", "--loop", "--once",
                                       "--background", nullptr};
    static const char* const kCast[] = {"--interval", "--background", nullptr};
    static const char* const kPlay[] = {"--interval", "--loop", "--once", "--background", nullptr};
    switch (command) {
    case EConvertCommand::Svg:
        return kSvg;
    case EConvertCommand::Cast:
        return kCast;
    case EConvertCommand::Play:
        return kPlay;
    default:
        return nullptr;
    }
}

bool TakesOption(EConvertCommand command, const std::string& strName)
{
    using C = EConvertCommand;
    if (const char* const* ppOptions = MoreOptions(command)) {
        for (; *ppOptions; ++ppOptions)
            if (strName == *ppOptions)
                return true;
        return false;
    }
    if (strName == "--frame")
        return command == C::Text || command == C::Html || command == C::Png ||
               command == C::Utf8 || command == C::Ansi || command == C::Flip;
    if (command == C::Flip)
        return IsFlipFlag(strName);
    if (strName == "--interval")
        return command == C::Animation || command == C::Gif;
    if (strName == "--zoom")
        return command == C::Png || command == C::Gif;
    if (strName == "--loop" || strName == "--once")
        return command == C::Gif;
    if (command == C::Image)
        return IsImageOption(strName);
    if (strName == "--background")
        return command == C::Html || command == C::Animation || command == C::Png ||
               command == C::Gif || command == C::Ansi;
    if (strName == "--spacing" || strName == "--output")
        return command == EConvertCommand::Figlet;
    return false;
}

} // namespace

bool ParseConvertArgs(const std::vector<std::string>& args, CConvertArgs* pArgs,
                      std::string* pError)
{
    *pArgs = CConvertArgs();
    if (args.empty())
        return Fail(pError, "no command given");
    if (IsHelp(args[0])) {
        pArgs->bHelp = true;
        return true;
    }
    const CCommandInfo* pInfo = nullptr;
    for (const CCommandInfo& info : kCommands)
        if (args[0] == info.pszName)
            pInfo = &info;
    if (!pInfo)
        return Fail(pError, "unknown command '" + args[0] + "'");
    pArgs->command = pInfo->command;

    // Help wins over anything else on the line, so a user who got an
    // argument wrong can add --help to see what was wanted.
    for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
        if (IsHelp(args[i])) {
            pArgs->bHelp = true;
            return true;
        }
    }

    std::vector<std::string> operands;
    std::vector<std::string> vSeen;
    bool bOptionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& str = args[i];
        if (bOptionsEnded || str == "-" || str.empty() || str[0] != '-') {
            operands.push_back(str);
            continue;
        }
        if (str == "--") {
            bOptionsEnded = true;
            continue;
        }
        const auto nEq = str.find('=');
        const std::string strName = str.substr(0, nEq);
        if (!TakesOption(pArgs->command, strName))
            return Fail(pError, "unknown option '" + strName + "' for " + pInfo->pszName);
        vSeen.push_back(strName);
        std::string strValue;
        if (IsFlag(pArgs->command, strName)) {
            if (nEq != std::string::npos)
                return Fail(pError, strName + " takes no value");
        } else if (nEq != std::string::npos) {
            strValue = str.substr(nEq + 1);
        } else if (i + 1 < args.size()) {
            strValue = args[++i];
        } else {
            return Fail(pError, strName + " needs a value");
        }
        if (!ApplyOption(strName, strValue, pArgs, pError))
            return false;
    }

    if (pArgs->command == EConvertCommand::Figlet) {
        if (operands.size() != 2)
            return Fail(pError, operands.size() < 2 ? "figlet needs a font and a text"
                                                    : "unexpected argument '" + operands[2] + "'");
        pArgs->strInput = operands[0];
        pArgs->strText = operands[1];
        return true;
    }
    if (int(operands.size()) < pInfo->nOperands)
        return Fail(pError, pInfo->nOperands == 1 ? "missing the drawing to read"
                            : operands.empty()
                                ? std::string("missing the ") +
                                      (pInfo->command == EConvertCommand::Image ? "picture"
                                                                                : "drawing") +
                                      " to read and the output"
                                : "missing the output file");
    if (int(operands.size()) > pInfo->nOperands)
        return Fail(pError,
                    "unexpected argument '" + operands[std::size_t(pInfo->nOperands)] + "'");
    pArgs->strInput = operands[0];
    if (pInfo->nOperands == 2)
        pArgs->strOutput = operands[1];
    if (pArgs->command == EConvertCommand::Image)
        return FinishImageArgs(vSeen, pArgs, pError);
    if (pArgs->command == EConvertCommand::Flip)
        return FinishFlipArgs(*pArgs, pError);
    return true;
}

const char* ConvertCommandName(EConvertCommand command)
{
    const CCommandInfo* pInfo = FindCommand(command);
    return pInfo ? pInfo->pszName : "";
}

const char* ConvertHelpText(EConvertCommand command)
{
    const CCommandInfo* pInfo = FindCommand(command);
    return pInfo ? pInfo->pszHelp : kProgramHelp;
}
