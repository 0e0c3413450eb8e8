// Printing the canvas: Print, Print Preview and Page Setup, sharing one
// printer made when first needed, so the page set up is the one printed.
#pragma once

#include <memory>

class CArtView;
class QPrinter;
class QWidget;

class CPrintCommands {
public:
    // pParent owns the dialogs.
    CPrintCommands(CArtView& view, QWidget* pParent);
    ~CPrintCommands();
    CPrintCommands(const CPrintCommands&) = delete;
    CPrintCommands& operator=(const CPrintCommands&) = delete;

    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();

private:
    QPrinter& Printer();

    CArtView& m_view;
    QWidget* m_pParent;
    std::unique_ptr<QPrinter> m_pPrinter;
};
