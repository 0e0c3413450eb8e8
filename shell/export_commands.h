// The exports: the drawing as an HTML animation, the current frame as an
// HTML page, plain text, UTF-8 text, coloured terminal text or a PNG
// picture, and every frame as an animated GIF. Each asks for a path, settles
// what is pending on the canvas and streams through the one safe save.
#pragma once

#include "core/safe_file.h"

class CArtDoc;
class CArtView;
class QString;
class QWidget;
struct SShellSettings;

class CExportCommands {
public:
    // pParent owns the dialogs and message boxes; the settings give the
    // animation's interval and loop.
    CExportCommands(CArtDoc& doc, CArtView& view, const SShellSettings& settings, QWidget* pParent);

    void OnSaveAnimationHtml();
    void OnSaveSingleHtml();
    void OnSaveSingleText();
    void OnExportPng();
    void OnExportGif();
    void OnExportUtf8();
    void OnExportAnsi();

private:
    // Streams into a temporary file that then replaces strPath; a failure
    // is told to the user and leaves the old file as it was.
    bool StreamExport(const QString& strPath, const SaveWriter& write);

    CArtDoc& m_doc;
    CArtView& m_view;
    const SShellSettings& m_settings;
    QWidget* m_pParent;
};
