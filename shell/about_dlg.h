// "About Glyphwright": the program's icon, its version and the web address,
// which opens in the user's browser when clicked.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    static QString WebAddress();
};
