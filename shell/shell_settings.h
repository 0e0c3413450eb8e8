// The window's own settings in the "GWSet" group: playback, autosave and
// the onion skin.
// The undo step count is the fourth, kept in g_nUndoRedoStep beside the
// store it sizes. The window reads them when it is built and writes them
// back when it goes or the settings dialog accepts.
#pragma once

#include "canvas/onion_skin.h"

struct SShellSettings {
    int m_bPlayLoop = 1;
    int m_nFrameInterval = 5; // tenths of a second
    int m_nAutosaveSecs = 30; // 0: off
    int m_bOnionShown = 0;
    SOnionSettings m_onion;

    void Read();
    void Write() const;
};
