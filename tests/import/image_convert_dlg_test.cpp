// The image conversion dialog: which controls each choice enables, the sliders'
// values and Restore, the thumbnail (grey box first, grey mode), the two refusals
// of Convert, an unreadable picture, and a conversion into a view as one undo step;
// an animated GIF converted frame by frame, against each frame converted as a still.
#include "canvas/art_view.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/view_host.h"
#include "core/art_doc.h"
#include "import/image_convert_dlg.h"
#include "tests/panes/qt_test_main.h"
#include "tests/ui/animated_gif.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QLabel>
#include <QTemporaryDir>

#include <map>
#include <memory>

namespace {

// The cells a conversion writes, by place.
struct CWrittenCells : ICellWriter {
    CWrittenCells(int nCols, int nRows) : m_nCols(nCols), m_nRows(nRows) {}
    int Cols() const override { return m_nCols; }
    int Rows() const override { return m_nRows; }
    uint8_t GetChar(int, int) const override { return ' '; }
    COLORREF GetColor(int, int) const override { return 0; }
    void SetCell(int nCol, int nRow, uint8_t ch, COLORREF cr) override { m_cells[{nCol, nRow}] = {ch, cr}; }
    int m_nCols, m_nRows;
    std::map<std::pair<int, int>, std::pair<uint8_t, COLORREF>> m_cells;
};

// A drawing of 10 x 20 cells in a view of 400 x 300, and the frame hooks the main window
// would give the dialog.
struct CDrawing {
    CDrawing()
    {
        doc.SetCanvasSize(10, 20);
        doc.OnNewDocument();
        pView = std::make_unique<CArtView>(doc, &host);
        RegisterStandardTools(*pView);
        pView->resize(400, 300);
        pView->OnInitialUpdate();
    }
    SConvertFrameHooks Hooks()
    {
        return {[this] { return nRoom; }, [this] {
                    int nIndex = 0;
                    for (const auto& [nKey, pCells] : doc.GetFrames())
                        if (pCells == doc.GetCurCells())
                            nIndex = doc.GetFrameIndex(nKey);
                    if (doc.InsertFrame(nIndex + 1) < 0)
                        return false;
                    pView->SetCells(doc.GetCurCells());
                    pView->ClearCanvas();
                    return true;
                }};
    }
    IViewHost host;
    CArtDoc doc;
    std::unique_ptr<CArtView> pView;
    int nRoom = 100;
};

} // namespace

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
        CDrawing drawing;
        CArtDoc& doc = drawing.doc;
        CImageConvertDlg dlg(drawing.pView.get());
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

    void allFramesGiveAFrameEachAsStillsWouldAndOfferThePicturesPace()
    {
        CDrawing drawing;
        CImageConvertDlg dlg(drawing.pView.get());
        QVERIFY(dlg.OpenConvertImage(WriteGif()));
        QCOMPARE(dlg.FrameCountLabel()->text(), QStringLiteral("Frames: 4"));
        QVERIFY(!dlg.AllFramesCheck()->isEnabled()); // no drawing to add frames to yet
        dlg.SetFrameHooks(drawing.Hooks());
        QVERIFY(dlg.AllFramesCheck()->isEnabled());
        dlg.AllFramesCheck()->setChecked(true);
        dlg.WidthSpin()->setValue(12);
        QStringList vAsked;
        dlg.m_fnAsk = [&](const QString& str) { return vAsked << str, true; };
        dlg.ConvertButton()->click();
        QVERIFY(dlg.result() == QDialog::Accepted && m_vMessages.isEmpty());
        QCOMPARE(drawing.doc.GetFrameCount(), 4);
        QCOMPARE(vAsked.size(), 1);
        QCOMPARE(dlg.m_nNewInterval, 2); // 100, 200, 200 and 300 ms
        QCOMPARE(dlg.Progress()->value(), 100);

        const auto vShown = ComposeGifFrames(48, 32, kDisposalFrames);
        int nFrame = 0;
        for (const auto& [nKey, pCells] : drawing.doc.GetFrames()) {
            CWrittenCells still(20, 10);
            ConvertImage({vShown[std::size_t(nFrame)].data(), 48, 32, 48 * 4}, dlg.Params(), still);
            QVERIFY(still.m_cells.size() >= 12 * 4);
            for (const auto& [place, cell] : still.m_cells) {
                const CharCell& got = pCells[place.second * 20 + place.first];
                if (got.chChar != cell.first || got.crColor != cell.second)
                    QFAIL(qPrintable(QStringLiteral("frame %1 differs at column %2, row %3")
                                         .arg(nFrame).arg(place.first).arg(place.second)));
            }
            QCOMPARE(pCells[19].chChar, ' '); // beyond the converted columns
            ++nFrame;
        }
        // Added frames are frame changes of their own: the last goes first.
        QVERIFY(drawing.doc.UndoFrameChange() >= 0);
        QCOMPARE(drawing.doc.GetFrameCount(), 3);
    }

    void allFramesStopsOnCancelAndRefusesMoreFramesThanTheDrawingTakes()
    {
        CDrawing drawing;
        CImageConvertDlg dlg(drawing.pView.get());
        dlg.SetFrameHooks(drawing.Hooks());
        QVERIFY(dlg.OpenConvertImage(WriteGif()));
        dlg.AllFramesCheck()->setChecked(true);
        drawing.nRoom = 2;
        dlg.ConvertButton()->click();
        QVERIFY(m_vMessages.takeFirst().startsWith(QStringLiteral("The picture has 4 frames, more than")));
        QVERIFY(dlg.result() != QDialog::Accepted && dlg.ConvertButton()->isEnabled());
        QCOMPARE(drawing.doc.GetFrameCount(), 1);

        drawing.nRoom = 3;
        bool bAsked = false;
        dlg.m_fnAsk = [&](const QString&) { return bAsked = true; };
        dlg.m_fnFrameDone = [&](int nFrame) {
            if (nFrame == 1)
                dlg.CancelButton()->click();
        };
        dlg.ConvertButton()->click();
        // The frames done stay; nothing is asked of a cancelled conversion.
        QVERIFY(dlg.result() == QDialog::Accepted && m_vMessages.isEmpty() && !bAsked);
        QCOMPARE(drawing.doc.GetFrameCount(), 2);
        QCOMPARE(dlg.m_nNewInterval, 0);
    }

private:
    QString WriteGif() { return WriteBytes(m_dir.filePath("anim.gif"), MakeAnimatedGif(48, 32, kDisposalFrames)); }

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
