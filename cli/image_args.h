// The options of `gwconvert image`, for the command-line parser: the same
// choices the Image Convert dialog offers, with the dialog's ranges.
#pragma once

#include "cli/convert_args.h"

#include <string>
#include <vector>

extern const char* const kImageHelp;

bool IsImageOption(const std::string& strName);
// --auto, --gray and --frames stand alone; every other option takes a value.
bool IsImageFlag(const std::string& strName);

// Sets one option; a value out of range is a usage error.
bool ApplyImageOption(const std::string& strName, const std::string& strValue, CConvertArgs* pArgs,
                      std::string* pError);

// Checks what only the whole line shows: options that exclude each other
// (vSeen: the options given, in order) and the output's extension.
bool FinishImageArgs(const std::vector<std::string>& vSeen, CConvertArgs* pArgs,
                     std::string* pError);
