// The strip of four buttons (play, pause, add, delete) under the frame list,
// with the current position and the frame count beside them, a second group
// of six for the newer frame commands (duplicate, insert, move left and
// right, undo and redo a frame change) after the counter, and a hint for the
// button under the mouse. Play works as a toggle that stays drawn down while
// playing; the others act on press and spring back. A button whose command
// cannot run now is drawn greyed and does nothing.
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
    static constexpr int BTN_DUPLICATE = 5;
    static constexpr int BTN_INSERT = 6;
    static constexpr int BTN_MOVE_LEFT = 7;
    static constexpr int BTN_MOVE_RIGHT = 8;
    static constexpr int BTN_UNDO_CHANGE = 9;
    static constexpr int BTN_REDO_CHANGE = 10;
    static constexpr int BTN_LAST = BTN_REDO_CHANGE;

    explicit CFrameButtonStrip(CFramePaneBar* pOwner);

    int Latched() const { return m_nLatched; }
    void SetLatched(int nId) { m_nLatched = nId; }
    int Pressed() const { return m_nPressed; }
    int Hover() const { return m_nHover; }
    // The rectangle of a button id (1 to BTN_LAST); the second group sits
    // after the widest counter in the application's font.
    static QRect ButtonRect(int nId);
    // The command a button id runs (ID_PLAY for Play); 0 for none.
    static int ButtonCommand(int nId);
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
    bool IsEnabled(int nId) const;

    CFramePaneBar* m_pOwner;
    std::array<QPixmap, BTN_LAST> m_aImages;
    std::array<QPixmap, BTN_LAST> m_aDisabledImages;
    int m_nHover = 0;
    int m_nPressed = 0;
    int m_nLatched = 0;
    int m_nHoverIndex = -1;
    int m_nLastHoverIndex = -1;
    bool m_bInside = false;
};
