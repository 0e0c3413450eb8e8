#include "core/figlet.h"

// Placeholder bodies; the reader and the composition replace them.
EFigLoad ParseFigFont(std::string_view, FigFont&) { return EFigLoad::BAD_HEADER; }
EFigLoad LoadFigFontFile(const std::string&, FigFont&) { return EFigLoad::NO_FILE; }
std::string StripEndmarks(std::string_view row) { return std::string(row); }
std::string JoinGlyphRow(std::string_view a, std::string_view b, std::size_t, std::size_t, int, int32_t, char)
{
    return std::string(a) + std::string(b);
}
std::string RenderFigText(std::string_view, const FigFont&, int) { return {}; }
