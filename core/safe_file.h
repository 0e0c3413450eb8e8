// Replacing a file without ever leaving it half written.
//
// The new content goes to a temporary file in the same folder, is flushed to
// the disk, and only then renamed over the old file, so a failure at any
// point (a full disk, a read-only folder) leaves the old file as it was and
// no temporary file behind. The temporary file is locked (flock) while it is
// written: only a writer that was killed leaves one behind, and unlocked.
// Saving through a symbolic link replaces the file it points to, and keeps
// the link.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

// Writes the new content into os, which goes to the temporary file through a
// buffer (64 KiB, or two of 1 MiB writing behind); returns false to abandon
// the save.
using SaveWriter = std::function<bool(std::ostream& os)>;

// Where the writes to the file run. Behind: on a thread of their own while
// writer goes on making the content; for long exports from the command line.
// The editor saves on its one thread.
enum class ESaveWrites { OnThisThread, Behind };

// Writes to path what writer writes, never holding more than the buffer in
// memory. On failure (a failed write, an error in os, a writer that returns
// false or throws) returns false, or rethrows, leaving any existing file
// untouched and no temporary file behind; *pError gets a short reason, the
// system's for a failed write.
bool SaveFileSafely(const std::string& strPath, const SaveWriter& writer, std::string* pError,
                    ESaveWrites writes = ESaveWrites::OnThisThread);

// Writes data to path, as above.
bool SaveFileSafely(const std::string& strPath, std::string_view data, std::string* pError);

// Reads a whole file into *pData; false (with the reason) when it cannot be read.
bool ReadWholeFile(const std::string& strPath, std::string* pData, std::string* pError);
