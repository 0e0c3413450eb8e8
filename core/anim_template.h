// The fixed pieces of the animated HTML page, compiled in from res/anim_html/.
#pragma once

#include <string_view>

// The piece with the given resource number (52836 to 52859, 52839 unused);
// empty for any other number.
std::string_view AnimTemplatePiece(int nId);
