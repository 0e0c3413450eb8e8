// The character picker: a docked pane offering the 95 printable ASCII
// characters (32 to 126) as a grid of small squares. A left click chooses the
// left-button drawing character, a right click the right-button one; a corner
// indicator shows both. The pane keeps the two characters across runs in the
// "GWChar" settings and tells its host whenever one changes, so the canvas
// view can copy it without the panes level knowing the main window.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <array>

// The window that hosts the picker; told which button's character changed.
class ICharPickerHost {
public:
    enum EButton { CHAR_LEFT = 1, CHAR_RIGHT = 2 };
    virtual void CharChanged(int which) = 0;

protected:
    ~ICharPickerHost() = default;
};

// One square of the grid: its character and, after the last repaint, its
// rectangle in client pixels (empty when the layout had no place for it).
struct CCharCell {
    unsigned char ch = 0;
    QRect rc;
};

class CCharPaneView : public QWidget {
    Q_OBJECT

public:
    static constexpr int CHAR_COUNT = 95;
    static constexpr int FIRST_CHAR = 32;
    using CellArray = std::array<CCharCell, CHAR_COUNT>;

    // Reads "LTCHAR" and "RTCHAR" (section "GWChar"); pHost may be null.
    explicit CCharPaneView(ICharPickerHost* pHost, QWidget* pParent = nullptr);
    // Writes both characters back.
    ~CCharPaneView() override;
    CCharPaneView(const CCharPaneView&) = delete;
    CCharPaneView& operator=(const CCharPaneView&) = delete;

    // The grid for a client width of nWidth pixels: columns (at least 4) and
    // rows, and each character's square, the indicator's corner left free.
    static int GridColumns(int nWidth);
    static int GridRows(int nWidth);
    static CellArray LayoutCells(int nWidth);
    // The height the grid needs at a width, down to the last row.
    int heightForWidth(int nWidth) const override;

    // Draws the whole pane into the off-screen picture from the current
    // width (the squares are laid out again) and schedules its copy.
    void RepaintPane();
    // Index of the square holding pt in the last repaint, or -1.
    int HitTest(const QPoint& pt) const;

    const CellArray& Cells() const { return m_cells; }
    const QImage& Picture() const { return m_imgMem; }

    unsigned char m_chPickLeft = ' ';
    unsigned char m_chPickRight = ' ';

    // Writes both characters to the settings; each change does, so a crash
    // does not lose them.
    void WritePickSettings() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;

private:
    ICharPickerHost* m_pHost = nullptr;
    QFont m_font;
    QImage m_imgMem;
    CellArray m_cells;
    int m_bReady = 0;
    QColor m_crFill{0xFF, 0xFF, 0xFF};
    QColor m_crPen{0xFF, 0x00, 0x00};
};

// The docked bar's content: the view, as wide as the bar and scrolled up and
// down when the bar is too short for every row.
class CCharPaneBar : public QWidget {
    Q_OBJECT

public:
    explicit CCharPaneBar(ICharPickerHost* pHost, QWidget* pParent = nullptr);

    CCharPaneView* View() const { return m_pView; }
    QSize sizeHint() const override { return {181, 250}; }

private:
    CCharPaneView* m_pView = nullptr;
};
