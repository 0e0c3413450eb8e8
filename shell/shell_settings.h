// The window's own settings in the "GWSet" group: playback, autosave and
// the onion skin and the mirror.
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
    // Mirror drawing (shell/mirror_commands.h): the mode (EMirrorMode's
    // number), the mode the mirror button turns back on, and the axes in
    // half cells (MIRROR_AXIS_CENTRE, -1, for the canvas centre).
    int m_nMirrorMode = 0;
    int m_nMirrorLastMode = 1;
    int m_nMirrorColAxis = -1;
    int m_nMirrorRowAxis = -1;

    void Read();
    void Write() const;
};
