// The Edit commands: Undo and Redo on the document's history, and Cut,
// Copy, Paste, Paste Clipboard and Delete on the view's floating block and
// its own clipboard.
#pragma once

class CArtDoc;
class CArtView;
class QWidget;
struct SCommandState;

class CEditCommands {
public:
    // pParent owns the message boxes.
    CEditCommands(CArtDoc& doc, CArtView& view, QWidget* pParent);

    void OnEditUndo();
    void OnEditRedo();
    void OnEditCut();
    void OnEditCopy();
    void OnEditPaste();
    void OnPasteClipboard();
    void OnEditDelete();

    // The update pass's edit half: what Undo, Redo and the block commands
    // could do now.
    void FillState(SCommandState& state) const;

private:
    CArtDoc& m_doc;
    CArtView& m_view;
    QWidget* m_pParent;
};
