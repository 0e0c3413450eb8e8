// The Edit commands: Undo and Redo on the document's history, and Cut,
// Copy, Paste, Paste Clipboard and Delete on the view's floating block and
// its own clipboard, and the flips of the block or the frame.
#pragma once

#include "core/cell_flip.h"

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
    // Flips the floating block, or the whole current frame (one undo step)
    // when no block floats.
    void OnFlip(EMirrorAxis nAxis, EFlipGlyphs glyphs);

    // The update pass's edit half: what Undo, Redo and the block commands
    // could do now.
    void FillState(SCommandState& state) const;

private:
    CArtDoc& m_doc;
    CArtView& m_view;
    QWidget* m_pParent;
};
