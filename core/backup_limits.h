// The page backup store's sizes and its out-of-memory error: what the store,
// its arena and its heap share. The arena and the heap lie below the store
// and include this, not backup_store.h.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

inline constexpr std::size_t BACKUP_PAGE_SIZE = 4096;
inline constexpr std::size_t BACKUP_REGION_GRANULE = 65536;
inline constexpr std::size_t BACKUP_BLOCK_HEADER = 4;
inline constexpr unsigned BACKUP_MIN_BLOCK = 20;

// Raised by the allocations (BackupAlloc, BackupAllocSealed) when memory runs
// out, with the store unchanged. Every other operation reports such a
// failure as BACKUP_E_SYSTEM, also with the store unchanged.
class CBackupError : public std::runtime_error {
public:
    explicit CBackupError(const std::string& strWhat) : std::runtime_error(strWhat) {}
};
