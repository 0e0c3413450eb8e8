// The command table: for every command id of command_ids.h, the texts and
// images the menus, toolbars, status bar and tooltips show, and the keys
// that run it. Windows build their actions from here, so a text or a key is
// changed in one place only.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QString>

#include <span>

namespace gw {

struct SCommandInfo {
    int nId;
    // Menu text with its mnemonic and, after a tab, the shortcut shown in the
    // menu; nullptr for the tool buttons, which have no menu item.
    const char* pszMenuText;
    // Text of the status line while the item is highlighted.
    const char* pszStatus;
    const char* pszTooltip;
    // Image for the toolbar button and the menu item, a Qt resource path;
    // nullptr for items that have no image.
    const char* pszIcon;
    // Keys of the accelerator table in QKeySequence's portable text form;
    // unused slots are nullptr.
    const char* apszKeys[2];
};

// One entry of the drop-down palettes of the Select and Freehand buttons.
struct SPaletteEntry {
    int nValue; // the tool code (or mirror mode) the entry chooses
    const char* pszLabel;
    const char* pszTooltip;
    const char* pszIcon;
};

inline constexpr char IDS_IDLE_STATUS[] = "Ready";

// Every command, in menu order, followed by the menu-less ones.
std::span<const SCommandInfo> AllCommands();

// nullptr for an id that is not in the table.
const SCommandInfo* FindCommand(int id);

// The command's image; a null icon when it has none or the id is unknown.
QIcon CommandIcon(int id);

// The command's keys, first one primary; empty when it has none.
QList<QKeySequence> CommandShortcuts(int id);

// The menu text without the tab and the shortcut after it ("&New").
QString MenuLabel(const SCommandInfo& info);

// Entries of the Select button's palette (selection modes 1 and 2) and of
// the Freehand button's palette (tool codes 4 to 13, widths 1 to 10).
std::span<const SPaletteEntry> SelectModePalette();
std::span<const SPaletteEntry> FreehandPalette();
// Entries of the mirror button's palette: the modes off, left-right,
// top-bottom and four-way (0 to 3).
std::span<const SPaletteEntry> MirrorModePalette();

// The application's own icon, every size from one scalable image.
QIcon AppIcon();

// Canvas cursors by their resource number: free hand, fill and pick, and
// the tracker's handles. Any other number gives the arrow.
inline constexpr int IDC_SIZE_NS = 137;    // top and bottom handles
inline constexpr int IDC_MOVE = 138;       // inside the rectangle; over a shape
inline constexpr int IDC_SIZE_BDIAG = 139; // top-right and bottom-left handles
inline constexpr int IDC_SIZE_FDIAG = 140; // top-left and bottom-right handles
inline constexpr int IDC_SIZE_WE = 141;    // left and right handles; line and curve handles
inline constexpr int IDC_FREEHAND = 162;
inline constexpr int IDC_FILL = 165;
inline constexpr int IDC_PICK = 166;
QCursor ToolCursor(int resourceId);

// The cursor resource numbers ToolCursor knows.
std::span<const int> ToolCursorIds();

} // namespace gw
