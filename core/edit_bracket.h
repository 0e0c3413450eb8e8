// The edit bracket: how every writer of cells turns its writes into at most
// one undo step of the current frame.
//
// Begin opens a step unless one is already open, and remembers the number of
// the step it opened. End commits only that step (marking the document
// modified); a step opened by an outer writer is left for that writer to close.
#pragma once

class CArtDoc;

// How a bracket's close went.
enum class EEditEnd {
    Closed,     // committed as an undo step, or there was nothing to close
    Unrecorded, // the commit was refused: the writes stay, but cannot be undone
    StillOpen,  // refused altogether: the step stays open and the bracket keeps
                // it, so the next EndEdit closes it; the frame is intact
};

class CEditBracket {
public:
    explicit CEditBracket(CArtDoc& doc) : m_doc(doc) {}

    // False when a step was needed and the system refused it: nothing may be
    // written then.
    bool BeginEdit();
    EEditEnd EndEdit();
    // Closes the bracket's own step keeping its writes but recording nothing;
    // false when the system refused (the step stays open and the bracket's).
    bool CancelEdit();
    // Lets go of the step without closing it (its drawing is being replaced).
    void Forget()
    {
        m_nEditHistory = 0;
        m_nStore = 0;
    }
    bool IsEditing() const { return m_nEditHistory != 0; }
    int GetMark() const { return m_nEditHistory; }

private:
    CArtDoc& m_doc;
    int m_nEditHistory = 0; // number of the step this bracket opened, 0 when none
    int m_nStore = 0;       // store that step belongs to
};

// Writes that must never become a step (layout data, the blank fill of a new
// frame before it is sealed): opens a step on the current frame if none is
// open; on destruction cancels the step it opened. Writes made inside a step
// that an outer writer opened stay part of that step.
class CUnrecordedEdit {
public:
    explicit CUnrecordedEdit(CArtDoc& doc);
    ~CUnrecordedEdit();
    // False when no step is open to write in (the system refused one).
    bool CanWrite() const;
    CUnrecordedEdit(const CUnrecordedEdit&) = delete;
    CUnrecordedEdit& operator=(const CUnrecordedEdit&) = delete;

private:
    int m_nStore = 0;
    int m_nOpened = 0;
};
