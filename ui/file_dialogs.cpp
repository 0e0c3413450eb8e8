#include "ui/file_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>

std::function<QString(const QString&)>* GwFileDialogHook()
{
    static std::function<QString(const QString&)> hook;
    return &hook;
}

QString AskOpenPath(QWidget* pParent, const QString& strFilter)
{
    if (*GwFileDialogHook()) {
        return (*GwFileDialogHook())(strFilter);
    }
    QFileDialog dlg(pParent);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilter(strFilter);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return {};
    }
    return dlg.selectedFiles().first();
}

QString AskSavePath(QWidget* pParent, const QString& strFilter, const QString& strSuffix,
                    const QString& strSuggested)
{
    if (*GwFileDialogHook()) {
        return (*GwFileDialogHook())(strFilter);
    }
    QFileDialog dlg(pParent);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilter(strFilter);
    dlg.setDefaultSuffix(strSuffix);
    if (!strSuggested.isEmpty()) {
        dlg.selectFile(strSuggested);
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return {};
    }
    return dlg.selectedFiles().first();
}

std::function<int(int)>* GwZoomDialogHook()
{
    static std::function<int(int)> hook;
    return &hook;
}

int AskExportZoom(QWidget* pParent, int nCurrent, int nCount)
{
    if (*GwZoomDialogHook())
        return (*GwZoomDialogHook())(nCurrent);
    QStringList vItems;
    for (int n = 0; n < nCount; ++n) {
        QString str = QStringLiteral("Zoom %1").arg(n);
        if (n == 0)
            str += QStringLiteral(" (smallest)");
        else if (n == nCount - 1)
            str += QStringLiteral(" (largest)");
        if (n == nCurrent)
            str += QStringLiteral(", as shown now");
        vItems << str;
    }
    bool bOk = false;
    const QString strChosen = QInputDialog::getItem(pParent, QStringLiteral("Glyphwright"),
                                                    QStringLiteral("Draw the picture at"), vItems,
                                                    nCurrent, false, &bOk);
    return bOk ? static_cast<int>(vItems.indexOf(strChosen)) : -1;
}
