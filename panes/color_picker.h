// The colour picker: a docked pane with a palette of 60 swatches, 48 fixed
// colours and 12 of the user's own, which a right click edits through the
// colour dialog. A combo box says what the chosen swatch colours when "Set"
// is pressed: the character colour, the canvas background, the floating
// block or the cell at the type tool's caret. The own colours are shared by
// the whole process and kept in the "Custom Colors" settings across runs.
#pragma once

#include "core/char_cell.h"

#include <QRect>
#include <QWidget>

#include <functional>

class CArtView;
class CRulerCornerView;
class QComboBox;
class QGroupBox;
class QPushButton;

class CColorPickerView : public QWidget {
    Q_OBJECT

public:
    static constexpr int SWATCH_COUNT = 60;
    static constexpr int FIRST_CUSTOM = 48;
    static constexpr int CUSTOM_COUNT = 12;
    // The combo box's entries, in list order.
    enum ETarget { SET_FONT = 0, SET_BACK = 1, SET_REGION = 2, SET_CARET = 3 };

    // Reads the own colours into the shared palette.
    explicit CColorPickerView(QWidget* pParent = nullptr);
    // Writes the own colours back.
    ~CColorPickerView() override;
    CColorPickerView(const CColorPickerView&) = delete;
    CColorPickerView& operator=(const CColorPickerView&) = delete;

    // What "Set" colours; either may be null, and that part is skipped.
    void SetTargets(CArtView* pView, CRulerCornerView* pCorner);

    // The shared palette's entry (0x00BBGGRR); 0 outside 0..59.
    static COLORREF PaletteColor(int nIndex);
    // Swatch i sits in column i / 6, row i % 6, 16 x 16 pixels on a 17 pitch.
    static QRect SwatchRect(int nIndex);
    // Selects the swatch under pt, moving the marker; false outside the
    // palette. A point on the gap left of or above a swatch belongs to it.
    bool HitTest(const QPoint& pt);
    // The tooltip text over pt, empty away from every swatch.
    QString ToolTipAt(const QPoint& pt) const;

    // The "Set" button: applies the selected swatch to the combo's target.
    void OnSet();

    QComboBox* Combo() const { return m_pCombo; }
    QPushButton* SetButton() const { return m_pSetButton; }
    QSize sizeHint() const override;
    // The palette and the "Set" group, without the hint below them.
    QSize minimumSizeHint() const override;

    // Stands in for the colour dialog when set (tests): called with the
    // initial colour in crChosen, it returns false for Cancel.
    using ColorDialogFn = std::function<bool(QWidget*, COLORREF& crChosen)>;
    static ColorDialogFn* ColorDialogHook();

    int m_nSel = -1;
    QRect m_rcSel;
    unsigned char m_bTracking = 0;

protected:
    bool event(QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    static void WriteCustomColors();
    // The right-click dialog for own swatch m_nSel.
    void ChooseCustomColor();
    // Repaints the marker at once, with the corner pixels it sets outside m_rcSel.
    void RepaintMarker();

    CArtView* m_pView = nullptr;
    CRulerCornerView* m_pCorner = nullptr;
    QGroupBox* m_pGroup = nullptr;
    QComboBox* m_pCombo = nullptr;
    QPushButton* m_pSetButton = nullptr;
};

// The docked bar's content: the picker, filling it, in a scroll area that
// keeps the palette and the "Set" group in view.
class CColorPaneBar : public QWidget {
    Q_OBJECT

public:
    explicit CColorPaneBar(QWidget* pParent = nullptr);

    CColorPickerView* View() const { return m_pView; }
    QSize sizeHint() const override;

private:
    CColorPickerView* m_pView = nullptr;
};
