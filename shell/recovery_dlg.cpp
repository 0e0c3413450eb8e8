#include "shell/recovery_dlg.h"

#include "res/app_strings.h"
#include "ui/dialog_colors.h"
#include "ui/message_box.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CRecoveryDlg::CRecoveryDlg(std::vector<CRecoveryEntry> vEntries, QWidget* pParent)
    : QDialog(pParent), m_vEntries(std::move(vEntries)), m_pList(new QTreeWidget),
      m_pRestore(new QPushButton(QStringLiteral("&Restore"))),
      m_pDiscard(new QPushButton(QStringLiteral("&Discard"))),
      m_pLater(new QPushButton(QStringLiteral("Decide &later")))
{
    setWindowTitle(QStringLiteral("Recover Drawings"));
    m_pList->setObjectName(QStringLiteral("recoveryList"));
    m_pList->setRootIsDecorated(false);
    m_pList->setHeaderLabels({QStringLiteral("Drawing"), QStringLiteral("Last changed"),
                              QStringLiteral("Frames")});
    m_pList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(m_pList, &QTreeWidget::currentItemChanged, this, &CRecoveryDlg::UpdateButtons);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, &CRecoveryDlg::OnRestore);
    connect(m_pRestore, &QPushButton::clicked, this, &CRecoveryDlg::OnRestore);
    connect(m_pDiscard, &QPushButton::clicked, this, &CRecoveryDlg::OnDiscard);
    connect(m_pLater, &QPushButton::clicked, this, &CRecoveryDlg::reject);

    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(m_pRestore);
    pButtons->addWidget(m_pDiscard);
    pButtons->addStretch();
    pButtons->addWidget(m_pLater);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(QStringLiteral(
        "Glyphwright did not exit cleanly. These drawings had changes that were not saved:")));
    pLayout->addWidget(m_pList);
    pLayout->addLayout(pButtons);
    ApplyDialogColors(this);
    Fill();
    // Leaving the copies is the one answer that loses nothing.
    m_pLater->setDefault(true);
}

QString CRecoveryDlg::EntryName(const CRecoveryEntry& entry)
{
    QString strName = entry.strOriginalPath.empty()
                          ? QString::fromLatin1(gw::IDS_UNTITLED)
                          : QFileInfo(QString::fromStdString(entry.strOriginalPath)).fileName();
    if (entry.bDamaged) {
        strName += QStringLiteral(" (damaged)");
    }
    return strName;
}

void CRecoveryDlg::Fill()
{
    m_pList->clear();
    for (const CRecoveryEntry& entry : m_vEntries) {
        const QDateTime time = QDateTime::fromSecsSinceEpoch(entry.nTime).toLocalTime();
        auto* pItem = new QTreeWidgetItem(
            m_pList, {EntryName(entry), QLocale().toString(time, QLocale::ShortFormat),
                      entry.bDamaged ? QString() : QString::number(entry.nFrames)});
        if (!entry.strOriginalPath.empty()) {
            pItem->setToolTip(0, QDir::toNativeSeparators(QString::fromStdString(entry.strOriginalPath)));
        }
    }
    if (m_pList->topLevelItemCount() > 0) {
        m_pList->setCurrentItem(m_pList->topLevelItem(0));
    }
    UpdateButtons();
}

int CRecoveryDlg::SelectedIndex() const
{
    QTreeWidgetItem* pItem = m_pList->currentItem();
    return pItem ? m_pList->indexOfTopLevelItem(pItem) : -1;
}

void CRecoveryDlg::UpdateButtons()
{
    const int nIndex = SelectedIndex();
    m_pDiscard->setEnabled(nIndex >= 0);
    m_pRestore->setEnabled(nIndex >= 0 && !m_vEntries[static_cast<std::size_t>(nIndex)].bDamaged);
}

void CRecoveryDlg::OnRestore()
{
    const int nIndex = SelectedIndex();
    if (nIndex < 0 || m_vEntries[static_cast<std::size_t>(nIndex)].bDamaged) {
        return; // a double click on a damaged copy
    }
    m_nChosen = nIndex;
    accept();
}

void CRecoveryDlg::OnDiscard()
{
    const int nIndex = SelectedIndex();
    if (nIndex < 0) {
        return;
    }
    const auto it = m_vEntries.begin() + nIndex;
    if (!DiscardCopy(*it)) {
        GwMessageBox(this, QStringLiteral("The copy of %1 could not be removed.").arg(EntryName(*it)));
        return;
    }
    m_vEntries.erase(it);
    if (m_vEntries.empty()) {
        reject();
        return;
    }
    Fill();
}
