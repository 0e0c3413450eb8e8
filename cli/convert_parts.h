// gwconvert is built in three parts, one program each, so that a command
// loads only the libraries it needs:
//   gwconvert          plain C++: info, text, utf8, figlet, and html, ansi,
//                      animation, svg, cast and play when the options give
//                      every value;
//   gwconvert-qtcore   with Qt's core library, for the defaults kept in the
//                      user's settings, and image for JPEG and PNG pictures
//                      the streamed decoder takes;
//   gwconvert-draw     with Qt's GUI library, for glyphs drawn with the
//                      canvas's font (png, gif) and the other pictures.
// gwconvert execs the part a command needs with the same command line; each
// part prints the same messages, so users see one program.
#pragma once

#include "cli/convert_args.h"

#include <string>

enum class EConvertPart { Plain = 0, QtCore = 1, QtGui = 2 };

EConvertPart PartNeeded(const CConvertArgs& args);

const char* PartProgramName(EConvertPart part);

// Where a part is for the program at strProgram: installed, in
// <prefix>/libexec/glyphwright beside <prefix>/bin when that file exists;
// else beside the program, as in a build tree.
std::string PartPath(const std::string& strProgram, EConvertPart part);

// This program's own file (not argv[0], which need not be a path).
std::string ThisProgram(const char* pszArgv0);

// Replaces this process with the part, same arguments; returns only when the
// part cannot be started, with the exit status after saying why.
int ExecPart(EConvertPart part, char** argv);
