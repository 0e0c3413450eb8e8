// "Seting": the playback interval, the loop switch, the number of undo
// steps, the autosave interval and the onion skin's frames and tints. The caller sets the members before showing it and reads them back
// after OK; Cancel leaves them as they were.
#pragma once

#include "core/char_cell.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

class CSettingsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSettingsDlg(QWidget* pParent = nullptr);

    unsigned m_nInterval = 0;  // tenths of a second, 1..100
    unsigned m_nUndoSteps = 0; // 1..200
    int m_bLoop = 0;
    int m_nAutosaveSecs = 30; // 0..3600, 0: off
    int m_nOnionBefore = 1;   // 0..3
    int m_nOnionAfter = 0;    // 0..3
    COLORREF m_crOnionBefore = 0;
    COLORREF m_crOnionAfter = 0;

    QLineEdit* IntervalEdit() const { return m_pInterval; }
    QLineEdit* UndoStepsEdit() const { return m_pUndoSteps; }
    QCheckBox* LoopCheck() const { return m_pLoop; }
    QLineEdit* AutosaveEdit() const { return m_pAutosave; }
    QLineEdit* OnionBeforeEdit() const { return m_pOnionBefore; }
    QLineEdit* OnionAfterEdit() const { return m_pOnionAfter; }
    // The tint buttons show their colour; a click asks for another.
    QPushButton* OnionBeforeButton() const { return m_pOnionBeforeColor; }
    QPushButton* OnionAfterButton() const { return m_pOnionAfterColor; }

    void LoadFields();

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    QLineEdit* m_pInterval;
    QLineEdit* m_pUndoSteps;
    QCheckBox* m_pLoop;
    QLineEdit* m_pAutosave;
    QLineEdit* m_pOnionBefore;
    QLineEdit* m_pOnionAfter;
    QPushButton* m_pOnionBeforeColor;
    QPushButton* m_pOnionAfterColor;
    // The tints as chosen in the dialog, taken on OK.
    COLORREF m_crChosenBefore = 0;
    COLORREF m_crChosenAfter = 0;

    void ChooseTint(bool bAfter);
    void ShowTints();
};
