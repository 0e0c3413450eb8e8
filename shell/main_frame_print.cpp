// Printing the canvas, the help page and the About box.
#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "res/app_strings.h"
#include "shell/about_dlg.h"
#include "ui/app_folders.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QUrl>

void CMainFrame::OnFilePrint()
{
    QPrintDialog dlg(&Printer(), this);
    if (dlg.exec() == QDialog::Accepted) {
        CommitPendingEdits();
        m_pView->Print(&Printer());
    }
}

void CMainFrame::OnFilePrintPreview()
{
    // The preview paints while it is open: what it shows is settled first.
    CommitPendingEdits();
    QPrintPreviewDialog dlg(&Printer(), this);
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* pPrinter) { m_pView->Print(pPrinter); });
    dlg.exec();
}

void CMainFrame::OnFilePrintSetup()
{
    QPageSetupDialog dlg(&Printer(), this);
    dlg.exec();
}

// A missing help page is the desktop's to report, if it does.
void CMainFrame::OnHelpContents()
{
    const QString strPath = AppFolderPath(QString::fromLatin1(gw::IDS_HELP_FILE));
    QDesktopServices::openUrl(QUrl::fromLocalFile(strPath));
}

void CMainFrame::OnAppAbout()
{
    CAboutDlg dlg(this);
    dlg.exec();
}
