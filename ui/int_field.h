// Reading a number from a dialog's edit the way the dialogs check them on OK:
// a text that is not a number and a number out of range each have their
// message, and the first failing field gets the focus.
#pragma once

#include <QString>

class QLineEdit;
class QWidget;

enum class EIntFormat { Signed, Unsigned };

// Parses the edit's text; on failure shows the message, focuses and selects
// the edit and returns false. *pValue is set only on success.
bool ExchangeIntField(QWidget* pDialog, QLineEdit* pEdit, EIntFormat format, int nMin, int nMax,
                      int* pValue);

// The parsing alone: false when the text is not a number of that format.
bool ParseIntText(const QString& strText, EIntFormat format, long long* pValue);
