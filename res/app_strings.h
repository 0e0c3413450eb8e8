// The program's fixed texts: message boxes, captions, status-bar formats,
// folder names and file-dialog filters. Messages are shown exactly as
// written here; %1 and %2 are QString::arg markers, %d printf markers.
#pragma once

namespace gw {

inline constexpr char IDS_APP_TITLE[] = "Glyphwright";
inline constexpr char IDS_UNTITLED[] = "Untitled";

// The status bar's mirror pane, one text per mirror mode.
inline constexpr char IDS_MIRROR_OFF[] = "Mirror: Off";
inline constexpr char IDS_MIRROR_LEFT_RIGHT[] = "Mirror: Left-Right";
inline constexpr char IDS_MIRROR_TOP_BOTTOM[] = "Mirror: Top-Bottom";
inline constexpr char IDS_MIRROR_FOUR_WAY[] = "Mirror: Four-Way";

// Message boxes (OK only, the application title as caption)
inline constexpr char IDS_WRONG_TYPE_FILE[] = "Wrong type file!";
inline constexpr char IDS_KEEP_ONE_FRAME[] = "Please keep one frame in WorkSpace at least!";
inline constexpr char IDS_NO_IMAGE_OPENED[] = "No image be opened!";
inline constexpr char IDS_ERROR_FILE_HEAD[] = "Error file head!";
inline constexpr char IDS_ENTER_INTEGER[] = "Please enter an integer.";
inline constexpr char IDS_ENTER_INTEGER_RANGE[] = "Please enter an integer between %1 and %2.";
inline constexpr char IDS_ENTER_POSITIVE_INTEGER[] = "Please enter a positive integer.";
// When the system refuses the undo history memory or a page protection; the
// drawing is never left half changed.
inline constexpr char IDS_EDIT_NOT_STARTED[] =
    "Not enough memory to record a change, so nothing was drawn.";
inline constexpr char IDS_EDIT_UNRECORDED[] =
    "Not enough memory to record this change for Undo: it stays in the drawing but cannot be undone.";
inline constexpr char IDS_EDIT_STILL_OPEN[] =
    "Not enough memory to finish recording this change; it will be recorded together with the next one.";
inline constexpr char IDS_UNDO_REFUSED[] = "Not enough memory to undo; the drawing is unchanged.";
inline constexpr char IDS_REDO_REFUSED[] = "Not enough memory to redo; the drawing is unchanged.";
// The save prompt (Yes, No, Cancel); %1 is the document's title.
inline constexpr char IDS_SAVE_CHANGES[] = "Save changes to %1?";

// About box
inline constexpr char IDS_ABOUT_CAPTION[] = "About Glyphwright";
inline constexpr char IDS_ABOUT_VERSION[] = "Glyphwright Version 1.22";

// Status bar position pane, 1-based row and column.
inline constexpr char IDS_POS_FORMAT[] = "Row:%d,Col:%d";
inline constexpr char IDS_POS_FORMAT_QT[] = "Row:%1,Col:%2";

// Frame list item titles, 1-based position.
inline constexpr char IDS_FRAME_FORMAT[] = "Frame:%d";
inline constexpr char IDS_FRAME_FORMAT_QT[] = "Frame:%1";

// The frame panel's button strip: current position and frame count.
inline constexpr char IDS_CURRENT_FRAME_FORMAT[] = "Current Frame:%d/%d";
inline constexpr char IDS_CURRENT_FRAME_FORMAT_QT[] = "Current Frame:%1/%2";

// What the colour picker's Set button colours, in list order.
inline constexpr const char* IDS_COLOR_TARGETS[] = {"Font color", "Background", "Select Region", "Caret on"};

// Folders beside the program (no trailing separator).
inline constexpr char IDS_FONTS_FOLDER[] = "Fonts";
inline constexpr char IDS_SYMBOL_FOLDER[] = "SLib";
inline constexpr char IDS_HELP_FILE[] = "GWHelp.html";

// File-dialog filters in Qt's "Label (patterns)" form, patterns separated by
// spaces. The Open filter keeps its label; its pattern "*gwp" lists every
// "*.gwp" file, as the drop handler's test of the last three letters does.
inline constexpr char IDS_FILTER_GWP[] = "GWP file(*.gwp)";
inline constexpr char IDS_FILTER_OPEN[] = "Glyphwright file (*gwp)";
inline constexpr char IDS_FILTER_TEXT[] = "Text file (*.txt)";
inline constexpr char IDS_FILTER_HTML[] = "HTML file (*.htm *.html)";
inline constexpr char IDS_FILTER_PNG[] = "PNG picture (*.png)";
inline constexpr char IDS_FILTER_GIF[] = "GIF animation (*.gif)";
inline constexpr char IDS_FILTER_SVG[] = "SVG picture (*.svg)";
inline constexpr char IDS_FILTER_CAST[] = "Terminal recording (*.cast)";
inline constexpr char IDS_FILTER_ANSI[] = "Terminal text (*.ans *.txt)";
inline constexpr char IDS_FILTER_IMAGE[] = "Image file (*.bmp *.jpg *.gif *.png)";

// Default extensions of the save dialogs.
inline constexpr char IDS_EXT_GWP[] = "gwp";
inline constexpr char IDS_EXT_TEXT[] = "txt";
inline constexpr char IDS_EXT_HTML[] = "htm";
inline constexpr char IDS_EXT_PNG[] = "png";
inline constexpr char IDS_EXT_GIF[] = "gif";
inline constexpr char IDS_EXT_ANSI[] = "ans";
inline constexpr char IDS_EXT_SVG[] = "svg";
inline constexpr char IDS_EXT_CAST[] = "cast";

} // namespace gw
