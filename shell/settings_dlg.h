// "Seting": the playback interval, the loop switch, the number of undo
// steps and the autosave interval. The caller sets the members before showing it and reads them back
// after OK; Cancel leaves them as they were.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

class CSettingsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSettingsDlg(QWidget* pParent = nullptr);

    unsigned m_nInterval = 0;  // tenths of a second, 1..100
    unsigned m_nUndoSteps = 0; // 1..200
    int m_bLoop = 0;
    int m_nAutosaveSecs = 30; // 0..3600, 0: off

    QLineEdit* IntervalEdit() const { return m_pInterval; }
    QLineEdit* UndoStepsEdit() const { return m_pUndoSteps; }
    QCheckBox* LoopCheck() const { return m_pLoop; }
    QLineEdit* AutosaveEdit() const { return m_pAutosave; }

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
};
