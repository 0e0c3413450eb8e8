// The image conversion dialog: which controls each choice enables, the sliders'
// values and Restore, the thumbnail (grey box first, grey mode), the two refusals
// of Convert, an unreadable picture, and a conversion into a view as one undo step.
#include "canvas/art_view.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/view_host.h"
#include "core/art_doc.h"
#include "import/image_convert_dlg.h"
#include "tests/panes/qt_test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>

class CImageConvertDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_vMessages.clear(); }

    void choicesEnableAndDisableTheirControls()
    {
        CImageConvertDlg dlg(nullptr);
        const auto enabled = [&] {
            return QList<bool>{dlg.CharSetCombo()->isEnabled(), dlg.AutoCheck()->isEnabled(),
                               dlg.CustomCheck()->isEnabled(), dlg.CustomCombo()->isEnabled(),
                               dlg.GrayRadio()->isEnabled()};
        };
        QCOMPARE(dlg.CustomCombo()->currentText(), QStringLiteral("@"));
        QCOMPARE(dlg.WidthSpin()->value(), 64);
        dlg.AutoCheck()->click();
        QCOMPARE(enabled(), (QList<bool>{false, true, false, false, true}));
        dlg.AutoCheck()->click();
        QCOMPARE(enabled(), (QList<bool>{true, true, true, true, true}));
        dlg.CustomCheck()->click(); // colour mode, and no set, Auto or grey
        QVERIFY(dlg.ColorRadio()->isChecked() && dlg.m_bCustom == 1);
        QCOMPARE(enabled(), (QList<bool>{false, false, true, true, false}));
        dlg.CustomCheck()->click();
        dlg.GrayRadio()->click(); // a custom character goes with colour only
        QVERIFY(dlg.m_nColorMode == 1 && !dlg.CustomCheck()->isChecked());
        QCOMPARE(enabled(), (QList<bool>{true, true, false, false, true}));
        dlg.ColorRadio()->click();
        QCOMPARE(enabled(), (QList<bool>{true, true, true, true, true}));
    }

    void slidersThumbnailAndRestore()
    {
        CImageConvertDlg dlg(nullptr);
        QVERIFY(dlg.OpenConvertImage(WritePicture("grey.png", {640, 480}, QColor(100, 100, 100))));
        QCOMPARE(dlg.Thumbnail().size(), QSize(200, 200));
        QCOMPARE(QColor(dlg.Thumbnail().pixel(100, 100)), QColor(100, 100, 100));
        dlg.BrightnessSlider()->setValue(10);
        dlg.ContrastSlider()->setValue(4);
        QCOMPARE(dlg.m_fBrightness, 0.5f);
        QCOMPARE(dlg.ValueText(1)->text(), QStringLiteral("0.20"));
        QVERIFY(qRed(dlg.Thumbnail().pixel(100, 100)) > 200); // brighter, through the matrix
        dlg.RestoreButton()->click();
        QCOMPARE(dlg.ValueText(0)->text() + dlg.ValueText(1)->text() + dlg.ValueText(2)->text(),
                 QStringLiteral("0.001.001.00"));
        QCOMPARE(QColor(dlg.Thumbnail().pixel(100, 100)), QColor(100, 100, 100));
    }

    void thumbnailIsAnEmptyGreyBoxFirstAndGreyInGreyMode()
    {
        CImageConvertDlg dlg(nullptr);
        QCOMPARE(dlg.Thumbnail().pixel(100, 100), qRgb(0xAA, 0xAA, 0xAA));
        QVERIFY(dlg.OpenConvertImage(WritePicture("red.png", {40, 40}, Qt::red)));
        dlg.GrayRadio()->click();
        const QColor crGrey(dlg.Thumbnail().pixel(100, 100));
        QVERIFY(crGrey.red() == crGrey.green() && crGrey.green() == crGrey.blue() && crGrey.red() < 255);
        dlg.ColorRadio()->click();
        QCOMPARE(dlg.Thumbnail().pixel(100, 100), qRgb(255, 0, 0));
    }

    void convertRefusesWithoutAPictureOrAWidthAndKeepsAPictureItCannotReplace()
    {
        CImageConvertDlg dlg(nullptr);
        dlg.ConvertButton()->click();
        QCOMPARE(m_vMessages.takeFirst(), QStringLiteral("No image be opened!"));
        const QString strGood = WritePicture("red.bmp", {30, 30}, Qt::red);
        QVERIFY(dlg.OpenConvertImage(strGood));
        QFile bad(m_dir.filePath(QStringLiteral("bad.png")));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not a picture") > 0 && bad.flush());
        QVERIFY(!dlg.OpenConvertImage(bad.fileName()));
        QVERIFY(m_vMessages.takeFirst().startsWith(QStringLiteral("Cannot read the picture ")));
        QVERIFY(dlg.m_bImageLoaded && dlg.m_strImagePath == strGood && dlg.Picture().width() == 30);
        dlg.WidthSpin()->setValue(129);
        dlg.ConvertButton()->click();
        QCOMPARE(m_vMessages.takeFirst(), QStringLiteral("Please enter an integer between 1 and 128."));
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
    }

    void convertWritesTheFrameAsOneStep()
    {
        IViewHost host;
        CArtDoc doc; // 10 x 20 cells in a view of 400 x 300
        doc.SetCanvasSize(10, 20);
        doc.OnNewDocument();
        CArtView view(doc, &host);
        RegisterStandardTools(view);
        view.resize(400, 300);
        view.OnInitialUpdate();
        CImageConvertDlg dlg(&view);
        // Cells 8 x 12 or so: a 40 x 400 white picture at width 4 gives 4 columns.
        QVERIFY(dlg.OpenConvertImage(WritePicture("white.png", {40, 400}, Qt::white)));
        dlg.WidthSpin()->setValue(4);
        dlg.CustomCheck()->click();
        dlg.ConvertButton()->click();
        QVERIFY(dlg.result() == QDialog::Accepted && m_vMessages.isEmpty());
        const CharCell* pCells = doc.GetCurCells();
        QVERIFY(pCells[3].chChar == '@' && pCells[3].crColor == 0xFFFFFFu);
        QCOMPARE(pCells[4].chChar, ' ');      // beyond the converted columns
        QCOMPARE(pCells[9 * 20].chChar, '@'); // the picture covers every row
        QVERIFY(!dlg.ConvertButton()->isEnabled() && dlg.Progress()->isEnabled());
        QVERIFY(doc.OnEditUndo() && !doc.CanUndo());
        QCOMPARE(doc.GetCurCells()[3].chChar, ' ');
    }

private:
    // A picture file of one colour, written into the test's folder.
    QString WritePicture(const char* pszName, QSize size, QColor col)
    {
        QImage img(size, QImage::Format_RGB32);
        img.fill(col);
        const QString strPath = m_dir.filePath(QString::fromLatin1(pszName));
        return img.save(strPath) ? strPath : QString();
    }

    QTemporaryDir m_dir;
    CMessageLog m_vMessages;
};

GW_QT_TEST_MAIN(CImageConvertDlgTest)

#include "image_convert_dlg_test.moc"
