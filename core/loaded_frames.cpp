#include "core/loaded_frames.h"

#include "core/backup_store.h"

CLoadedFrames::~CLoadedFrames()
{
    Clear();
}

void CLoadedFrames::Clear()
{
    for (const auto& [nId, pCells] : vFrames)
        BackupDestroy(nId);
    vFrames.clear();
}
