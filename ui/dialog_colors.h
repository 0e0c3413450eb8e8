// The look every dialog and form pane of the program shares: a grey
// background, near-white texts on buttons, group boxes and labels, and edits
// on white with dark text so what the user types stays readable.
#pragma once

class QWidget;

inline constexpr unsigned GW_DIALOG_BACK = 0xAAAAAA; // grey, the same in any byte order
inline constexpr unsigned GW_DIALOG_TEXT_RGB = 0xFFFEF9; // 0x00F9FEFF as 0xRRGGBB

// Applies the common colours to w and every widget inside it.
void ApplyDialogColors(QWidget* pWidget);
