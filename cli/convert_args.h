// The command line of gwconvert: which command, which files, which options.
// Parsing never touches a file; whether a frame number fits the drawing is
// known only once the drawing is read.
#pragma once

#include "core/char_cell.h"
#include "core/glyph_mirror.h"
#include "core/image_convert.h"

#include <optional>
#include <string>
#include <vector>

enum class EConvertCommand {
    None, Info, Text, Html, Animation, Figlet, Image, Png, Gif, Utf8, Ansi,
    Flip,
    Svg, Cast, Play,
};

// What `image` writes, by the output's extension.
enum class EImageOutput { Gwp, Text, Html };

struct CConvertArgs {
    EConvertCommand command = EConvertCommand::None;
    bool bHelp = false; // show the help of `command` (of the program for None) and stop
    std::string strInput;           // the drawing; the font for figlet
    std::string strOutput;          // empty for info, and for figlet to standard output
    std::string strText;            // figlet: the text to letter
    int nFrame = 1;                 // counted from 1 in file order
    bool bFrameGiven = false;       // --frame was given (flip: else every frame; svg: one frame, still)
    std::optional<int> nInterval;   // tenths of a second, 1..100
    std::optional<COLORREF> crBack; // 0x00BBGGRR
    int nSpacing = 2;               // figlet: an EFigSpacing, side by side by default
    int nZoom = 2;                  // png, gif, svg: the canvas's zoom, 0..4
    std::optional<bool> bLoop;      // gif, svg, play: forever, or once
    // image: the dialog's settings (crText comes from the user's settings)
    // and the kind of output.
    CImageConvertParams image;
    bool bFrames = false; // image --frames: every frame of an animated picture
    EImageOutput imageOutput = EImageOutput::Text;
    // flip: the direction, and whether characters keep their shapes.
    std::optional<EMirrorAxis> flipAxis;
    bool bFlipPlain = false;
};

inline constexpr int MIN_FRAME_INTERVAL = 1;
inline constexpr int MAX_FRAME_INTERVAL = 100;

// Parses the arguments after the program name. On a usage error returns false
// with a one-line reason in *pError; pArgs->command then names the command
// that was recognised, if any, so the caller can point at its help.
bool ParseConvertArgs(const std::vector<std::string>& args, CConvertArgs* pArgs,
                      std::string* pError);

// The name users type for the command ("text"); "" for None.
const char* ConvertCommandName(EConvertCommand command);

// The --help text of a command, or of the program for None.
const char* ConvertHelpText(EConvertCommand command);
