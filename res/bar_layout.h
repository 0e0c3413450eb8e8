// The menus and toolbars as lists of command ids, in the order they are
// shown; ID_SEPARATOR marks a separator. Texts and images come from the
// command table.
#pragma once

#include "res/command_ids.h"

namespace gw {

inline constexpr int ID_SEPARATOR = 0;

// Toolbars
inline constexpr int kMainToolbar[] = {
    ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_SEPARATOR,
    ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_PASTE_CLIPBOARD, ID_EDIT_DELETE, ID_SEPARATOR,
    ID_EDIT_UNDO, ID_EDIT_REDO, ID_APP_ABOUT};
inline constexpr int kControlToolbar[] = {
    ID_PLAY, ID_PAUSE, ID_ADD_FRAME, ID_DELETE_FRAME, ID_DUPLICATE_FRAME, ID_INSERT_FRAME, ID_MOVE_FRAME_LEFT,
    ID_MOVE_FRAME_RIGHT, ID_UNDO_FRAME_CHANGE, ID_REDO_FRAME_CHANGE, ID_ZOOM_IN, ID_ZOOM_OUT};
inline constexpr int kOtherToolsToolbar[] = {ID_SETTINGS, ID_IMAGE_CONVERT, ID_FIGLET_FONT, ID_SYMBOL_LIB};
// Its buttons show their tooltip text beside the image.
inline constexpr int kViewToolbar[] = {
    ID_AUTO_DRAW, ID_SEPARATOR, ID_SHOW_GRID, ID_ONION_SKIN, ID_SEPARATOR, ID_VIEW_CHAR_PICKER, ID_SEPARATOR,
    ID_VIEW_FRAME_PANEL, ID_SEPARATOR, ID_VIEW_COLOR_PICKER,
    ID_SEPARATOR, ID_MIRROR};
// ID_TOOL_SELECT and ID_TOOL_FREEHAND carry the drop-down palettes, and so
// does ID_MIRROR on the view toolbar.
inline constexpr int kToolsToolbar[] = {
    ID_TOOL_CURSOR, ID_TOOL_SELECT, ID_TOOL_TYPE, ID_TOOL_FREEHAND, ID_TOOL_ERASE, ID_TOOL_PICK,
    ID_TOOL_FILL, ID_TOOL_LINE, ID_TOOL_CURVE, ID_TOOL_RECTANGLE, ID_TOOL_ELLIPSE};

// Menu bar
// ID_EXPORT_MENU stands for the "Export" submenu (kExportMenu).
inline constexpr int ID_EXPORT_MENU = -1;
inline constexpr int kFileMenu[] = {
    ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_SEPARATOR,
    ID_SAVE_ANIMATION_HTML, ID_SAVE_SINGLE_HTML, ID_SAVE_SINGLE_TEXT, ID_EXPORT_MENU, ID_SEPARATOR,
    ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP, ID_SEPARATOR, ID_APP_EXIT};
inline constexpr int kExportMenu[] = {ID_EXPORT_PNG, ID_EXPORT_GIF, ID_EXPORT_SVG, ID_SEPARATOR,
                                      ID_EXPORT_UTF8, ID_EXPORT_ANSI, ID_EXPORT_CAST};
inline constexpr int kEditMenu[] = {
    ID_EDIT_UNDO, ID_EDIT_REDO, ID_SEPARATOR, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
    ID_PASTE_CLIPBOARD, ID_EDIT_DELETE,
    ID_SEPARATOR, ID_FLIP_LEFT_RIGHT, ID_FLIP_TOP_BOTTOM, ID_FLIP_LEFT_RIGHT_PLAIN,
    ID_FLIP_TOP_BOTTOM_PLAIN};
inline constexpr int kViewMenu[] = {
    ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_TOOLBOX, ID_VIEW_CTRLBAR, ID_VIEW_OTHERTOOLSBAR,
    ID_VIEW_VIEWBAR, ID_VIEW_CHAR_PICKER, ID_VIEW_FRAME_PANEL, ID_VIEW_COLOR_PICKER, ID_SEPARATOR,
    ID_ONION_SKIN, ID_SEPARATOR, ID_MIRROR_OFF, ID_MIRROR_LEFT_RIGHT, ID_MIRROR_TOP_BOTTOM, ID_MIRROR_FOUR_WAY,
    ID_MIRROR_AXIS_AT_CARET, ID_MIRROR_AXIS_CENTRE};
inline constexpr int kToolsMenu[] = {ID_IMAGE_CONVERT, ID_FIGLET_FONT, ID_SYMBOL_LIB, ID_SETTINGS};
inline constexpr int kControlMenu[] = {
    ID_PLAY, ID_PAUSE, ID_ADD_FRAME, ID_DELETE_FRAME, ID_SEPARATOR, ID_DUPLICATE_FRAME, ID_INSERT_FRAME,
    ID_MOVE_FRAME_LEFT, ID_MOVE_FRAME_RIGHT, ID_SEPARATOR, ID_UNDO_FRAME_CHANGE, ID_REDO_FRAME_CHANGE,
    ID_SEPARATOR, ID_AUTO_DRAW, ID_SHOW_GRID, ID_ZOOM_IN, ID_ZOOM_OUT};
inline constexpr int kHelpMenu[] = {ID_HELP_CONTENTS, ID_APP_ABOUT};
inline constexpr char IDS_MENU_FILE[] = "&File";
inline constexpr char IDS_MENU_EDIT[] = "&Edit";
inline constexpr char IDS_MENU_VIEW[] = "&View";
inline constexpr char IDS_MENU_TOOLS[] = "Tools";
inline constexpr char IDS_MENU_CONTROL[] = "Control";
inline constexpr char IDS_MENU_HELP[] = "&Help";

// The frame panel's right-click menu; its Delete item reads differently
// from the Control menu's.
inline constexpr int kFrameMenu[] = {
    ID_PLAY, ID_PAUSE, ID_ADD_FRAME, ID_DELETE_FRAME, ID_SEPARATOR, ID_DUPLICATE_FRAME, ID_INSERT_FRAME,
    ID_MOVE_FRAME_LEFT, ID_MOVE_FRAME_RIGHT, ID_SEPARATOR, ID_UNDO_FRAME_CHANGE, ID_REDO_FRAME_CHANGE};
inline constexpr char IDS_FRAMEMENU_DELETE_FRAME[] = "Delete a frame";

// The canvas's right-click menu, shown with the select tools.
inline constexpr int kCanvasMenu[] = {
    ID_EDIT_UNDO, ID_EDIT_REDO, ID_SEPARATOR, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
    ID_PASTE_CLIPBOARD, ID_EDIT_DELETE};

} // namespace gw
