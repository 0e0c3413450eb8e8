#include "core/loaded_frames.h"

#include "core/backup_store.h"

CLoadedFrames::~CLoadedFrames()
{
    Clear();
}

void CLoadedFrames::Clear()
{
    for (const auto& [nId, pCells] : vFrames)
        if (nId != 0)
            BackupDestroy(nId);
    vFrames.clear();
    vResting.clear();
}
