// gwconvert flip: a drawing's frames flipped left-right or top-bottom, the
// characters turned into their mirror images (or kept, with --plain), saved
// as a new ".gwp". Plain C++ on the core, so it runs in gwconvert itself.
#pragma once

#include "cli/convert_args.h"

#include <string>

extern const char kFlipHelp[];

// The options of flip that take no value: --left-right, --top-bottom, --plain.
bool IsFlipFlag(const std::string& strName);
bool ApplyFlipFlag(const std::string& strName, CConvertArgs* pArgs, std::string* pError);
// Once every option is read: exactly one direction must have been given.
bool FinishFlipArgs(const CConvertArgs& args, std::string* pError);

struct CFlipOutcome {
    int nStatus = 0;    // the exit status
    std::string strWhy; // what to tell the user when nStatus is not 0
};

// Reads args.strInput, flips frame args.nFrame (every frame when no --frame
// was given) and writes args.strOutput safely: a failure leaves an existing
// output as it was.
CFlipOutcome FlipDrawingFile(const CConvertArgs& args);
