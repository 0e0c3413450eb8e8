// "Image Convert": the user opens a picture, adjusts brightness, contrast
// and saturation while a 200 x 200 thumbnail shows the result, chooses a
// character ramp (or Auto, or one custom character) and colour or grey, and
// converts the picture into the current frame from its top-left cell, as one
// undo step. The sampling itself is the core's ConvertImage. A picture of
// several frames (an animated GIF or WebP) can be converted whole: "All
// frames" turns each of its frames into a frame of the drawing.
#pragma once

#include "core/image_convert.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <functional>

class CArtView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;

// What "All frames" needs from the window around the dialog.
struct SConvertFrameHooks {
    // How many frames the drawing can still take.
    std::function<int()> fnFrameRoom;
    // A blank frame after the current one, made current in the view; false,
    // after telling the user why, when none can be added.
    std::function<bool()> fnAppendFrame;
};

class CImageConvertDlg : public QDialog {
    Q_OBJECT

public:
    // pView receives the cells; it may be null for a dialog that only previews.
    explicit CImageConvertDlg(CArtView* pView, QWidget* pParent = nullptr);

    // "Open": asks for a file (through the file dialog hook in tests).
    void OnOpen();
    // Decodes strPath; on failure tells the user why and keeps the picture
    // opened before. True when the picture was opened.
    bool OpenConvertImage(const QString& strPath);
    // The thumbnail through the current matrix, in grey mode the grey one;
    // nothing without a picture.
    void UpdateThumbnail();
    // "Convert": checks, converts into the view as one undo step, closes
    // the dialog with the OK result.
    void ConvertImage();
    // "Restore": the three sliders back to their starting positions.
    void OnRestore();
    // Without hooks (no drawing to add frames to) "All frames" stays off.
    void SetFrameHooks(SConvertFrameHooks hooks);
    // Cancel while every frame is converted stops after the frame under way,
    // keeping the frames done; otherwise it closes the dialog.
    void reject() override;

    const QImage& Thumbnail() const { return m_imgThumb; }
    const QImage& Picture() const { return m_imgPicture; }
    CImageConvertParams Params() const;

    QPushButton* OpenButton() const { return m_pOpen; }
    QPushButton* ConvertButton() const { return m_pConvert; }
    QPushButton* RestoreButton() const { return m_pRestore; }
    QSlider* BrightnessSlider() const { return m_pBrightness; }
    QSlider* ContrastSlider() const { return m_pContrast; }
    QSlider* SaturationSlider() const { return m_pSaturation; }
    QLineEdit* ValueText(int nSlider) const { return m_pValueTexts[nSlider]; }
    QSpinBox* WidthSpin() const { return m_pWidth; }
    QComboBox* CharSetCombo() const { return m_pCharSet; }
    QComboBox* CustomCombo() const { return m_pCustomChar; }
    QCheckBox* AutoCheck() const { return m_pAuto; }
    QCheckBox* CustomCheck() const { return m_pCustom; }
    QRadioButton* ColorRadio() const { return m_pColor; }
    QRadioButton* GrayRadio() const { return m_pGray; }
    QProgressBar* Progress() const { return m_pProgress; }
    QCheckBox* AllFramesCheck() const { return m_pAllFrames; }
    QLabel* FrameCountLabel() const { return m_pFrameCount; }
    QPushButton* CancelButton() const { return m_pCancel; }
    QLineEdit* PathEdit() const { return m_pPath; }

    // The dialog's state, as the controls last set it.
    QString m_strImagePath;
    unsigned m_nConvertWidth = 64;
    int m_nColorMode = 0; // 0 "Color image", 1 "Gray scale"
    float m_fBrightness = 0.0f;
    float m_fContrast = 1.0f;
    float m_fSaturation = 1.0f;
    int m_bAuto = 0;
    int m_bCustom = 0;
    int m_bImageLoaded = 0;
    int m_nPictureFrames = 1;
    // After "All frames": the frame interval, in tenths, the user agreed to
    // take from the picture's own delays; 0 when none.
    int m_nNewInterval = 0;
    // Asks a yes-or-no question; tests answer it themselves.
    std::function<bool(const QString&)> m_fnAsk;
    // Called after each frame of "All frames" is converted (tests cancel there).
    std::function<void(int nFrame)> m_fnFrameDone;

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    void OnSliderMoved();
    void OnAutoClicked();
    void OnColorClicked();
    void OnGrayClicked();
    void OnCustomClicked();
    void PrintValueTexts();
    void ConvertInto(const QImage& image, const std::function<void(int)>& fnPercent);
    // Every frame of the picture, the first into the current frame; false
    // when the picture could not be read again (the user was told).
    bool ConvertAllFrames();
    bool Ask(const QString& strQuestion);

    CArtView* m_pView = nullptr;
    QImage m_imgPicture; // RGBA8888, as decoded
    QImage m_imgSmall;   // the picture scaled once to at most 200 x 200
    QImage m_imgThumb;   // 200 x 200, through the matrix, as painted
    QWidget* m_pThumbView = nullptr;
    QLineEdit* m_pPath = nullptr;
    QSpinBox* m_pWidth = nullptr;
    QRadioButton* m_pColor = nullptr;
    QRadioButton* m_pGray = nullptr;
    QSlider* m_pBrightness = nullptr;
    QSlider* m_pContrast = nullptr;
    QSlider* m_pSaturation = nullptr;
    QLineEdit* m_pValueTexts[3] = {};
    QComboBox* m_pCharSet = nullptr;
    QComboBox* m_pCustomChar = nullptr;
    QCheckBox* m_pAuto = nullptr;
    QCheckBox* m_pCustom = nullptr;
    QPushButton* m_pOpen = nullptr;
    QPushButton* m_pRestore = nullptr;
    QPushButton* m_pConvert = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QCheckBox* m_pAllFrames = nullptr;
    QLabel* m_pFrameCount = nullptr;
    QPushButton* m_pCancel = nullptr;
    SConvertFrameHooks m_hooks;
    bool m_bConverting = false;
    bool m_bCancelled = false;
};
