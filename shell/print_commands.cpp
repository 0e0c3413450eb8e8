#include "shell/print_commands.h"

#include "canvas/art_view.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

CPrintCommands::CPrintCommands(CArtView& view, QWidget* pParent) : m_view(view), m_pParent(pParent) {}

CPrintCommands::~CPrintCommands() = default;

QPrinter& CPrintCommands::Printer()
{
    if (!m_pPrinter) {
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return *m_pPrinter;
}

void CPrintCommands::OnFilePrint()
{
    QPrintDialog dlg(&Printer(), m_pParent);
    if (dlg.exec() == QDialog::Accepted) {
        m_view.EndPendingEdit();
        m_view.Print(&Printer());
    }
}

void CPrintCommands::OnFilePrintPreview()
{
    // The preview paints while it is open: what it shows is settled first.
    m_view.EndPendingEdit();
    QPrintPreviewDialog dlg(&Printer(), m_pParent);
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg,
                     [this](QPrinter* pPrinter) { m_view.Print(pPrinter); });
    dlg.exec();
}

void CPrintCommands::OnFilePrintSetup()
{
    QPageSetupDialog dlg(&Printer(), m_pParent);
    dlg.exec();
}
