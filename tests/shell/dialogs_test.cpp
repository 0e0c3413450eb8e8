// The canvas-size and settings dialogs: what OK accepts and refuses, with
// which message, which field gets the focus, and that Cancel changes nothing.
#include "shell/about_dlg.h"
#include "shell/canvas_size_dlg.h"
#include "shell/settings_dlg.h"
#include "shell_test_support.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class CDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void canvasSizeRefusals_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("cols");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("rowsFocused");
        QTest::newRow("rows 81") << "81" << "60" << "Please enter an integer between 1 and 80." << true;
        QTest::newRow("rows 0") << "0" << "60" << "Please enter an integer between 1 and 80." << true;
        QTest::newRow("rows letters") << "ab" << "60" << "Please enter an integer." << true;
        QTest::newRow("rows empty") << "" << "60" << "Please enter an integer." << true;
        QTest::newRow("columns 129") << "40" << "129" << "Please enter an integer between 1 and 128." << false;
        QTest::newRow("columns negative") << "40" << "-5" << "Please enter an integer between 1 and 128." << false;
        QTest::newRow("columns letters") << "40" << "6o" << "Please enter an integer." << false;
        // Rows are checked first: only their message shows.
        QTest::newRow("both wrong") << "99" << "x" << "Please enter an integer between 1 and 80." << true;
    }

    void canvasSizeRefusals()
    {
        QFETCH(QString, rows);
        QFETCH(QString, cols);
        QFETCH(QString, message);
        QFETCH(bool, rowsFocused);
        CDialogRecorder rec;
        CCanvasSizeDlg dlg;
        dlg.show();
        dlg.RowsEdit()->setText(rows);
        dlg.ColsEdit()->setText(cols);
        dlg.accept();
        QCOMPARE(rec.m_vMessages, QStringList{message});
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(dlg.focusWidget(), rowsFocused ? dlg.RowsEdit() : dlg.ColsEdit());
        // Nothing of a refused OK reaches the members.
        QCOMPARE(dlg.m_nRows, 40);
        QCOMPARE(dlg.m_nCols, 60);
    }

    void canvasSizeAcceptsLargestAndStartsAtDefault()
    {
        CDialogRecorder rec;
        CCanvasSizeDlg dlg;
        dlg.show();
        QCOMPARE(dlg.RowsEdit()->text(), QStringLiteral("40"));
        QCOMPARE(dlg.ColsEdit()->text(), QStringLiteral("60"));
        dlg.RowsEdit()->setText(QStringLiteral("80"));
        dlg.ColsEdit()->setText(QStringLiteral(" 128 "));
        dlg.accept();
        QVERIFY(rec.m_vMessages.isEmpty());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_nRows, 80);
        QCOMPARE(dlg.m_nCols, 128);
    }

    void settingsRefusals_data()
    {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("intervalFocused");
        QTest::newRow("interval 0") << "0" << "100" << "Please enter an integer between 1 and 100." << true;
        QTest::newRow("interval 101") << "101" << "100" << "Please enter an integer between 1 and 100." << true;
        QTest::newRow("interval letters") << "fast" << "100" << "Please enter a positive integer." << true;
        QTest::newRow("interval negative") << "-3" << "100" << "Please enter a positive integer." << true;
        QTest::newRow("steps 201") << "5" << "201" << "Please enter an integer between 1 and 200." << false;
        QTest::newRow("steps 0") << "5" << "0" << "Please enter an integer between 1 and 200." << false;
        QTest::newRow("steps letters") << "5" << "many" << "Please enter a positive integer." << false;
    }

    void settingsRefusals()
    {
        QFETCH(QString, interval);
        QFETCH(QString, steps);
        QFETCH(QString, message);
        QFETCH(bool, intervalFocused);
        CDialogRecorder rec;
        CSettingsDlg dlg;
        dlg.m_nInterval = 5;
        dlg.m_nUndoSteps = 100;
        dlg.m_bLoop = 1;
        dlg.show();
        dlg.IntervalEdit()->setText(interval);
        dlg.UndoStepsEdit()->setText(steps);
        dlg.LoopCheck()->setChecked(false);
        dlg.accept();
        QCOMPARE(rec.m_vMessages, QStringList{message});
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.focusWidget(), intervalFocused ? dlg.IntervalEdit() : dlg.UndoStepsEdit());
        QCOMPARE(dlg.m_nInterval, 5u);
        QCOMPARE(dlg.m_nUndoSteps, 100u);
        QCOMPARE(dlg.m_bLoop, 1);
    }

    void settingsOnionFields()
    {
        CDialogRecorder rec;
        CSettingsDlg dlg;
        dlg.m_nInterval = 5;
        dlg.m_nUndoSteps = 100;
        dlg.m_nOnionBefore = 2;
        dlg.m_nOnionAfter = 0;
        dlg.m_crOnionBefore = 0x0000FF;
        dlg.m_crOnionAfter = 0xFF0000;
        dlg.show();
        QCOMPARE(dlg.OnionBeforeEdit()->text(), QStringLiteral("2"));
        QCOMPARE(dlg.OnionAfterEdit()->text(), QStringLiteral("0"));
        QCOMPARE(dlg.OnionBeforeButton()->text(), QStringLiteral("#ff0000"));
        QCOMPARE(dlg.OnionAfterButton()->text(), QStringLiteral("#0000ff"));
        dlg.OnionAfterEdit()->setText(QStringLiteral("4"));
        dlg.accept();
        QCOMPARE(rec.m_vMessages, QStringList{QStringLiteral("Please enter an integer between 0 and 3.")});
        QCOMPARE(dlg.m_nOnionAfter, 0);
        rec.m_vMessages.clear();
        dlg.OnionAfterEdit()->setText(QStringLiteral("3"));
        dlg.accept();
        QVERIFY(rec.m_vMessages.isEmpty());
        QCOMPARE(dlg.m_nOnionBefore, 2);
        QCOMPARE(dlg.m_nOnionAfter, 3);
        QCOMPARE(dlg.m_crOnionBefore, COLORREF{0x0000FF});
    }

    void settingsShowsCallerValuesAndTakesEdits()
    {
        CDialogRecorder rec;
        CSettingsDlg dlg;
        dlg.m_nInterval = 7;
        dlg.m_nUndoSteps = 33;
        dlg.m_bLoop = 0;
        dlg.show();
        QCOMPARE(dlg.IntervalEdit()->text(), QStringLiteral("7"));
        QCOMPARE(dlg.UndoStepsEdit()->text(), QStringLiteral("33"));
        QVERIFY(!dlg.LoopCheck()->isChecked());
        dlg.IntervalEdit()->setText(QStringLiteral("100"));
        dlg.UndoStepsEdit()->setText(QStringLiteral("200"));
        dlg.LoopCheck()->setChecked(true);
        dlg.accept();
        QVERIFY(rec.m_vMessages.isEmpty());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_nInterval, 100u);
        QCOMPARE(dlg.m_nUndoSteps, 200u);
        QCOMPARE(dlg.m_bLoop, 1);
    }

    void settingsCancelKeepsValues()
    {
        CDialogRecorder rec;
        CSettingsDlg dlg;
        dlg.m_nInterval = 9;
        dlg.m_nUndoSteps = 50;
        dlg.m_bLoop = 1;
        dlg.show();
        dlg.IntervalEdit()->setText(QStringLiteral("20"));
        dlg.UndoStepsEdit()->setText(QStringLiteral("10"));
        dlg.LoopCheck()->setChecked(false);
        dlg.reject();
        QCOMPARE(dlg.m_nInterval, 9u);
        QCOMPARE(dlg.m_nUndoSteps, 50u);
        QCOMPARE(dlg.m_bLoop, 1);
        QVERIFY(rec.m_vMessages.isEmpty());
    }

    void settingsLoopOutsideRangeShowsUnchecked()
    {
        CSettingsDlg dlg;
        dlg.m_bLoop = 7;
        dlg.show();
        QVERIFY(!dlg.LoopCheck()->isChecked());
    }

    void aboutShowsVersionAndClickableAddress()
    {
        CAboutDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("About Glyphwright"));
        QStringList vTexts;
        for (QLabel* pLabel : dlg.findChildren<QLabel*>()) {
            vTexts.append(pLabel->text());
        }
        QVERIFY(vTexts.contains(QStringLiteral("Glyphwright Version 1.22")));
        auto* pLink = dlg.findChild<QLabel*>(QStringLiteral("webLink"));
        QVERIFY(pLink);
        QVERIFY(pLink->text().contains(QStringLiteral("href=\"https://glyphwright.org\"")));
        QCOMPARE(pLink->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(pLink->textInteractionFlags() & Qt::LinksAccessibleByMouse);
        QCOMPARE(dlg.palette().color(QPalette::Window), QColor(0xAA, 0xAA, 0xAA));
    }

    void dialogsUseCommonColours()
    {
        CCanvasSizeDlg dlg;
        QCOMPARE(dlg.palette().color(QPalette::Window), QColor(0xAA, 0xAA, 0xAA));
        QCOMPARE(dlg.palette().color(QPalette::WindowText), QColor(0xFF, 0xFE, 0xF9));
        QCOMPARE(dlg.RowsEdit()->palette().color(QPalette::Base), QColor(Qt::white));
        // As shown, under the application's own palette.
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.grab().toImage().pixelColor(1, 1), QColor(0xAA, 0xAA, 0xAA));
        QCOMPARE(dlg.findChild<QGroupBox*>()->palette().color(QPalette::WindowText), QColor(0xFF, 0xFE, 0xF9));
        QCOMPARE(dlg.findChild<QLabel*>()->palette().color(QPalette::WindowText), QColor(0xFF, 0xFE, 0xF9));
        QCOMPARE(dlg.RowsEdit()->grab().toImage().pixelColor(4, 8), QColor(Qt::white));
    }

    // Disabled menu items and controls outside the dialogs draw their text
    // dimmed, lighter than the enabled text, not in the same black.
    void applicationPaletteDimsDisabledText()
    {
        const QPalette pal = QApplication::palette();
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
            const QColor crActive = pal.color(QPalette::Active, role);
            const QColor crDisabled = pal.color(QPalette::Disabled, role);
            QVERIFY2(crDisabled.lightness() > crActive.lightness(), qPrintable(QString::number(role)));
        }
    }

};

GW_SHELL_TEST_MAIN(CDialogsTest)
#include "dialogs_test.moc"
