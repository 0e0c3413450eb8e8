# Fails when a file includes a header of a level above its own, or when the
# plain C++ levels include Qt. Run as a test: cmake -DROOT=<source> -P this.
#
# Each entry: a folder, then the folders its files may include from. Levels,
# lowest first: core, res, ui, canvas, panes, import, shell; cli sits beside
# them on core, ui and the canvas's frame drawing. Tests may include what
# their level may, and their own folder's helpers.
cmake_policy(SET CMP0057 NEW)
set(levels
  "core|core"
  "res|core res"
  "ui|core res ui"
  "canvas|core res ui canvas"
  "panes|core res ui canvas panes"
  "import|core res ui canvas panes import"
  "shell|core res ui canvas panes import shell"
  "cli|core ui canvas cli"
  "tests/core|core tests/core tests/fuzz"
  "tests/fuzz|core tests/fuzz"
  "tests/browser|core"
  "tests/res|core res"
  "tests/ui|core res ui"
  "tests/canvas|core res ui canvas tests/canvas"
  "tests/panes|core res ui canvas panes tests/panes"
  "tests/import|core res ui canvas panes import tests/panes tests/import"
  "tests/shell|core res ui canvas panes import shell tests/shell"
  "tests/cli|core ui canvas cli")
# Folders whose files must not include Qt.
set(no_qt core tests/core tests/fuzz tests/browser)

set(bad "")
foreach(entry IN LISTS levels)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 dir)
  list(GET parts 1 allowed)
  string(REPLACE " " ";" allowed "${allowed}")
  file(GLOB files "${ROOT}/${dir}/*.h" "${ROOT}/${dir}/*.cpp" "${ROOT}/${dir}/*/*.h" "${ROOT}/${dir}/*/*.cpp")
  foreach(f IN LISTS files)
    file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
      string(REGEX MATCH "[<\"]([^>\"]+)[>\"]" _ "${line}")
      set(header "${CMAKE_MATCH_1}")
      if(dir IN_LIST no_qt AND header MATCHES "^(Q[A-Za-z]+|Qt[A-Za-z]*/)")
        list(APPEND bad "${f}: ${header} (Qt in a plain C++ level)")
      endif()
      # Project headers are named from the root: "level/file.h", "tests/level/file.h".
      if(NOT line MATCHES "\"" OR NOT header MATCHES "/")
        continue()
      endif()
      string(REGEX MATCH "^(tests/[a-z_]+|[a-z_]+)/" _ "${header}")
      set(from "${CMAKE_MATCH_1}")
      if(from AND NOT from IN_LIST allowed)
        list(APPEND bad "${f}: ${header} (${dir} may include from: ${allowed})")
      endif()
    endforeach()
  endforeach()
endforeach()
if(bad)
  string(REPLACE ";" "\n" bad "${bad}")
  message(FATAL_ERROR "Includes across levels:\n${bad}")
endif()
message(STATUS "Every level includes only from itself and the levels below it")
