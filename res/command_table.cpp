#include "res/command_table.h"

#include "res/command_ids.h"
#include "res/resources.h"

#include <algorithm>

namespace gw {

namespace {

// Texts of the framework's standard commands are our own wording; the others
// are the program's fixed texts, kept letter for letter (including "Seting"
// and "Draw a ellipse", which users and the help page know them by).
constexpr SCommandInfo kCommands[] = {
    // File
    {ID_FILE_NEW, "&New\tCtrl+N", "Create a new drawing", "New", ":/icons/new.svg", {"Ctrl+N", nullptr}},
    {ID_FILE_OPEN, "&Open...\tCtrl+O", "Open an existing drawing", "Open", ":/icons/open.svg", {"Ctrl+O", nullptr}},
    {ID_FILE_SAVE, "&Save\tCtrl+S", "Save the drawing", "Save", ":/icons/save.svg", {"Ctrl+S", nullptr}},
    {ID_FILE_SAVE_AS, "Save &As...", "Save the drawing under a new name", "Save As", nullptr, {nullptr, nullptr}},
    {ID_SAVE_ANIMATION_HTML, "Save Animation html", "Save all frames as an animated HTML page", "Save Animation html",
     ":/icons/save_anim_html.svg", {nullptr, nullptr}},
    {ID_SAVE_SINGLE_HTML, "Save Single html", "Save the current frame as an HTML page", "Save Single html",
     ":/icons/save_single_html.svg", {nullptr, nullptr}},
    {ID_SAVE_SINGLE_TEXT, "Save Single text", "Save the current frame as a text file", "Save Single text",
     ":/icons/save_single_text.svg", {nullptr, nullptr}},
    {ID_EXPORT_PNG, "&PNG Picture...", "Save the current frame as a PNG picture", "Export PNG",
     ":/icons/export_png.svg", {nullptr, nullptr}},
    {ID_EXPORT_GIF, "Animated &GIF...", "Save all frames as an animated GIF", "Export GIF",
     ":/icons/export_gif.svg", {nullptr, nullptr}},
    {ID_EXPORT_UTF8, "&UTF-8 Text...", "Save the current frame as UTF-8 text", "Export UTF-8 text",
     ":/icons/export_utf8.svg", {nullptr, nullptr}},
    {ID_EXPORT_ANSI, "&Coloured Terminal Text...", "Save the current frame as text with terminal colours",
     "Export coloured terminal text", ":/icons/export_ansi.svg", {nullptr, nullptr}},
    {ID_EXPORT_SVG, "Animated &SVG...", "Save all frames as an SVG picture that plays without scripts",
     "Export SVG", ":/icons/export_svg.svg", {nullptr, nullptr}},
    {ID_EXPORT_CAST, "&Terminal Recording...", "Save all frames as a terminal recording (asciicast)",
     "Export terminal recording", ":/icons/export_cast.svg", {nullptr, nullptr}},
    {ID_FILE_PRINT, "&Print...\tCtrl+P", "Print the current frame", "Print", ":/icons/print.svg", {"Ctrl+P", nullptr}},
    {ID_FILE_PRINT_PREVIEW, "Print Pre&view", "Show the current frame as it will be printed", "Print Preview",
     ":/icons/print_preview.svg", {nullptr, nullptr}},
    {ID_FILE_PRINT_SETUP, "P&rint Setup...", "Choose the printer and its options", "Print Setup", nullptr, {nullptr, nullptr}},
    {ID_APP_EXIT, "E&xit", "Quit the program; prompts to save the drawing", "Exit", nullptr, {nullptr, nullptr}},

    // Edit. Redo gets Ctrl+Y as its menu text promises.
    {ID_EDIT_UNDO, "&Undo\tCtrl+Z", "Undo the last edit of this frame", "Undo", ":/icons/undo.svg",
     {"Ctrl+Z", "Alt+Backspace"}},
    {ID_EDIT_REDO, "&Redo\tCtrl+Y", "Redo the edit of this frame undone last", "Redo", ":/icons/redo.svg",
     {"Ctrl+Y", nullptr}},
    {ID_EDIT_CUT, "Cu&t\tCtrl+X", "Cut the selected region to the clipboard", "Cut", ":/icons/cut.svg",
     {"Ctrl+X", "Shift+Del"}},
    {ID_EDIT_COPY, "&Copy\tCtrl+C", "Copy the selected region to the clipboard", "Copy", ":/icons/copy.svg",
     {"Ctrl+C", "Ctrl+Ins"}},
    {ID_EDIT_PASTE, "&Paste\tCtrl+V", "Paste the copied region", "Paste", ":/icons/paste.svg", {"Ctrl+V", "Shift+Ins"}},
    {ID_PASTE_CLIPBOARD, "Paste Clipboard", "Paste from system ClipBoard", "Paste from system ClipBoard",
     ":/icons/paste_clipboard.svg", {nullptr, nullptr}},
    {ID_EDIT_DELETE, "Delete\tDel", "Delete", "Delete", ":/icons/delete.svg", {"Del", nullptr}},
    {ID_FLIP_LEFT_RIGHT, "Flip &Left-Right",
     "Flip the floating block, or the frame, left to right; each character becomes its mirror image",
     "Flip Left-Right", ":/icons/flip_left_right.svg", {nullptr, nullptr}},
    {ID_FLIP_TOP_BOTTOM, "Flip To&p-Bottom",
     "Flip the floating block, or the frame, upside down; each character becomes its mirror image",
     "Flip Top-Bottom", ":/icons/flip_top_bottom.svg", {nullptr, nullptr}},
    {ID_FLIP_LEFT_RIGHT_PLAIN, "Flip Left-Right (Positions Only)",
     "Flip the floating block, or the frame, left to right; the characters keep their shapes",
     "Flip Left-Right, positions only", ":/icons/flip_left_right_plain.svg", {nullptr, nullptr}},
    {ID_FLIP_TOP_BOTTOM_PLAIN, "Flip Top-Bottom (Positions Only)",
     "Flip the floating block, or the frame, upside down; the characters keep their shapes",
     "Flip Top-Bottom, positions only", ":/icons/flip_top_bottom_plain.svg", {nullptr, nullptr}},

    // View
    {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar", "Toggle Toolbar", nullptr, {nullptr, nullptr}},
    {ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar", "Toggle Status Bar", nullptr, {nullptr, nullptr}},
    {ID_VIEW_TOOLBOX, "ToolBox", "Show or hide the tools toolbar", "ToolBox", nullptr, {nullptr, nullptr}},
    {ID_VIEW_CTRLBAR, "CtrlBar", "Show or hide the frame and playback toolbar", "CtrlBar", nullptr, {nullptr, nullptr}},
    {ID_VIEW_OTHERTOOLSBAR, "OtherToolsBar", "Show or hide the import and settings toolbar", "OtherToolsBar", nullptr,
     {nullptr, nullptr}},
    {ID_VIEW_VIEWBAR, "ViewBar", "Show or hide the view toolbar", "ViewBar", nullptr, {nullptr, nullptr}},
    {ID_VIEW_CHAR_PICKER, "Character Picker", "Show or hide character picker", "Character picker",
     ":/icons/char_picker.svg", {nullptr, nullptr}},
    {ID_VIEW_FRAME_PANEL, "Frame Panel", "Show or hide frame panel", "Frame panel", ":/icons/frame_panel.svg",
     {nullptr, nullptr}},
    {ID_VIEW_COLOR_PICKER, "Color picker", "Show or hide color picker", "Color picker", ":/icons/color_picker.svg",
     {nullptr, nullptr}},

    // Tools
    {ID_IMAGE_CONVERT, "Image convert", "Convert image to Ascii character", "Convert image to Ascii character",
     ":/icons/image_convert.svg", {nullptr, nullptr}},
    {ID_FIGLET_FONT, "Figlet font", "Import Figlet font", "Import Figlet font", ":/icons/figlet_font.svg",
     {nullptr, nullptr}},
    {ID_SYMBOL_LIB, "Symbol Lib", "Import a symbol from library", "Import a symbol from library",
     ":/icons/symbol_lib.svg", {nullptr, nullptr}},
    {ID_SETTINGS, "Seting", "Seting", "Seting", ":/icons/settings.svg", {nullptr, nullptr}},

    // Control
    {ID_PLAY, "Play", "Start play", "Start play", ":/icons/play.svg", {nullptr, nullptr}},
    {ID_PAUSE, "Pause", "Pause", "Pause", ":/icons/pause.svg", {nullptr, nullptr}},
    {ID_ADD_FRAME, "Add a frame", "Add a frame", "Add a frame", ":/icons/add_frame.svg", {nullptr, nullptr}},
    {ID_DELETE_FRAME, "Delete frame", "Delete a frame", "Delete a frame", ":/icons/delete_frame.svg",
     {nullptr, nullptr}},
    {ID_INSERT_FRAME, "Insert frame\tCtrl+Shift+I", "Insert a blank frame after the current one", "Insert frame",
     ":/icons/insert_frame.svg", {"Ctrl+Shift+I", nullptr}},
    {ID_DUPLICATE_FRAME, "Duplicate frame\tCtrl+Shift+D", "Insert a copy of the current frame after it",
     "Duplicate frame", ":/icons/duplicate_frame.svg", {"Ctrl+Shift+D", nullptr}},
    {ID_MOVE_FRAME_LEFT, "Move frame left\tAlt+Left", "Move the current frame one place earlier", "Move frame left",
     ":/icons/move_frame_left.svg", {"Alt+Left", nullptr}},
    {ID_MOVE_FRAME_RIGHT, "Move frame right\tAlt+Right", "Move the current frame one place later",
     "Move frame right", ":/icons/move_frame_right.svg", {"Alt+Right", nullptr}},
    {ID_UNDO_FRAME_CHANGE, "Undo Frame Change\tCtrl+Alt+Z",
     "Undo the last added, inserted, duplicated, deleted or moved frame", "Undo Frame Change",
     ":/icons/undo_frame_change.svg", {"Ctrl+Alt+Z", nullptr}},
    {ID_REDO_FRAME_CHANGE, "Redo Frame Change\tCtrl+Alt+Y", "Redo the frame change last undone",
     "Redo Frame Change", ":/icons/redo_frame_change.svg", {"Ctrl+Alt+Y", nullptr}},
    {ID_AUTO_DRAW, "Auto draw", "Draw by auto character", "Auto draw", ":/icons/auto_draw.svg", {nullptr, nullptr}},
    {ID_SHOW_GRID, "Show grid", "Show or hide grid", "Show grid", ":/icons/show_grid.svg", {nullptr, nullptr}},
    {ID_ONION_SKIN, "Onion skin\tF3", "Show or hide the neighbouring frames faintly behind the current one",
     "Onion skin", ":/icons/onion_skin.svg", {"F3", nullptr}},
    {ID_ZOOM_IN, "Zoom In (+)", "Zoom in", "Zoom in", ":/icons/zoom_in.svg", {nullptr, nullptr}},
    {ID_ZOOM_OUT, "Zoom Out (-)", "Zoom out", "Zoom out", ":/icons/zoom_out.svg", {nullptr, nullptr}},
    {ID_MIRROR, nullptr, "Turn mirror drawing on or off; the arrow chooses how it mirrors", "Mirror",
     ":/icons/mirror.svg", {nullptr, nullptr}},
    {ID_MIRROR_OFF, "Mirror Off", "Draw without a mirror", "Mirror off", nullptr, {nullptr, nullptr}},
    {ID_MIRROR_LEFT_RIGHT, "Mirror Left-Right", "Draw the right half as the mirror image of the left",
     "Mirror left-right", nullptr, {nullptr, nullptr}},
    {ID_MIRROR_TOP_BOTTOM, "Mirror Top-Bottom", "Draw the bottom half as the mirror image of the top",
     "Mirror top-bottom", nullptr, {nullptr, nullptr}},
    {ID_MIRROR_FOUR_WAY, "Mirror Four-Way", "Mirror left-right and top-bottom: draw one quarter",
     "Mirror four-way", nullptr, {nullptr, nullptr}},
    {ID_MIRROR_AXIS_AT_CARET, "Mirror Axis at Caret",
     "Put the mirror's axes through the caret's column and row (a click on a ruler places one too)",
     "Mirror axis at caret", nullptr, {nullptr, nullptr}},
    {ID_MIRROR_AXIS_CENTRE, "Mirror Axis at Centre", "Put the mirror's axes back at the canvas centre",
     "Mirror axis at centre", nullptr, {nullptr, nullptr}},

    // Help
    {ID_HELP_CONTENTS, "Contents", "Open main help Contents", "Open main help Contents", ":/icons/help_contents.svg",
     {nullptr, nullptr}},
    {ID_APP_ABOUT, "&About Glyphwright", "Show the program's version", "About", ":/icons/about.svg",
     {nullptr, nullptr}},

    // The tools toolbar; these buttons have no menu items.
    {ID_TOOL_CURSOR, nullptr, "This is only a cursor", "This is only a cursor", ":/icons/cursor.svg", {nullptr, nullptr}},
    {ID_TOOL_SELECT, nullptr, "Select or move a region", "Select or move a region", ":/icons/select.svg",
     {nullptr, nullptr}},
    {ID_TOOL_TYPE, nullptr, "Type a character", "Type a character", ":/icons/type.svg", {nullptr, nullptr}},
    {ID_TOOL_FREEHAND, nullptr, "Freehand", "Freehand", ":/icons/freehand.svg", {nullptr, nullptr}},
    {ID_TOOL_ERASE, nullptr, "Erase", "Erase", ":/icons/erase.svg", {nullptr, nullptr}},
    {ID_TOOL_PICK, nullptr, "Pick up a character", "Pick up a character", ":/icons/pick.svg", {nullptr, nullptr}},
    {ID_TOOL_FILL, nullptr, "Fill a region", "Fill a region", ":/icons/fill.svg", {nullptr, nullptr}},
    {ID_TOOL_LINE, nullptr, "Draw line", "Draw line", ":/icons/line.svg", {nullptr, nullptr}},
    {ID_TOOL_CURVE, nullptr, "Draw curve", "Draw curve", ":/icons/curve.svg", {nullptr, nullptr}},
    {ID_TOOL_RECTANGLE, nullptr, "Draw a rectangle", "Draw a rectangle", ":/icons/rectangle.svg", {nullptr, nullptr}},
    {ID_TOOL_ELLIPSE, nullptr, "Draw a ellipse", "Draw a ellipse", ":/icons/ellipse.svg", {nullptr, nullptr}},

    // Accelerator-only commands.
    {ID_NEXT_PANE, nullptr, "Switch to the next window pane", "Next Pane", nullptr, {"F6", nullptr}},
    {ID_PREV_PANE, nullptr, "Switch back to the previous window pane", "Previous Pane", nullptr, {"Shift+F6", nullptr}},
};

constexpr SPaletteEntry kSelectModes[] = {
    {1, "Select No BK", "Select transparence background", ":/icons/select_nobk.svg"},
    {2, "SelectBK", "Select with background", ":/icons/select_bk.svg"},
};

constexpr SPaletteEntry kFreehandWidths[] = {
    {4, "Width 1", "Freehand with width 1", ":/icons/width_1.svg"},
    {5, "Width 2", "Freehand with width 2", ":/icons/width_2.svg"},
    {6, "Width 3", "Freehand with width 3", ":/icons/width_3.svg"},
    {7, "Width 4", "Freehand with width 4", ":/icons/width_4.svg"},
    {8, "Width 5", "Freehand with width 5", ":/icons/width_5.svg"},
    {9, "Width 6", "Freehand with width 6", ":/icons/width_6.svg"},
    {10, "Width 7", "Freehand with width 7", ":/icons/width_7.svg"},
    {11, "Width 8", "Freehand with width 8", ":/icons/width_8.svg"},
    {12, "Width 9", "Freehand with width 9", ":/icons/width_9.svg"},
    {13, "Width 10", "Freehand with width 10", ":/icons/width_10.svg"},
};

// The values are the mirror modes (EMirrorMode's numbers).
constexpr SPaletteEntry kMirrorModes[] = {
    {0, "Mirror Off", "Draw without a mirror", ":/icons/mirror_off.svg"},
    {1, "Left-Right", "Mirror left-right", ":/icons/mirror_left_right.svg"},
    {2, "Top-Bottom", "Mirror top-bottom", ":/icons/mirror_top_bottom.svg"},
    {3, "Four-Way", "Mirror left-right and top-bottom", ":/icons/mirror_four_way.svg"},
};

} // namespace

std::span<const SCommandInfo> AllCommands()
{
    return kCommands;
}

const SCommandInfo* FindCommand(int id)
{
    const auto* it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                  [id](const SCommandInfo& info) { return info.nId == id; });
    return it == std::end(kCommands) ? nullptr : it;
}

QIcon CommandIcon(int id)
{
    const SCommandInfo* info = FindCommand(id);
    if (!info || !info->pszIcon)
        return {};
    GwInitResources();
    return QIcon(QString::fromLatin1(info->pszIcon));
}

QList<QKeySequence> CommandShortcuts(int id)
{
    QList<QKeySequence> keys;
    if (const SCommandInfo* info = FindCommand(id)) {
        for (const char* key : info->apszKeys) {
            if (key)
                keys.append(QKeySequence(QString::fromLatin1(key), QKeySequence::PortableText));
        }
    }
    return keys;
}

QString MenuLabel(const SCommandInfo& info)
{
    if (!info.pszMenuText)
        return {};
    return QString::fromLatin1(info.pszMenuText).section(QLatin1Char('\t'), 0, 0);
}

std::span<const SPaletteEntry> SelectModePalette()
{
    return kSelectModes;
}

std::span<const SPaletteEntry> FreehandPalette()
{
    return kFreehandWidths;
}

std::span<const SPaletteEntry> MirrorModePalette()
{
    return kMirrorModes;
}

QIcon AppIcon()
{
    GwInitResources();
    return QIcon(QStringLiteral(":/icons/app.svg"));
}

} // namespace gw
