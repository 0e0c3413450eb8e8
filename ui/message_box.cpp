#include "ui/message_box.h"

#include <QByteArray>

#include <cstdio>

namespace {

const QString& Caption()
{
    static const QString str = QStringLiteral("Glyphwright");
    return str;
}

// With GW_LOG_MESSAGES=1 every text is also written to stderr, so a script
// driving the real program can see what the user was told.
void LogIfAsked(const QString& strText)
{
    GwLogForScripts("message", strText);
}

} // namespace

void GwLogForScripts(const char* pszKind, const QString& strText)
{
    static const bool bLog = qEnvironmentVariableIntValue("GW_LOG_MESSAGES") == 1;
    if (bLog) {
        std::fprintf(stderr, "glyphwright %s: %s\n", pszKind, strText.toUtf8().constData());
        std::fflush(stderr);
    }
}

std::function<void(const QString&)>* GwMessageBoxHook()
{
    static std::function<void(const QString&)> hook;
    return &hook;
}

std::function<QMessageBox::StandardButton(const QString&)>* GwSavePromptHook()
{
    static std::function<QMessageBox::StandardButton(const QString&)> hook;
    return &hook;
}

void GwMessageBox(QWidget* pParent, const QString& strText)
{
    LogIfAsked(strText);
    if (*GwMessageBoxHook()) {
        (*GwMessageBoxHook())(strText);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, Caption(), strText, QMessageBox::Ok, pParent);
    box.exec();
}

QMessageBox::StandardButton GwSavePrompt(QWidget* pParent, const QString& strTitle)
{
    const QString strText = QStringLiteral("Save changes to %1?").arg(strTitle);
    LogIfAsked(strText);
    if (*GwSavePromptHook()) {
        return (*GwSavePromptHook())(strText);
    }
    QMessageBox box(QMessageBox::Warning, Caption(), strText,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, pParent);
    box.setDefaultButton(QMessageBox::Yes);
    const int nResult = box.exec();
    if (nResult == QMessageBox::Yes || nResult == QMessageBox::No) {
        return static_cast<QMessageBox::StandardButton>(nResult);
    }
    return QMessageBox::Cancel;
}
