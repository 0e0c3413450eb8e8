#include "ui/file_dialogs.h"

#include <QFileDialog>

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
