// Mirror drawing's commands: the mode (the View menu and the view toolbar's
// drop-down), where its axes lie (a click on a ruler, the caret, the
// canvas centre), the status bar's text for it, and the settings that
// remember both. The drawing itself is the view's (core/mirror_writer.h).
#pragma once

#include "core/mirror_writer.h"

#include <QString>

class CArtView;
struct SShellSettings;

class CMirrorCommands {
public:
    // The view takes the remembered mode and axes at once.
    CMirrorCommands(CArtView& view, SShellSettings& settings);

    EMirrorMode Mode() const;
    // A mode chosen from the View menu or the drop-down.
    void SetMode(EMirrorMode nMode);
    // The drop-down's button: off, or back on in the mode chosen last.
    void Toggle();
    // The axes in use (both while the mirror is off) through the middle of
    // the type tool's caret cell: its column and its row mirror to
    // themselves, as a title centred on the caret expects.
    void AxesAtCaret();
    void CentreAxes();
    // A click on the top ruler (bColumns) or the left one, in half cells:
    // the axis across that ruler moves there while a mirror uses it. False
    // when the click changed nothing.
    bool AxisPicked(bool bColumns, int nHalfCells);
    // "Mirror: Left-Right", for the status bar.
    QString StatusText() const;

private:
    void Apply(const CMirrorSettings& mirror);
    CMirrorSettings Current() const;

    CArtView& m_view;
    SShellSettings& m_settings;
};
