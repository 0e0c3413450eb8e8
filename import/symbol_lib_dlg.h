// "Symbol Lib": picks a ready-made piece of character art from the symbol
// library and shows it before it goes on the canvas. The library is the
// folder "SLib" beside the program together with the user's own "SLib" under
// the data folder; each direct sub-folder is a group, each file in a group is
// one piece. A group of the same name in both places is offered once, with
// the files of both.
#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <string>

class QComboBox;
class QListWidget;
class QPlainTextEdit;

class CSymbolLibDlg : public QDialog {
    Q_OBJECT

public:
    // Pieces larger than this are refused: the canvas holds far less, and a
    // stray big file would only stall the dialog.
    static constexpr qint64 MAX_SYMBOL_FILE_BYTES = 1024 * 1024;

    explicit CSymbolLibDlg(QWidget* pParent = nullptr);

    // The chosen piece's bytes, every line ended by CR LF; what OK places.
    std::string PreviewText() const { return m_strPreview; }

    QComboBox* GroupCombo() const { return m_pGroups; }
    QListWidget* FileList() const { return m_pFiles; }
    QPlainTextEdit* Preview() const { return m_pPreview; }

private:
    struct CGroup {
        QString strName;
        QStringList vFolders; // one folder, or two for a merged group
    };

    void EnumerateSymbolGroups();
    void EnumerateSymbolFiles();
    void LoadSymbolFile();

    QList<CGroup> m_vGroups;
    QStringList m_vFilePaths; // in the order of the file list
    std::string m_strPreview;

    QComboBox* m_pGroups;
    QListWidget* m_pFiles;
    QPlainTextEdit* m_pPreview;
};
