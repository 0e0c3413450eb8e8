#include "shell/settings_dlg.h"

#include "canvas/canvas_color.h"
#include "ui/dialog_colors.h"
#include "ui/int_field.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CSettingsDlg::CSettingsDlg(QWidget* pParent)
    : QDialog(pParent), m_pInterval(new QLineEdit), m_pUndoSteps(new QLineEdit),
      m_pLoop(new QCheckBox(QStringLiteral("Frame Play Loop"))), m_pAutosave(new QLineEdit),
      m_pOnionBefore(new QLineEdit), m_pOnionAfter(new QLineEdit), m_pOnionBeforeColor(new QPushButton),
      m_pOnionAfterColor(new QPushButton)
{
    setWindowTitle(QStringLiteral("Seting"));
    m_pInterval->setObjectName(QStringLiteral("intervalEdit"));
    m_pUndoSteps->setObjectName(QStringLiteral("undoStepsEdit"));
    m_pLoop->setObjectName(QStringLiteral("loopCheck"));
    m_pAutosave->setObjectName(QStringLiteral("autosaveEdit"));

    auto* pFrameGroup = new QGroupBox(QStringLiteral("Frame Seting"));
    auto* pFrameGrid = new QGridLayout(pFrameGroup);
    pFrameGrid->addWidget(new QLabel(QStringLiteral("Frame Interval")), 0, 0);
    pFrameGrid->addWidget(m_pInterval, 0, 1);
    pFrameGrid->addWidget(new QLabel(QStringLiteral("1/10 Second")), 0, 2);
    pFrameGrid->addWidget(m_pLoop, 1, 0, 1, 3);

    auto* pGlobeGroup = new QGroupBox(QStringLiteral("Globe Seting"));
    auto* pGlobeGrid = new QGridLayout(pGlobeGroup);
    pGlobeGrid->addWidget(new QLabel(QStringLiteral("Undo Redo step ")), 0, 0);
    pGlobeGrid->addWidget(m_pUndoSteps, 0, 1);
    pGlobeGrid->addWidget(new QLabel(QStringLiteral("Autosave every (seconds, 0 = off)")), 1, 0);
    pGlobeGrid->addWidget(m_pAutosave, 1, 1);
    pGlobeGrid->setColumnStretch(2, 1);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    pButtons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CSettingsDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CSettingsDlg::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pFrameGroup);
    pLayout->addWidget(pGlobeGroup);

    m_pOnionBefore->setObjectName(QStringLiteral("onionBeforeEdit"));
    m_pOnionAfter->setObjectName(QStringLiteral("onionAfterEdit"));
    auto* pOnionGroup = new QGroupBox(QStringLiteral("Onion Skin"));
    auto* pOnionGrid = new QGridLayout(pOnionGroup);
    pOnionGrid->addWidget(new QLabel(QStringLiteral("Frames before (0-3)")), 0, 0);
    pOnionGrid->addWidget(m_pOnionBefore, 0, 1);
    pOnionGrid->addWidget(m_pOnionBeforeColor, 0, 2);
    pOnionGrid->addWidget(new QLabel(QStringLiteral("Frames after (0-3)")), 1, 0);
    pOnionGrid->addWidget(m_pOnionAfter, 1, 1);
    pOnionGrid->addWidget(m_pOnionAfterColor, 1, 2);
    m_pOnionBeforeColor->setToolTip(QStringLiteral("Tint of the earlier frames"));
    m_pOnionAfterColor->setToolTip(QStringLiteral("Tint of the later frames"));
    connect(m_pOnionBeforeColor, &QPushButton::clicked, this, [this] { ChooseTint(false); });
    connect(m_pOnionAfterColor, &QPushButton::clicked, this, [this] { ChooseTint(true); });
    pLayout->addWidget(pOnionGroup);
    pLayout->addWidget(pButtons);

    ApplyDialogColors(this);
    LoadFields();
}

void CSettingsDlg::LoadFields()
{
    m_pInterval->setText(QString::number(m_nInterval));
    m_pUndoSteps->setText(QString::number(m_nUndoSteps));
    m_pAutosave->setText(QString::number(m_nAutosaveSecs));
    m_pOnionBefore->setText(QString::number(m_nOnionBefore));
    m_pOnionAfter->setText(QString::number(m_nOnionAfter));
    m_crChosenBefore = m_crOnionBefore;
    m_crChosenAfter = m_crOnionAfter;
    ShowTints();
    // A stored value outside 0..2 shows unchecked; 2 (indeterminate) has no
    // meaning for a two-state switch and shows checked.
    m_pLoop->setChecked(m_bLoop == 1 || m_bLoop == 2);
}

void CSettingsDlg::showEvent(QShowEvent* pEvent)
{
    LoadFields();
    QDialog::showEvent(pEvent);
}

void CSettingsDlg::accept()
{
    int nInterval = 0;
    int nUndoSteps = 0;
    int nAutosave = 0;
    int nBefore = 0;
    int nAfter = 0;
    if (!ExchangeIntField(this, m_pInterval, EIntFormat::Unsigned, 1, 100, &nInterval) ||
        !ExchangeIntField(this, m_pUndoSteps, EIntFormat::Unsigned, 1, 200, &nUndoSteps) ||
        !ExchangeIntField(this, m_pAutosave, EIntFormat::Unsigned, 0, 3600, &nAutosave) ||
        !ExchangeIntField(this, m_pOnionBefore, EIntFormat::Unsigned, 0, 3, &nBefore) ||
        !ExchangeIntField(this, m_pOnionAfter, EIntFormat::Unsigned, 0, 3, &nAfter)) {
        return;
    }
    m_nOnionBefore = nBefore;
    m_nOnionAfter = nAfter;
    m_crOnionBefore = m_crChosenBefore;
    m_crOnionAfter = m_crChosenAfter;
    m_nAutosaveSecs = nAutosave;
    m_nInterval = static_cast<unsigned>(nInterval);
    m_nUndoSteps = static_cast<unsigned>(nUndoSteps);
    m_bLoop = m_pLoop->isChecked() ? 1 : 0;
    QDialog::accept();
}

void CSettingsDlg::ChooseTint(bool bAfter)
{
    COLORREF& cr = bAfter ? m_crChosenAfter : m_crChosenBefore;
    const QColor color = QColorDialog::getColor(ColorRefToQColor(cr), this,
                                                bAfter ? QStringLiteral("Later frames")
                                                       : QStringLiteral("Earlier frames"));
    if (!color.isValid())
        return;
    cr = DrawingColor(RgbToColorRef(color.rgb()));
    ShowTints();
}

void CSettingsDlg::ShowTints()
{
    const auto show = [](QPushButton* pButton, COLORREF cr) {
        pButton->setText(ColorRefToQColor(cr).name());
        pButton->setStyleSheet(QStringLiteral("background-color: %1").arg(ColorRefToQColor(cr).name()));
    };
    show(m_pOnionBeforeColor, m_crChosenBefore);
    show(m_pOnionAfterColor, m_crChosenAfter);
}
