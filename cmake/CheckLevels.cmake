# Fails when a file includes a header of a level above its own, when the
# plain C++ levels include Qt, when a tool includes the canvas view, or when
# the files of the canvas or the core include one another in a circle. Run
# as a test: cmake -DROOT=<source> -P this.
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
  "tests/ui|core res ui tests/ui"
  "tests/canvas|core res ui canvas tests/canvas"
  "tests/panes|core res ui canvas panes tests/panes"
  "tests/import|core res ui canvas panes import tests/ui tests/panes tests/import"
  "tests/shell|core res ui canvas panes import shell tests/ui tests/shell"
  "tests/cli|core ui canvas cli tests/ui")
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

# The tools see the canvas through their context only.
file(GLOB tool_files "${ROOT}/canvas/tools/*.h" "${ROOT}/canvas/tools/*.cpp")
foreach(f IN LISTS tool_files)
  file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"canvas/art_view\\.h\"")
  if(lines)
    list(APPEND bad "${f}: canvas/art_view.h (a tool reaches the view through tool_context.h)")
  endif()
endforeach()

# Include cycles inside a level. A header and its source are one unit
# ("canvas/selection"); an edge runs from a unit to each unit of the same
# level it includes. Units nothing in a circle leads to or from are peeled
# off, sinks and sources in turn, until none is left or only circles stay.
foreach(level canvas core)
  file(GLOB_RECURSE files "${ROOT}/${level}/*.h" "${ROOT}/${level}/*.cpp")
  set(units "")
  foreach(f IN LISTS files)
    file(RELATIVE_PATH rel "${ROOT}" "${f}")
    string(REGEX REPLACE "\\.(h|cpp)$" "" unit "${rel}")
    list(APPEND units "${unit}")
    file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"${level}/")
    foreach(line IN LISTS lines)
      string(REGEX MATCH "\"(${level}/[^\"]+)\\.h\"" _ "${line}")
      if(CMAKE_MATCH_1 AND NOT CMAKE_MATCH_1 STREQUAL unit)
        string(MAKE_C_IDENTIFIER "${unit}" id)
        list(APPEND out_${id} "${CMAKE_MATCH_1}")
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES units)
  set(left "${units}")
  set(peeled TRUE)
  while(peeled)
    set(peeled FALSE)
    set(keep "")
    set(targets "")
    foreach(u IN LISTS left)
      string(MAKE_C_IDENTIFIER "${u}" id)
      foreach(t IN LISTS out_${id})
        if(t IN_LIST left)
          list(APPEND targets "${t}")
        endif()
      endforeach()
    endforeach()
    foreach(u IN LISTS left)
      string(MAKE_C_IDENTIFIER "${u}" id)
      set(has_out FALSE)
      foreach(t IN LISTS out_${id})
        if(t IN_LIST left)
          set(has_out TRUE)
          break()
        endif()
      endforeach()
      if(has_out AND u IN_LIST targets)
        list(APPEND keep "${u}")
      else()
        set(peeled TRUE)
      endif()
    endforeach()
    set(left "${keep}")
  endwhile()
  foreach(u IN LISTS units)
    string(MAKE_C_IDENTIFIER "${u}" id)
    unset(out_${id})
  endforeach()
  if(left)
    list(JOIN left ", " names)
    list(LENGTH left count)
    list(APPEND bad "${level}: ${count} units include one another in a circle: ${names}")
  endif()
endforeach()

if(bad)
  string(REPLACE ";" "\n" bad "${bad}")
  message(FATAL_ERROR "Includes across levels:\n${bad}")
endif()
message(STATUS "Every level includes only from itself and the levels below it, no tool includes the view, and the canvas and the core have no include cycle")
