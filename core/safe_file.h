// Replacing a file without ever leaving it half written.
//
// The new content goes to a temporary file in the same folder, is flushed to
// the disk, and only then renamed over the old file, so a failure at any
// point (a full disk, a read-only folder) leaves the old file as it was and
// no temporary file behind. Saving through a symbolic link replaces the
// file it points to, and keeps the link.
#pragma once

#include <string>
#include <string_view>

// Writes data to path. On failure returns false, leaves any existing file
// untouched and puts a short reason into *pError.
bool SaveFileSafely(const std::string& strPath, std::string_view data, std::string* pError);

// Reads a whole file into *pData; false (with the reason) when it cannot be read.
bool ReadWholeFile(const std::string& strPath, std::string* pData, std::string* pError);
