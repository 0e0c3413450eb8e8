// The description written beside each recovery copy: a few lines of
// "key=value" saying whose drawing it is, when it was written, its counts,
// the copy's file, size and hash, and the background colour it was drawn on.
#pragma once

#include "core/char_cell.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct CDesc {
    std::string strPath;
    int64_t nTime = 0;
    int nFrames = 0, nRows = 0, nCols = 0;
    std::string strCopy; // the copy's file name
    uint64_t nSize = 0, nHash = 0;
    std::optional<COLORREF> crBack;
};

std::string FormatDesc(const CDesc& desc);
// False when the text is no description of this version, or lacks a value.
bool ParseDesc(std::string_view strText, CDesc* pDesc);
