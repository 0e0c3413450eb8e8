// Every message the program shows goes through here: an OK-only box with the
// application's name as caption, and the Yes/No/Cancel prompt before a drawing
// is discarded. Tests and the end-to-end scripts replace the boxes with
// recorders so that nothing blocks.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Shows text with an OK button and the caption "Glyphwright".
void GwMessageBox(QWidget* pParent, const QString& strText);

// The save prompt "Save changes to %1?"; returns Yes, No or Cancel.
QMessageBox::StandardButton GwSavePrompt(QWidget* pParent, const QString& strTitle);

// With GW_LOG_MESSAGES=1 in the environment, writes "glyphwright KIND: TEXT"
// to stderr, so a script driving the real program can see what the user was
// told. Message boxes and prompts log themselves as "message".
void GwLogForScripts(const char* pszKind, const QString& strText);

// When set, GwMessageBox calls it instead of showing a box.
std::function<void(const QString&)>* GwMessageBoxHook();
// When set, GwSavePrompt returns its answer instead of asking.
std::function<QMessageBox::StandardButton(const QString&)>* GwSavePromptHook();
