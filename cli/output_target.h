// Where gwconvert writes. A regular file, or a name not yet taken, is
// replaced safely (core/safe_file.h); a pipe, a terminal or a device such as
// /dev/stdout or /dev/null cannot be replaced, so it is written to as it is.
#pragma once

#include "core/safe_file.h"

#include <string>

bool WriteOutput(const std::string& strPath, const SaveWriter& writer, std::string* pError,
                 ESaveWrites writes = ESaveWrites::OnThisThread);

// True when both names lead to one existing file (through links too): an
// output that would replace its own input.
bool IsSameFile(const std::string& strA, const std::string& strB);

// Flushes standard output; false, with the system's reason, when the flush
// or an earlier write failed (a full disk, a closed pipe).
bool FlushStandardOutput(std::string* pError);
