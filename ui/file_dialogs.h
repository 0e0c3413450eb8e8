// The open and save file dialogs of the commands, in one place so that tests
// can answer them instead of a user.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// An existing file chosen with the filter; empty when cancelled.
QString AskOpenPath(QWidget* pParent, const QString& strFilter);
// A file to write, with the suffix added when the user typed none; empty when cancelled.
QString AskSavePath(QWidget* pParent, const QString& strFilter, const QString& strSuffix,
                    const QString& strSuggested);

// When set, both functions return its answer; it receives the filter.
std::function<QString(const QString& strFilter)>* GwFileDialogHook();

// The zoom of a picture export: one of nCount levels (0 smallest), nCurrent
// offered first; -1 when cancelled.
int AskExportZoom(QWidget* pParent, int nCurrent, int nCount);
// When set, AskExportZoom returns its answer; it receives nCurrent.
std::function<int(int nCurrent)>* GwZoomDialogHook();
