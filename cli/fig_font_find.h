// The FIGlet font named on gwconvert's command line, found without Qt by the
// editor's rules (ui/app_folders.h, FindFigFont): an existing file as it is;
// else, by title (the name without its last extension) or file name, the
// first of: every file of "Fonts" in the program's data folder, the "*.flf"
// of the user's Fonts folder ($XDG_DATA_HOME/Glyphwright/Fonts) and of the
// system's FIGlet folder, then the "*.tlf" of those two; each folder's files
// sorted by name, hidden files left out.
#pragma once

#include <string>

// Empty when no font has that name. strProgramDir: the folder of the running
// program, which places the data folder as AppDataFolderFor does.
std::string FindFigFontFile(const std::string& strName, const std::string& strProgramDir);
