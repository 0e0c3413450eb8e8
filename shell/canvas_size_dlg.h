// "Glyphwright-Format": asks New for the rows and columns of the new drawing.
// It always starts at 40 x 60, not at the current size.
#pragma once

#include <QDialog>

class QLineEdit;

class CCanvasSizeDlg : public QDialog {
    Q_OBJECT

public:
    explicit CCanvasSizeDlg(QWidget* pParent = nullptr);

    int m_nRows = 40;
    int m_nCols = 60;

    QLineEdit* RowsEdit() const { return m_pRows; }
    QLineEdit* ColsEdit() const { return m_pCols; }

    // Puts the members into the edits; exec() does it too.
    void LoadFields();

public slots:
    // Takes the edits into the members field by field; stays open on the
    // first field that fails.
    void accept() override;

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    QLineEdit* m_pRows;
    QLineEdit* m_pCols;
};
