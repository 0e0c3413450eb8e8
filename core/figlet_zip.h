// Fonts kept as zip archives: TOIlet fonts are often shipped so, and the
// lettering programs read such a file as the archive's first entry. Only
// that entry is looked at, stored or deflated, through its local header; the
// central directory at the end is never needed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class EFigZip {
    OK,
    TOO_LARGE, // the entry's text would pass the size limit given
    DAMAGED,   // cut short, corrupt, encrypted or packed by another method
};

// Whether data starts with a zip local file header ("PK\3\4").
bool IsZipData(std::string_view data);

// The archive's first entry in *pOut. At most nMaxBytes are ever held: an
// entry that inflates past them is TOO_LARGE, however small the archive. On
// DAMAGED, *pWhy (when given) says what is wrong; *pOut is empty unless OK.
EFigZip UnzipFirstEntry(std::string_view zip, std::size_t nMaxBytes, std::string* pOut,
                        std::string* pWhy = nullptr);

// Up to nBytes from the start of the first entry, out of as much of the
// archive as is at hand: for a font's header line without the whole file.
// Empty when not even that much can be unpacked.
std::string ZipEntryStart(std::string_view zip, std::size_t nBytes);
