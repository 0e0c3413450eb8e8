// The strip of four buttons (play, pause, add, delete) under the frame list,
// with the current position and the frame count beside them and a hint for
// the button under the mouse. Play works as a toggle that stays drawn down
// while playing; the other three act on press and spring back.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>

class CFramePaneBar;

class CFrameButtonStrip : public QWidget {
    Q_OBJECT
public:
    // Button ids: 1 play, 2 pause, 3 add, 4 delete; 0 is none.
    static constexpr int BTN_NONE = 0;
    static constexpr int BTN_PLAY = 1;
    static constexpr int BTN_PAUSE = 2;
    static constexpr int BTN_ADD = 3;
    static constexpr int BTN_DELETE = 4;

    explicit CFrameButtonStrip(CFramePaneBar* pOwner);

    int Latched() const { return m_nLatched; }
    void SetLatched(int nId) { m_nLatched = nId; }
    int Pressed() const { return m_nPressed; }
    int Hover() const { return m_nHover; }
    // The rectangle of a button id (1 to 4).
    static QRect ButtonRect(int nId);
    // The hint shown for a hovered button id; blank for none.
    static QString HintText(int nId);
    // Where the hint is drawn at the strip's present width.
    QRect HintRect() const;
    // Where the "Current Frame" counter is drawn.
    QRect CounterRect() const;
    QString CounterText() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;

private:
    void OnMouseMove(QPoint pt);

    CFramePaneBar* m_pOwner;
    std::array<QPixmap, 4> m_aImages;
    int m_nHover = 0;
    int m_nPressed = 0;
    int m_nLatched = 0;
    int m_nHoverIndex = -1;
    int m_nLastHoverIndex = -1;
    bool m_bInside = false;
};
