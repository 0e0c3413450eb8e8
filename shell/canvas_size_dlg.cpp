#include "shell/canvas_size_dlg.h"

#include "core/char_cell.h"
#include "ui/dialog_colors.h"
#include "ui/int_field.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CCanvasSizeDlg::CCanvasSizeDlg(QWidget* pParent)
    : QDialog(pParent), m_pRows(new QLineEdit), m_pCols(new QLineEdit)
{
    setWindowTitle(QStringLiteral("Glyphwright-Format"));
    m_pRows->setObjectName(QStringLiteral("rowsEdit"));
    m_pCols->setObjectName(QStringLiteral("colsEdit"));

    auto* pGroup = new QGroupBox(QStringLiteral("Canvas size"));
    auto* pGrid = new QGridLayout(pGroup);
    pGrid->addWidget(new QLabel(QStringLiteral("Rows")), 0, 0);
    pGrid->addWidget(m_pRows, 0, 1);
    pGrid->addWidget(new QLabel(QStringLiteral("Columns")), 1, 0);
    pGrid->addWidget(m_pCols, 1, 1);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    pButtons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CCanvasSizeDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CCanvasSizeDlg::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pGroup);
    pLayout->addWidget(new QLabel(QStringLiteral("If cancel canvas size is 40*60 ")));
    pLayout->addWidget(new QLabel(QStringLiteral("Max size is 80*128 (Rows*Columns)")));
    pLayout->addWidget(pButtons);

    ApplyDialogColors(this);
    LoadFields();
}

void CCanvasSizeDlg::LoadFields()
{
    m_pRows->setText(QString::number(m_nRows));
    m_pCols->setText(QString::number(m_nCols));
}

void CCanvasSizeDlg::showEvent(QShowEvent* pEvent)
{
    LoadFields();
    QDialog::showEvent(pEvent);
}

void CCanvasSizeDlg::accept()
{
    int nRows = 0;
    int nCols = 0;
    if (!ExchangeIntField(this, m_pRows, EIntFormat::Signed, 1, MAX_ROWS, &nRows) ||
        !ExchangeIntField(this, m_pCols, EIntFormat::Signed, 1, MAX_COLS, &nCols)) {
        return;
    }
    m_nRows = nRows;
    m_nCols = nCols;
    QDialog::accept();
}
