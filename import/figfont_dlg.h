// "Figfont import": the user types a short text, picks a FIGlet font and a
// character spacing (remembered for the next time), and watches the
// lettering in a preview and in every font at once, in a gallery to pick the
// font from; OK hands the
// preview's text to the caller, which places it on the canvas as a floating
// block. Every change reloads the font from its file and composes afresh,
// so a font edited while the dialog is open counts from the next change.
#pragma once

#include "core/figlet.h"
#include "ui/app_folders.h"

#include <QDialog>
#include <QPlainTextEdit>

#include <string>

class CFigGalleryModel;
class QComboBox;
class QListView;

// The input box: only the characters a font has a glyph for (32..126, the
// space included) and Backspace get through; anything else typed is swallowed.
// Ctrl+Enter starts a new line of lettering; Enter alone, like the other keys
// that type nothing (arrows, Delete, Escape, Tab), works as in a dialog.
class CFigTextEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CFigTextEdit(QWidget* pParent = nullptr);

    QString text() const { return toPlainText(); }
    // As a line edit's: the caret goes to the end.
    void setText(const QString& strText)
    {
        setPlainText(strText);
        moveCursor(QTextCursor::End);
    }

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;
};

class CFigfontDlg : public QDialog {
    Q_OBJECT

public:
    explicit CFigfontDlg(QWidget* pParent = nullptr);

    // The font list: one entry per file of ListFigFonts(), entry 0 selected.
    void EnumerateFigFonts();
    // Reads the selected font into m_font; a refused header tells the user
    // and keeps the font loaded before. NO_FILE also when none is selected.
    EFigLoad LoadFigFont();
    // Composes the input with m_font and the chosen spacing into the preview;
    // lettering past a megabyte is refused with a message, the preview empty.
    void RenderFigText();

    // The composed rows, CR LF after each, as bytes for the canvas.
    const std::string& PreviewText() const { return m_strPreview; }
    const FigFont& Font() const { return m_font; }
    const QList<CDataFile>& FontFiles() const { return m_vFonts; }

    CFigTextEdit* InputEdit() const { return m_pInput; }
    QComboBox* FontCombo() const { return m_pFontCombo; }
    QComboBox* SpacingCombo() const { return m_pSpacing; }
    QPlainTextEdit* Preview() const { return m_pPreview; }
    // The gallery: the text in every listed font, in the font list's order;
    // clicking an entry selects its font.
    QListView* Gallery() const { return m_pGallery; }
    CFigGalleryModel* GalleryModel() const { return m_pGalleryModel; }

private:
    // The input, font or spacing changed: reload and compose from scratch.
    void OnChange();

    FigFont m_font;
    QList<CDataFile> m_vFonts;
    std::string m_strPreview;
    CFigTextEdit* m_pInput = nullptr;
    QComboBox* m_pFontCombo = nullptr;
    QComboBox* m_pSpacing = nullptr;
    QPlainTextEdit* m_pPreview = nullptr;
    CFigGalleryModel* m_pGalleryModel = nullptr;
    QListView* m_pGallery = nullptr;
};
