#include "ui/int_field.h"

#include "ui/message_box.h"

#include <QLineEdit>

bool ParseIntText(const QString& strText, EIntFormat format, long long* pValue)
{
    const QString strTrimmed = strText.trimmed();
    // An unsigned field takes no sign at all: "-3" is not a positive number.
    if (format == EIntFormat::Unsigned && (strTrimmed.startsWith(u'-') || strTrimmed.startsWith(u'+'))) {
        return false;
    }
    bool bOk = false;
    const long long nValue = strTrimmed.toLongLong(&bOk, 10);
    if (!bOk) {
        return false;
    }
    *pValue = nValue;
    return true;
}

bool ExchangeIntField(QWidget* pDialog, QLineEdit* pEdit, EIntFormat format, int nMin, int nMax,
                      int* pValue)
{
    long long nValue = 0;
    QString strError;
    if (!ParseIntText(pEdit->text(), format, &nValue)) {
        strError = format == EIntFormat::Signed ? QStringLiteral("Please enter an integer.")
                                                : QStringLiteral("Please enter a positive integer.");
    } else if (nValue < nMin || nValue > nMax) {
        strError = QStringLiteral("Please enter an integer between %1 and %2.").arg(nMin).arg(nMax);
    }
    if (strError.isEmpty()) {
        *pValue = static_cast<int>(nValue);
        return true;
    }
    GwMessageBox(pDialog, strError);
    pEdit->setFocus(Qt::OtherFocusReason);
    pEdit->selectAll();
    return false;
}
