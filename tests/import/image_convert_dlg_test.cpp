// The image conversion dialog: which controls each choice enables, the
// sliders' values and Restore, the thumbnail through the matrix, the two
// refusals of Convert, a picture that cannot be read, and a conversion into
// a real view as one undo step.
#include "tests/panes/qt_test_main.h"
#include "canvas/art_view.h"
#include "canvas/view_host.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "import/image_convert_dlg.h"
#include "ui/message_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// A picture file of one colour, written into the test's folder.
QString WritePicture(const QTemporaryDir& dir, const char* pszName, QSize size, QColor col)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(col);
    const QString strPath = dir.filePath(QString::fromLatin1(pszName));
    return img.save(strPath) ? strPath : QString();
}

// A 10 x 20 drawing in a shown view.
struct CViewFixture {
    CViewFixture()
    {
        m_doc.m_nRows = 10;
        m_doc.m_nCols = 20;
        m_doc.OnNewDocument();
        m_pView = std::make_unique<CArtView>(m_doc, &m_host);
        m_pView->resize(400, 300);
        m_pView->OnInitialUpdate();
    }
    IViewHost m_host;
    CArtDoc m_doc;
    std::unique_ptr<CArtView> m_pView;
};

} // namespace

class CImageConvertDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_vMessages.clear();
        *GwMessageBoxHook() = [this](const QString& str) { m_vMessages.append(str); };
    }
    void cleanup() { *GwMessageBoxHook() = nullptr; }

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
        QTemporaryDir dir;
        CImageConvertDlg dlg(nullptr);
        QVERIFY(dlg.OpenConvertImage(WritePicture(dir, "grey.png", {640, 480}, QColor(100, 100, 100))));
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

    void convertRefusesWithoutAPictureOrAWidthAndKeepsAPictureItCannotReplace()
    {
        QTemporaryDir dir;
        CImageConvertDlg dlg(nullptr);
        dlg.ConvertButton()->click();
        QCOMPARE(m_vMessages.takeFirst(), QStringLiteral("No image be opened!"));
        const QString strGood = WritePicture(dir, "red.bmp", {30, 30}, Qt::red);
        QVERIFY(dlg.OpenConvertImage(strGood));
        QFile bad(dir.filePath(QStringLiteral("bad.png")));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not a picture") > 0);
        bad.close();
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
        QTemporaryDir dir;
        CViewFixture fx;
        CImageConvertDlg dlg(fx.m_pView.get());
        // Cells 8 x 12 or so: a 40 x 400 white picture at width 4 gives 4 columns.
        QVERIFY(dlg.OpenConvertImage(WritePicture(dir, "white.png", {40, 400}, Qt::white)));
        dlg.WidthSpin()->setValue(4);
        dlg.CustomCheck()->click();
        dlg.ConvertButton()->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(m_vMessages.isEmpty());
        const CharCell* pCells = fx.m_doc.m_pCurCells;
        QCOMPARE(pCells[3].chChar, '@');
        QCOMPARE(pCells[3].crColor, 0xFFFFFFu);
        QCOMPARE(pCells[4].chChar, ' '); // beyond the converted columns
        QCOMPARE(pCells[9 * 20].chChar, '@'); // the picture covers every row
        QVERIFY(!dlg.ConvertButton()->isEnabled() && dlg.Progress()->isEnabled());
        QVERIFY(fx.m_doc.OnEditUndo() && !fx.m_doc.CanUndo());
        QCOMPARE(fx.m_doc.m_pCurCells[3].chChar, ' ');
    }

private:
    QStringList m_vMessages;
};

GW_QT_TEST_MAIN(CImageConvertDlgTest)

#include "image_convert_dlg_test.moc"
