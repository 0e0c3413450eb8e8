// A ruler beside the canvas view, counting cells along one axis: a tick at
// every cell border, a longer one at every second, and a full line with the
// cell count at every tenth. It scrolls and zooms with the view, and a black
// line marks where the mouse is. The ticks and numbers are drawn once into a
// picture of the ruler's size; painting only copies it, so the mouse line
// costs two one-pixel strips per move. A click names a place along it, where
// the window puts a mirror axis.
#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QWidget>

class CArtView;

class CRulerView : public QWidget {
    Q_OBJECT

public:
    static constexpr int VERTICAL = 0;
    static constexpr int HORIZONTAL = 1;

    // The modes of Update, as the canvas view sends them.
    static constexpr int MODE_VSCROLL = 1;
    static constexpr int MODE_HSCROLL = 2;
    static constexpr int MODE_MOUSE = 3;
    static constexpr int MODE_LAYOUT = 4;

    explicit CRulerView(QWidget* pParent = nullptr);

    void SetOrientation(int nOrientation);
    int Orientation() const { return m_nOrientation; }
    bool IsHorizontal() const { return m_nOrientation == HORIZONTAL; }

    // The view whose cell width (horizontal) or height (vertical) sets the
    // tick spacing; read at every rebuild, so a zoom needs only MODE_LAYOUT.
    void SetView(const CArtView* pView) { m_pView = pView; }

    // Stores the scroll position, canvas size and scale, then: MODE_MOUSE
    // moves the mouse line; the scroll along this ruler's axis rebuilds the
    // picture and paints it at once; MODE_LAYOUT rebuilds and invalidates.
    // Mouse positions are the view's client pixels.
    void Update(int nMode, int nScrollX, int nScrollY, int nMouseX, int nMouseY, int nCanvasW,
                int nCanvasH, double dScale = 1.0);

    const QImage& Picture() const { return m_imgPicture; }
    const QFont& NumberFont() const { return m_font; }
    bool IsMouseLineShown() const { return m_bMouseShown; }
    // The last mouse x (horizontal) or y (vertical) the line was put at.
    int MouseLinePos() const { return m_nLastMouse; }

    QSize sizeHint() const override;

signals:
    // A left click: the nearest cell border or cell middle along this ruler,
    // in half cells from the canvas' edge (a mirror axis' place), kept
    // inside the canvas.
    void AxisPicked(int nHalfCells);

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    void Rebuild();
    void DrawTicks(QPainter& painter, int nStep, int nCellSize, int nOffset, bool bNumbered);
    void MoveMouseLine(int nPos);
    // The one-pixel strip the mouse line covers at a position.
    QRect MouseStrip(int nPos) const;

    const CArtView* m_pView = nullptr;
    int m_nOrientation = HORIZONTAL;
    int m_nScrollX = 0;
    int m_nScrollY = 0;
    int m_nCanvasW = 0;
    int m_nCanvasH = 0;
    double m_dScale = 1.0;
    int m_nExtent = 0; // canvas length along the axis at the current scale
    int m_nLastMouse = 0;
    bool m_bMouseShown = false;
    QFont m_font;
    QImage m_imgPicture;
};
