# Writes OUT, a C++ source defining AnimTemplatePiece(), from the files
# piece_<number>.txt in IN_DIR, each embedded byte for byte.
file(GLOB pieces "${IN_DIR}/piece_*.txt")
list(SORT pieces)
set(defs "")
set(cases "")
foreach(piece IN LISTS pieces)
  get_filename_component(name "${piece}" NAME_WE)
  string(REPLACE "piece_" "" id "${name}")
  file(READ "${piece}" hex HEX)
  string(LENGTH "${hex}" hexlen)
  if(hexlen EQUAL 0)
    string(APPEND cases "    case ${id}: return {};\n")
  else()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
    string(APPEND defs "const char k${id}[] = {${bytes}};\n")
    string(APPEND cases "    case ${id}: return {k${id}, sizeof k${id}};\n")
  endif()
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from res/anim_html/ by cmake/EmbedPieces.cmake; do not edit.
#include \"core/anim_template.h\"

namespace {
${defs}} // namespace

std::string_view AnimTemplatePiece(int nId)
{
    switch (nId) {
${cases}    default: return {};
    }
}
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
