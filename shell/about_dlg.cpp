#include "shell/about_dlg.h"

#include "res/app_strings.h"
#include "res/command_table.h"
#include "ui/dialog_colors.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

QString CAboutDlg::WebAddress()
{
    return QStringLiteral("https://glyphwright.org");
}

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QString::fromLatin1(gw::IDS_ABOUT_CAPTION));

    auto* pIcon = new QLabel;
    pIcon->setPixmap(gw::AppIcon().pixmap(32, 32));
    auto* pVersion = new QLabel(QString::fromLatin1(gw::IDS_ABOUT_VERSION));
    // Blue on the grey background, with the hand cursor over it.
    auto* pLink = new QLabel(QStringLiteral("<a href=\"%1\" style=\"color:#0000ff\">%1</a>")
                                 .arg(WebAddress()));
    pLink->setObjectName(QStringLiteral("webLink"));
    pLink->setTextFormat(Qt::RichText);
    pLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    pLink->setCursor(Qt::PointingHandCursor);
    connect(pLink, &QLabel::linkActivated, this,
            [](const QString& strUrl) { QDesktopServices::openUrl(QUrl(strUrl)); });

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CAboutDlg::accept);

    auto* pGrid = new QGridLayout(this);
    pGrid->addWidget(pIcon, 0, 0, 2, 1, Qt::AlignTop);
    pGrid->addWidget(pVersion, 0, 1);
    pGrid->addWidget(pLink, 1, 1);
    pGrid->addWidget(pButtons, 0, 2, Qt::AlignTop);
    pGrid->setColumnStretch(1, 1);

    ApplyDialogColors(this);
}
