// Command ids of every menu item, toolbar button and accelerator. The numbers
// are the program's own and never change: settings, tests and the help page
// refer to them.
#pragma once

namespace gw {

// Tools (tools toolbar)
inline constexpr int ID_TOOL_CURSOR = 32805;
inline constexpr int ID_TOOL_SELECT = 32774;
inline constexpr int ID_TOOL_TYPE = 32777;
inline constexpr int ID_TOOL_FREEHAND = 32778;
inline constexpr int ID_TOOL_LINE = 32803;
inline constexpr int ID_TOOL_CURVE = 32808;
inline constexpr int ID_TOOL_RECTANGLE = 32809;
inline constexpr int ID_TOOL_ELLIPSE = 32810;
inline constexpr int ID_TOOL_FILL = 32824;
inline constexpr int ID_TOOL_PICK = 32823;
inline constexpr int ID_TOOL_ERASE = 32828;

// View toolbar and the View menu
inline constexpr int ID_AUTO_DRAW = 32806;
inline constexpr int ID_SHOW_GRID = 32807;
inline constexpr int ID_ZOOM_IN = 32779;
inline constexpr int ID_ZOOM_OUT = 32780;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_VIEW_TOOLBOX = 32775;
inline constexpr int ID_VIEW_CTRLBAR = 32825;
inline constexpr int ID_VIEW_OTHERTOOLSBAR = 32826;
inline constexpr int ID_VIEW_VIEWBAR = 32827;
inline constexpr int ID_VIEW_CHAR_PICKER = 32785;
inline constexpr int ID_VIEW_FRAME_PANEL = 32786;
inline constexpr int ID_VIEW_COLOR_PICKER = 32789;
inline constexpr int ID_ONION_SKIN = 32850;

// Mirror drawing: the view toolbar's drop-down button (off, or back on in
// the mode chosen last), the four modes and the axes' places.
inline constexpr int ID_MIRROR = 32860;
inline constexpr int ID_MIRROR_OFF = 32861;
inline constexpr int ID_MIRROR_LEFT_RIGHT = 32862;
inline constexpr int ID_MIRROR_TOP_BOTTOM = 32863;
inline constexpr int ID_MIRROR_FOUR_WAY = 32864;
inline constexpr int ID_MIRROR_AXIS_AT_CARET = 32865;
inline constexpr int ID_MIRROR_AXIS_CENTRE = 32866;

// Control toolbar: frames and playback
inline constexpr int ID_PLAY = 41000;
inline constexpr int ID_PAUSE = 41001;
inline constexpr int ID_ADD_FRAME = 41002;
inline constexpr int ID_DELETE_FRAME = 41003;
inline constexpr int ID_INSERT_FRAME = 41010;
inline constexpr int ID_DUPLICATE_FRAME = 41011;
inline constexpr int ID_MOVE_FRAME_LEFT = 41012;
inline constexpr int ID_MOVE_FRAME_RIGHT = 41013;
inline constexpr int ID_UNDO_FRAME_CHANGE = 41014;
inline constexpr int ID_REDO_FRAME_CHANGE = 41015;

// Other tools
inline constexpr int ID_SETTINGS = 41004;
inline constexpr int ID_IMAGE_CONVERT = 32818;
inline constexpr int ID_FIGLET_FONT = 32819;
inline constexpr int ID_SYMBOL_LIB = 32820;

// Edit
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_REDO = 57644;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_PASTE_CLIPBOARD = 32830;
inline constexpr int ID_EDIT_DELETE = 32829;
// Flips of the floating block, or of the current frame when no block floats:
// characters turned into their mirror images, or moved as they are.
inline constexpr int ID_FLIP_LEFT_RIGHT = 32870;
inline constexpr int ID_FLIP_TOP_BOTTOM = 32871;
inline constexpr int ID_FLIP_LEFT_RIGHT_PLAIN = 32872;
inline constexpr int ID_FLIP_TOP_BOTTOM_PLAIN = 32873;

// File
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_SAVE_ANIMATION_HTML = 32831;
inline constexpr int ID_SAVE_SINGLE_HTML = 32832;
inline constexpr int ID_SAVE_SINGLE_TEXT = 32833;
// File > Export: pictures and terminal text to share.
inline constexpr int ID_EXPORT_PNG = 32840;
inline constexpr int ID_EXPORT_GIF = 32841;
inline constexpr int ID_EXPORT_UTF8 = 32842;
inline constexpr int ID_EXPORT_ANSI = 32843;
inline constexpr int ID_EXPORT_SVG = 32844;
inline constexpr int ID_EXPORT_CAST = 32845;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_PREVIEW = 57609;
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_APP_EXIT = 57665;

// Help
inline constexpr int ID_HELP_CONTENTS = 32835;
inline constexpr int ID_APP_ABOUT = 57664;

// Panes
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;

} // namespace gw
