// FIGlet lettering: reading a version 2 font ("flf2a" header) into its 95
// printable glyphs, and composing text with it into rows of characters, at
// one of five spacings. Plain bytes in, plain bytes out; the dialog, the
// command-line tool and the tests share these functions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int FIG_GLYPH_COUNT = 95; // codes 32 (space) to 126 (tilde)
inline constexpr int FIG_FIRST_CODE = 32;
// Fonts taller than this, or files larger than FIG_MAX_FILE_BYTES, are
// refused like a wrong header: a damaged file must not make us allocate
// without bound.
inline constexpr int FIG_MAX_HEIGHT = 256;
inline constexpr std::size_t FIG_MAX_FILE_BYTES = 16u * 1024u * 1024u;
// Composed text, line ends included, is refused past this size. A glyph may
// be as wide as the file allows, so a short text can otherwise ask for
// gigabytes; real lettering is far below it.
inline constexpr std::size_t FIG_MAX_OUTPUT_BYTES = 64u * 1024u * 1024u;

struct FigFont {
    char chHardblank = 0;
    int32_t nHeight = 0;    // rows per glyph; 0 until a font loaded
    int32_t nOldLayout = 0; // selects the joining rule at spacing 0
    // Each glyph's rows top to bottom, end marks still on.
    std::array<std::vector<std::string>, FIG_GLYPH_COUNT> glyphs;
    // The header as the fitted and smushed spacings read it: the byte right
    // after the five-byte signature (a space when the signature stands
    // alone), the print direction (1: right to left) and the full layout,
    // -1 when the header has none.
    char chSigHardblank = ' ';
    int32_t nPrintDirection = 0;
    int32_t nFullLayout = -1;
};

enum class EFigLoad {
    OK,
    BAD_HEADER, // no "flf2a" signature, or a height outside 1..FIG_MAX_HEIGHT
    NO_FILE,    // the file could not be opened or read
    TOO_LARGE,  // the file exceeds FIG_MAX_FILE_BYTES
};

// Reads a font from its file's bytes. On anything but OK, font is unchanged.
// Lines end at LF or CR LF; a line past the end of the data reads as empty.
// A TOIlet font ("tlf2a", UTF-8) is read through Utf8ToCp1252 and
// ToiletGlyphRow.
EFigLoad ParseFigFont(std::string_view data, FigFont& font);
// UTF-8 text as Windows-1252 bytes, one per character: a character the code
// page lacks becomes the nearest ASCII one where there is a plain choice
// (box lines, blocks, circled and full-width letters), else '?', as does a
// byte that is not well-formed UTF-8.
std::string Utf8ToCp1252(std::string_view data);
// A TOIlet glyph row as a FIGlet one: its end marks are found among its
// characters, not its bytes (a row "Ⓐ" + "A" has one end mark, where its
// Windows-1252 form "AA" would seem to have two), the rest is converted and
// "@@" ends it.
std::string ToiletGlyphRow(std::string_view row);
// Reads the file at path (at most FIG_MAX_FILE_BYTES) and parses it.
EFigLoad LoadFigFontFile(const std::string& strPath, FigFont& font);

// A glyph row without its end mark(s): two equal last characters go
// together, else the last one alone.
std::string StripEndmarks(std::string_view row);

// Spacing as the dialog offers it: 0 joins by the font's rule, 1 packs the
// glyphs tight, 2 sets them side by side untouched. FITTED moves each glyph
// towards the text so far until they touch; FONT_LAYOUT composes by the
// font's own layout and smushing rules (see figlet_layout.cpp). Both follow
// the font's print direction.
enum EFigSpacing {
    FIG_SPACING_SMUSH = 0,
    FIG_SPACING_KERN = 1,
    FIG_SPACING_FULL = 2,
    FIG_SPACING_FITTED = 3,
    FIG_SPACING_FONT_LAYOUT = 4,
};
inline constexpr int FIG_SPACING_COUNT = 5;

// Joins one row of the next glyph onto the row composed so far. A spacing
// other than 0 or 1 sets the rows side by side, as 2 does.
std::string JoinGlyphRow(std::string_view existing, std::string_view next, std::size_t nAdvance,
                         std::size_t nTrimmedWidth, int nSpacing, int32_t nOldLayout,
                         char chHardblank);

enum class EFigRender {
    OK,
    TOO_LARGE, // the rows would pass the size limit given
};

// The text's rows, each followed by CR LF, hardblanks turned into spaces;
// empty for an empty text or a font of no height. Characters outside 32..126
// have no glyph and are left out. A line feed starts a new line of lettering
// below the last at the font's full height; a line without glyphs is the
// font's height of empty rows. Each row grows in place, so the time is
// linear in the text's length and the output's size. Composing stops as soon
// as the rows pass nMaxBytes: TOO_LARGE, with *pRows empty.
EFigRender ComposeFigText(std::string_view text, const FigFont& font, int nSpacing,
                          std::size_t nMaxBytes, std::string* pRows);
// One line of text at FIG_SPACING_FITTED or FIG_SPACING_FONT_LAYOUT appended
// to *pRows; false once the rows pass nMaxBytes. A line without glyphs adds
// the font's height of empty rows.
bool AppendFigLayoutLine(std::string_view line, const FigFont& font, int nSpacing,
                         std::size_t nMaxBytes, std::string* pRows);
// As ComposeFigText within FIG_MAX_OUTPUT_BYTES; empty past it.
std::string RenderFigText(std::string_view text, const FigFont& font, int nSpacing);
