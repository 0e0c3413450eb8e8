#include "import/image_convert_dlg.h"

#include "canvas/art_view.h"
#include "canvas/tools/view_cell_writer.h"
#include "res/app_strings.h"
#include "ui/dialog_colors.h"
#include "ui/file_dialogs.h"
#include "ui/message_box.h"
#include "ui/picture_frames.h"
#include "ui/picture_reader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

constexpr float SLIDER_STEP = 0.05f;
constexpr int THUMB_SIZE = 200;
// Slider ranges and starting positions, in steps of SLIDER_STEP.
struct CSliderRange {
    int nMin, nMax, nStart;
};
constexpr CSliderRange BRIGHTNESS_RANGE{-20, 20, 0};
constexpr CSliderRange CONTRAST_RANGE{4, 80, 20};
constexpr CSliderRange SATURATION_RANGE{0, 60, 20};
constexpr int CUSTOM_START = 32; // "@"

const char* const CHAR_SET_TEXTS[] = {"@ # W A h X o x ? > ; + = , .  ", "@ % h x * + - ", "0 1", "#"};

// The width's edit takes any digits, as people type them; its arrows stay
// within 1..128, and Convert refuses what lies outside.
class CWidthSpin : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    void stepBy(int nSteps) override
    {
        setValue(std::clamp(value() + nSteps, CONVERT_WIDTH_MIN, CONVERT_WIDTH_MAX));
    }

protected:
    StepEnabled stepEnabled() const override
    {
        StepEnabled enabled = StepNone;
        if (value() < CONVERT_WIDTH_MAX)
            enabled |= StepUpEnabled;
        if (value() > CONVERT_WIDTH_MIN)
            enabled |= StepDownEnabled;
        return enabled;
    }
};

// The thumbnail's place: paints the dialog's picture as it is, nothing else,
// so a slider move repaints these 200 x 200 pixels and no layout.
class CThumbnailView : public QWidget {
public:
    explicit CThumbnailView(const QImage& img) : m_img(img)
    {
        setFixedSize(THUMB_SIZE, THUMB_SIZE);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, m_img);
    }

private:
    const QImage& m_img;
};

QSlider* MakeSlider(const CSliderRange& range)
{
    auto* pSlider = new QSlider(Qt::Horizontal);
    pSlider->setRange(range.nMin, range.nMax);
    pSlider->setValue(range.nStart);
    return pSlider;
}

QPushButton* MakeButton(const QString& strText)
{
    auto* pButton = new QPushButton(strText);
    // The dialog has no default button: Enter is the dialog's own (keyPressEvent).
    pButton->setAutoDefault(false);
    return pButton;
}

} // namespace

CImageConvertDlg::CImageConvertDlg(CArtView* pView, QWidget* pParent)
    : QDialog(pParent),
      m_pView(pView),
      m_pPath(new QLineEdit),
      m_pWidth(new CWidthSpin),
      m_pColor(new QRadioButton(QStringLiteral("Color image"))),
      m_pGray(new QRadioButton(QStringLiteral("Gray scale"))),
      m_pBrightness(MakeSlider(BRIGHTNESS_RANGE)),
      m_pContrast(MakeSlider(CONTRAST_RANGE)),
      m_pSaturation(MakeSlider(SATURATION_RANGE)),
      m_pCharSet(new QComboBox),
      m_pCustomChar(new QComboBox),
      m_pAuto(new QCheckBox(QStringLiteral("Auto"))),
      m_pCustom(new QCheckBox(QStringLiteral("Custom character"))),
      m_pOpen(MakeButton(QStringLiteral("Open"))),
      m_pRestore(MakeButton(QStringLiteral("Restore"))),
      m_pConvert(MakeButton(QStringLiteral("Convert"))),
      m_pProgress(new QProgressBar),
      m_pAllFrames(new QCheckBox(QStringLiteral("All frames"))),
      m_pFrameCount(new QLabel(QStringLiteral("Frames: 1"))),
      m_pCancel(MakeButton(QStringLiteral("Cancel")))
{
    setWindowTitle(QStringLiteral("Image Convert"));
    m_pPath->setReadOnly(true);
    m_pWidth->setRange(0, 999);
    m_pWidth->setValue(static_cast<int>(m_nConvertWidth));
    m_pColor->setChecked(true);
    for (const char* pszSet : CHAR_SET_TEXTS)
        m_pCharSet->addItem(QString::fromLatin1(pszSet));
    m_pCharSet->setCurrentIndex(0);
    for (int ch = 32; ch <= 126; ++ch)
        m_pCustomChar->addItem(QString(QChar(ch)));
    m_pCustomChar->setCurrentIndex(CUSTOM_START);
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);

    auto* pPathRow = new QHBoxLayout;
    pPathRow->addWidget(new QLabel(QStringLiteral("Image path")));
    pPathRow->addWidget(m_pPath, 1);
    pPathRow->addWidget(m_pOpen);

    auto* pSet = new QGroupBox(QStringLiteral("Set"));
    auto* pGrid = new QGridLayout(pSet);
    int nRow = 0;
    pGrid->addWidget(new QLabel(QStringLiteral("Convert width")), nRow, 0);
    pGrid->addWidget(m_pWidth, nRow, 1);
    pGrid->addWidget(new QLabel(QStringLiteral("A number between 1 and 128")), nRow++, 2);
    pGrid->addWidget(m_pColor, nRow, 0);
    pGrid->addWidget(m_pGray, nRow++, 1);
    const QString vNames[] = {QStringLiteral("Brightness"), QStringLiteral("Contrast"), QStringLiteral("Saturation")};
    QSlider* const vSliders[] = {m_pBrightness, m_pContrast, m_pSaturation};
    for (int i = 0; i < 3; ++i) {
        m_pValueTexts[i] = new QLineEdit;
        m_pValueTexts[i]->setReadOnly(true);
        m_pValueTexts[i]->setMaximumWidth(60);
        pGrid->addWidget(new QLabel(vNames[i]), nRow, 0);
        pGrid->addWidget(vSliders[i], nRow, 1);
        pGrid->addWidget(m_pValueTexts[i], nRow++, 2);
        connect(vSliders[i], &QSlider::valueChanged, this, &CImageConvertDlg::OnSliderMoved);
    }
    pGrid->addWidget(new QLabel(QStringLiteral("Character Set")), nRow, 0);
    pGrid->addWidget(m_pCharSet, nRow, 1);
    pGrid->addWidget(m_pAuto, nRow++, 2);
    pGrid->addWidget(m_pCustom, nRow, 0);
    pGrid->addWidget(m_pCustomChar, nRow, 1);
    pGrid->addWidget(m_pRestore, nRow++, 2);
    m_pAllFrames->setEnabled(false);
    pGrid->addWidget(m_pAllFrames, nRow, 0);
    pGrid->addWidget(m_pFrameCount, nRow++, 1);
    pGrid->setColumnStretch(1, 1);

    auto* pThumbBox = new QGroupBox(QStringLiteral("Thumbnail"));
    auto* pThumbLayout = new QVBoxLayout(pThumbBox);
    m_imgThumb = QImage(THUMB_SIZE, THUMB_SIZE, QImage::Format_RGB32);
    m_imgThumb.fill(QColor::fromRgb(GW_DIALOG_BACK)); // an empty box, in the dialog's grey
    m_pThumbView = new CThumbnailView(m_imgThumb);
    pThumbLayout->addWidget(m_pThumbView, 0, Qt::AlignCenter);

    auto* pProgressRow = new QHBoxLayout;
    pProgressRow->addWidget(new QLabel(QStringLiteral("Convert Progress")));
    pProgressRow->addWidget(m_pProgress, 1);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pConvert);
    pButtons->addWidget(m_pCancel);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pPathRow);
    pLayout->addWidget(pSet);
    pLayout->addWidget(pThumbBox);
    pLayout->addLayout(pProgressRow);
    pLayout->addLayout(pButtons);
    ApplyDialogColors(this);
    PrintValueTexts();

    connect(m_pOpen, &QPushButton::clicked, this, &CImageConvertDlg::OnOpen);
    connect(m_pRestore, &QPushButton::clicked, this, &CImageConvertDlg::OnRestore);
    connect(m_pConvert, &QPushButton::clicked, this, &CImageConvertDlg::ConvertImage);
    connect(m_pCancel, &QPushButton::clicked, this, &CImageConvertDlg::reject);
    connect(m_pAuto, &QCheckBox::clicked, this, &CImageConvertDlg::OnAutoClicked);
    connect(m_pCustom, &QCheckBox::clicked, this, &CImageConvertDlg::OnCustomClicked);
    connect(m_pColor, &QRadioButton::clicked, this, &CImageConvertDlg::OnColorClicked);
    connect(m_pGray, &QRadioButton::clicked, this, &CImageConvertDlg::OnGrayClicked);
}

void CImageConvertDlg::PrintValueTexts()
{
    const float vValues[] = {m_fBrightness, m_fContrast, m_fSaturation};
    for (int i = 0; i < 3; ++i)
        m_pValueTexts[i]->setText(QString::asprintf("%0.2f", static_cast<double>(vValues[i])));
}

void CImageConvertDlg::OnOpen()
{
    const QString strPath = AskOpenPath(this, PictureFileFilter());
    if (!strPath.isEmpty())
        OpenConvertImage(strPath);
}

bool CImageConvertDlg::OpenConvertImage(const QString& strPath)
{
    QImage image;
    QString strError;
    if (!ReadPicture(strPath, &image, &strError)) {
        // Not opened: the picture before, if any, stays.
        GwMessageBox(this, QStringLiteral("Cannot read the picture %1: %2.").arg(strPath, strError));
        return false;
    }
    m_imgPicture = image;
    // Slider moves redraw the thumbnail from this copy, never from the full
    // picture, so they stay quick on a large photo.
    m_imgSmall = m_imgPicture.width() > THUMB_SIZE || m_imgPicture.height() > THUMB_SIZE
                     ? m_imgPicture.scaled(std::min(m_imgPicture.width(), THUMB_SIZE),
                                           std::min(m_imgPicture.height(), THUMB_SIZE),
                                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     : m_imgPicture;
    m_strImagePath = strPath;
    m_pPath->setText(strPath);
    m_bImageLoaded = 1;
    // Counting reads the file again but decodes no frame.
    CPictureFrames frames;
    m_nPictureFrames = frames.Open(strPath, &strError) ? frames.Count() : 1;
    m_pFrameCount->setText(QStringLiteral("Frames: %1").arg(m_nPictureFrames));
    m_pAllFrames->setEnabled(m_nPictureFrames > 1 && m_hooks.fnAppendFrame);
    if (!m_pAllFrames->isEnabled())
        m_pAllFrames->setChecked(false);
    UpdateThumbnail();
    return true;
}

void CImageConvertDlg::UpdateThumbnail()
{
    if (!m_bImageLoaded)
        return;
    // Grey mode shows the levels its characters are picked by: the
    // conversion's grey matrix, which takes only the brightness.
    const CColorMatrix matrix = m_nColorMode == 1 ? BuildColorMatrix(m_fBrightness, 1.0f, 0.0f)
                                                  : BuildColorMatrix(m_fBrightness, m_fContrast, m_fSaturation);
    QImage imgAdjusted(m_imgSmall.size(), QImage::Format_RGBA8888);
    for (int y = 0; y < m_imgSmall.height(); ++y)
        ApplyColorMatrix(matrix, m_imgSmall.constScanLine(y), imgAdjusted.scanLine(y),
                         static_cast<std::size_t>(m_imgSmall.width()));
    if (imgAdjusted.size() != m_imgThumb.size())
        imgAdjusted = imgAdjusted.scaled(m_imgThumb.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // Held in the screen's own layout, so painting it is a plain copy.
    m_imgThumb = imgAdjusted.convertToFormat(QImage::Format_RGB32);
    m_pThumbView->update();
}

void CImageConvertDlg::OnSliderMoved()
{
    m_fBrightness = static_cast<float>(m_pBrightness->value()) * SLIDER_STEP;
    m_fContrast = static_cast<float>(m_pContrast->value()) * SLIDER_STEP;
    m_fSaturation = static_cast<float>(m_pSaturation->value()) * SLIDER_STEP;
    PrintValueTexts();
    UpdateThumbnail();
}

void CImageConvertDlg::OnRestore()
{
    for (auto [pSlider, nStart] : {std::pair{m_pBrightness, BRIGHTNESS_RANGE.nStart},
                                   std::pair{m_pContrast, CONTRAST_RANGE.nStart},
                                   std::pair{m_pSaturation, SATURATION_RANGE.nStart}}) {
        const QSignalBlocker block(pSlider);
        pSlider->setValue(nStart);
    }
    OnSliderMoved();
}

void CImageConvertDlg::OnAutoClicked()
{
    m_bAuto = m_pAuto->isChecked() ? 1 : 0;
    for (QWidget* pWidget : {static_cast<QWidget*>(m_pCustom), static_cast<QWidget*>(m_pCustomChar),
                             static_cast<QWidget*>(m_pCharSet)})
        pWidget->setEnabled(!m_bAuto);
}

void CImageConvertDlg::OnColorClicked()
{
    m_nColorMode = 0;
    if (!m_bAuto) {
        m_pCustom->setEnabled(true);
        m_pCustomChar->setEnabled(true);
    }
    UpdateThumbnail();
}

void CImageConvertDlg::OnGrayClicked()
{
    // A custom character goes with colour only.
    m_nColorMode = 1;
    m_bCustom = 0;
    m_pCustom->setChecked(false);
    m_pCustom->setEnabled(false);
    m_pCustomChar->setEnabled(false);
    UpdateThumbnail();
}

void CImageConvertDlg::OnCustomClicked()
{
    m_bCustom = m_pCustom->isChecked() ? 1 : 0;
    if (m_bCustom) {
        m_nColorMode = 0;
        m_pColor->setChecked(true);
        UpdateThumbnail();
    }
    for (QWidget* pWidget : {static_cast<QWidget*>(m_pCharSet), static_cast<QWidget*>(m_pAuto),
                             static_cast<QWidget*>(m_pGray)})
        pWidget->setEnabled(!m_bCustom);
}

CImageConvertParams CImageConvertDlg::Params() const
{
    CImageConvertParams params;
    params.nConvertWidth = static_cast<int>(m_nConvertWidth);
    params.nColorMode = m_nColorMode;
    params.fBrightness = m_fBrightness;
    params.fContrast = m_fContrast;
    params.fSaturation = m_fSaturation;
    params.nCharSet = m_pCharSet->currentIndex();
    params.bAuto = m_bAuto != 0;
    params.bCustom = m_bCustom != 0;
    params.chCustom = static_cast<uint8_t>(m_pCustomChar->currentIndex() + 32);
    if (m_pView) {
        params.nCellWidth = m_pView->GetCellWidth();
        params.nCellHeight = m_pView->GetCellHeight();
        params.crText = m_pView->GetTextColor();
    }
    return params;
}

void CImageConvertDlg::ConvertImage()
{
    if (!m_bImageLoaded) {
        GwMessageBox(this, QString::fromLatin1(gw::IDS_NO_IMAGE_OPENED));
        return;
    }
    const int nWidth = m_pWidth->value();
    if (nWidth < CONVERT_WIDTH_MIN || nWidth > CONVERT_WIDTH_MAX) {
        GwMessageBox(this, QString::fromLatin1(gw::IDS_ENTER_INTEGER_RANGE)
                               .arg(CONVERT_WIDTH_MIN)
                               .arg(CONVERT_WIDTH_MAX));
        m_pWidth->setFocus();
        m_pWidth->selectAll();
        return;
    }
    m_nConvertWidth = static_cast<unsigned>(nWidth);
    m_nColorMode = m_pGray->isChecked() ? 1 : 0;
    m_bAuto = m_pAuto->isChecked() ? 1 : 0;
    m_bCustom = m_pCustom->isChecked() ? 1 : 0;
    const bool bAll = m_pAllFrames->isChecked() && m_nPictureFrames > 1 && m_hooks.fnAppendFrame &&
                      m_pView && m_pView->GetCells();
    if (bAll && m_hooks.fnFrameRoom && m_hooks.fnFrameRoom() < m_nPictureFrames - 1) {
        GwMessageBox(this, QStringLiteral("The picture has %1 frames, more than this drawing can take: "
                                          "it has room for %2 more. Nothing was converted.")
                               .arg(m_nPictureFrames)
                               .arg(std::max(m_hooks.fnFrameRoom(), 0)));
        return;
    }
    std::vector<QWidget*> vEnabled;
    for (QWidget* pChild : findChildren<QWidget*>())
        if (pChild != m_pProgress && pChild->isEnabled()) {
            vEnabled.push_back(pChild);
            pChild->setEnabled(false);
        }
    if (bAll) {
        if (!ConvertAllFrames()) {
            for (QWidget* pChild : vEnabled)
                pChild->setEnabled(true);
            return;
        }
    } else if (m_pView && m_pView->GetCells()) {
        ConvertInto(m_imgPicture, [this](int nPercent) { m_pProgress->setValue(nPercent); });
    }
    accept();
}

void CImageConvertDlg::ConvertInto(const QImage& image, const std::function<void(int)>& fnPercent)
{
    const CPictureView picture{image.constBits(), image.width(), image.height(),
                               static_cast<std::size_t>(image.bytesPerLine())};
    // The main window redraws the whole canvas afterwards.
    CViewCellWriter writer(*m_pView, false);
    m_pView->BeginEdit();
    ::ConvertImage(picture, Params(), writer, fnPercent);
    m_pView->EndEdit();
}

bool CImageConvertDlg::ConvertAllFrames()
{
    CPictureFrames frames;
    QString strError;
    if (!frames.Open(m_strImagePath, &strError)) {
        GwMessageBox(this, QStringLiteral("Cannot read the picture %1: %2.").arg(m_strImagePath, strError));
        return false;
    }
    // One frame decoded and converted at a time; Cancel is read between them.
    const int nCount = frames.Count();
    std::vector<int> vDelays;
    m_bConverting = true;
    m_bCancelled = false;
    m_pCancel->setEnabled(true);
    for (int i = 0; i < nCount && !m_bCancelled; ++i) {
        QImage frame;
        int nDelayMs = 0;
        if (!frames.Next(&frame, &nDelayMs, &strError)) {
            GwMessageBox(this, QStringLiteral("Cannot read the picture %1: %2. The frames converted "
                                              "before it are kept.")
                                   .arg(m_strImagePath, strError));
            break;
        }
        if (i > 0 && !m_hooks.fnAppendFrame())
            break;
        ConvertInto(frame, [this, i, nCount](int nPercent) {
            m_pProgress->setValue((i * 100 + nPercent) / nCount);
        });
        m_pProgress->setValue((i + 1) * 100 / nCount);
        vDelays.push_back(nDelayMs);
        if (m_fnFrameDone)
            m_fnFrameDone(i);
        QCoreApplication::processEvents();
    }
    m_bConverting = false;
    m_pCancel->setEnabled(false);
    // The picture's pace, if it has one, offered for the drawing's playback.
    const bool bTimed = std::any_of(vDelays.begin(), vDelays.end(), [](int n) { return n > 0; });
    if (!m_bCancelled && vDelays.size() > 1 && bTimed) {
        const int nTenths = MedianFrameInterval(vDelays);
        if (Ask(QStringLiteral("Play the drawing at the picture's pace, one frame every %1 seconds?")
                    .arg(nTenths / 10.0, 0, 'f', 1)))
            m_nNewInterval = nTenths;
    }
    return true;
}

bool CImageConvertDlg::Ask(const QString& strQuestion)
{
    GwLogForScripts("question", strQuestion);
    if (m_fnAsk)
        return m_fnAsk(strQuestion);
    return QMessageBox::question(this, QStringLiteral("Glyphwright"), strQuestion) == QMessageBox::Yes;
}

void CImageConvertDlg::SetFrameHooks(SConvertFrameHooks hooks)
{
    m_hooks = std::move(hooks);
    m_pAllFrames->setEnabled(m_nPictureFrames > 1 && m_hooks.fnAppendFrame);
}

void CImageConvertDlg::reject()
{
    if (m_bConverting) {
        m_bCancelled = true;
        return;
    }
    QDialog::reject();
}

void CImageConvertDlg::keyPressEvent(QKeyEvent* pEvent)
{
    // Enter closes the dialog as OK, converting nothing: there is no OK button.
    if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(pEvent);
}
