#include "panes/frame_strip.h"

#include "panes/frame_panel.h"
#include "res/command_ids.h"
#include "res/command_table.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Colours as 0x00BBGGRR values.
QColor FromRef(unsigned nRef)
{
    return QColor(static_cast<int>(nRef & 0xFF), static_cast<int>((nRef >> 8) & 0xFF),
                  static_cast<int>((nRef >> 16) & 0xFF));
}

const QColor STRIP_FILL = FromRef(0x00E8BA91);
const QColor STRIP_LIGHT = FromRef(0x00F4E6DB);
const QColor STRIP_SHADE = FromRef(0x00E0B18F);
const QColor LATCHED_FILL = FromRef(0x00EBCDB8);

constexpr int IMAGE_SIZE = 18;
constexpr int COUNTER_X = 200;
constexpr int COUNTER_Y = 4;
constexpr int HINT_X = 600; // where the hint sits when the strip is wide enough
constexpr int HINT_Y = 8;
constexpr int HINT_GAP = 12;

constexpr int BUTTON_STEP = 23;
const int BUTTON_COMMANDS[CFrameButtonStrip::BTN_LAST] = {
    gw::ID_PLAY, gw::ID_PAUSE, gw::ID_ADD_FRAME, gw::ID_DELETE_FRAME, gw::ID_DUPLICATE_FRAME, gw::ID_INSERT_FRAME,
    gw::ID_MOVE_FRAME_LEFT, gw::ID_MOVE_FRAME_RIGHT, gw::ID_UNDO_FRAME_CHANGE, gw::ID_REDO_FRAME_CHANGE};

// A rectangle edge: top and left in one colour, bottom and right in the other.
void Draw3dRect(QPainter& p, const QRect& rc, const QColor& crTopLeft, const QColor& crBottomRight)
{
    p.fillRect(rc.left(), rc.top(), rc.width() - 1, 1, crTopLeft);
    p.fillRect(rc.left(), rc.top(), 1, rc.height() - 1, crTopLeft);
    p.fillRect(rc.left() + 1, rc.bottom(), rc.width() - 1, 1, crBottomRight);
    p.fillRect(rc.right(), rc.top(), 1, rc.height(), crBottomRight);
}

QFont HintFont()
{
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

// Wide enough for the fullest counter.
QString WidestCounter()
{
    return QStringLiteral("Current Frame:99999/99999");
}

// Where the second group of buttons starts: past the widest counter.
int SecondGroupX()
{
    return COUNTER_X + QFontMetrics(QGuiApplication::font()).horizontalAdvance(WidestCounter()) + HINT_GAP;
}

// The area of each group of buttons, for the hover test.
QRect GroupRect(int nFirst, int nLast)
{
    return CFrameButtonStrip::ButtonRect(nFirst).united(CFrameButtonStrip::ButtonRect(nLast));
}

} // namespace

CFrameButtonStrip::CFrameButtonStrip(CFramePaneBar* pOwner) : QWidget(pOwner), m_pOwner(pOwner)
{
    setMouseTracking(true);
    for (std::size_t i = 0; i < m_aImages.size(); ++i) {
        const QIcon icon = gw::CommandIcon(BUTTON_COMMANDS[i]);
        m_aImages[i] = icon.pixmap(IMAGE_SIZE, IMAGE_SIZE);
        m_aDisabledImages[i] = icon.pixmap(QSize(IMAGE_SIZE, IMAGE_SIZE), QIcon::Disabled);
    }
    // The counter and the longest hint always fit beside the buttons.
    const QFontMetrics fm(HintFont());
    int nHintWidth = 0;
    for (int nId = BTN_NONE; nId <= BTN_LAST; ++nId) {
        nHintWidth = qMax(nHintWidth, fm.horizontalAdvance(HintText(nId)));
    }
    setMinimumWidth(ButtonRect(BTN_LAST).right() + HINT_GAP + nHintWidth + 4);
}

QRect CFrameButtonStrip::ButtonRect(int nId)
{
    if (nId < BTN_PLAY || nId > BTN_LAST) {
        return {};
    }
    if (nId <= BTN_DELETE) {
        return QRect(3 + (nId - 1) * BUTTON_STEP, 3, 20, 20);
    }
    return QRect(SecondGroupX() + (nId - BTN_DUPLICATE) * BUTTON_STEP, 3, 20, 20);
}

int CFrameButtonStrip::ButtonCommand(int nId)
{
    return nId >= BTN_PLAY && nId <= BTN_LAST ? BUTTON_COMMANDS[nId - 1] : 0;
}

bool CFrameButtonStrip::IsEnabled(int nId) const
{
    const IFramePanelHost* pHost = m_pOwner->Host();
    return nId <= BTN_DELETE || !pHost || pHost->CanRunFrameCommand(ButtonCommand(nId));
}

QString CFrameButtonStrip::HintText(int nId)
{
    switch (nId) {
    case BTN_PLAY:
        return QStringLiteral("Start");
    case BTN_PAUSE:
        return QStringLiteral("Pause");
    case BTN_ADD:
        return QStringLiteral("Add a frame");
    case BTN_DELETE:
        return QStringLiteral("Delete a frame");
    case BTN_DUPLICATE:
    case BTN_INSERT:
    case BTN_MOVE_LEFT:
    case BTN_MOVE_RIGHT:
    case BTN_UNDO_CHANGE:
    case BTN_REDO_CHANGE:
        return QString::fromLatin1(gw::FindCommand(ButtonCommand(nId))->pszTooltip);
    default:
        return QString(23, QLatin1Char(' '));
    }
}

QString CFrameButtonStrip::CounterText() const
{
    return QStringLiteral("Current Frame:%1/%2").arg(m_pOwner->m_nCurFrameNo).arg(m_pOwner->m_nFrameCount);
}

QRect CFrameButtonStrip::CounterRect() const
{
    const QFontMetrics fm(font());
    return QRect(COUNTER_X, COUNTER_Y, fm.horizontalAdvance(CounterText()) + 1, fm.height());
}

// The hint keeps its place at x 600 when the strip is wide enough; on a
// narrower strip it moves left, but never over the counter.
QRect CFrameButtonStrip::HintRect() const
{
    const QFontMetrics fm(HintFont());
    int nWidth = 0;
    for (int nId = BTN_NONE; nId <= BTN_LAST; ++nId) {
        nWidth = qMax(nWidth, fm.horizontalAdvance(HintText(nId)));
    }
    const int nMinX = qMax(CounterRect().right(), ButtonRect(BTN_LAST).right()) + HINT_GAP;
    const int nX = qMax(nMinX, qMin(HINT_X, width() - nWidth - 4));
    return QRect(nX, HINT_Y, nWidth, fm.height());
}

void CFrameButtonStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), STRIP_FILL);
    p.fillRect(0, 0, width(), 2, STRIP_LIGHT);
    for (int nId = BTN_PLAY; nId <= BTN_LAST; ++nId) {
        const QRect rc = ButtonRect(nId);
        const bool bLatched = nId == m_nLatched;
        if (nId == m_nPressed || bLatched) {
            Draw3dRect(p, rc, STRIP_SHADE, STRIP_LIGHT);
        } else if (nId == m_nHover) {
            Draw3dRect(p, rc, STRIP_LIGHT, STRIP_SHADE);
        }
        if (bLatched) {
            p.fillRect(rc.adjusted(1, 1, -1, -1), LATCHED_FILL);
        }
        const QPoint pt = rc.topLeft() + (bLatched ? QPoint(1, 1) : QPoint(0, 0));
        const auto& aImages = IsEnabled(nId) ? m_aImages : m_aDisabledImages;
        p.drawPixmap(pt, aImages[static_cast<std::size_t>(nId - 1)]);
    }
    p.setPen(Qt::black);
    p.drawText(CounterRect(), Qt::AlignLeft | Qt::AlignTop, CounterText());
    const QRect rcHint = HintRect();
    p.fillRect(rcHint, STRIP_FILL);
    p.setFont(HintFont());
    p.drawText(rcHint, Qt::AlignLeft | Qt::AlignTop, HintText(m_nHover));
}

void CFrameButtonStrip::OnMouseMove(QPoint pt)
{
    const QRect rcStrip(3, 3, 89, 20);
    m_nHover = BTN_NONE;
    if (rcStrip.contains(pt) || GroupRect(BTN_DUPLICATE, BTN_LAST).contains(pt)) {
        for (int nId = BTN_PLAY; nId <= BTN_LAST; ++nId) {
            if (ButtonRect(nId).contains(pt)) {
                m_nHover = nId;
                m_nHoverIndex = nId - 1;
            }
        }
        if (m_nHover == BTN_NONE) {
            m_nHoverIndex = -1;
        }
        m_bInside = true;
        if (m_nHoverIndex != m_nLastHoverIndex) {
            m_nLastHoverIndex = m_nHoverIndex;
        }
    } else if (m_bInside) {
        // Leaving the strip: a momentary button springs back.
        if (m_nPressed >= BTN_PAUSE) {
            m_nLatched = BTN_NONE;
        }
        m_nPressed = BTN_NONE;
        m_nHoverIndex = -1;
        m_nLastHoverIndex = -1;
        m_bInside = false;
    }
    update(); // the buttons and the hint
}

void CFrameButtonStrip::mouseMoveEvent(QMouseEvent* pEvent)
{
    OnMouseMove(pEvent->position().toPoint());
    QWidget::mouseMoveEvent(pEvent);
}

void CFrameButtonStrip::leaveEvent(QEvent* pEvent)
{
    OnMouseMove(QPoint(-1, -1));
    QWidget::leaveEvent(pEvent);
}

void CFrameButtonStrip::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(pEvent);
        return;
    }
    const QPoint pt = pEvent->position().toPoint();
    for (int nId = BTN_PLAY; nId <= BTN_LAST; ++nId) {
        if (!ButtonRect(nId).contains(pt) || !IsEnabled(nId)) {
            continue;
        }
        m_nPressed = m_nPressed == nId ? BTN_NONE : nId;
        m_nLatched = m_nLatched == nId ? BTN_NONE : nId;
        IFramePanelHost* pHost = m_pOwner->Host();
        // Play toggles with Pause; the others run their own command (none for 0).
        const int nCommand = m_nPressed == BTN_PLAY ? (m_nLatched == BTN_PLAY ? gw::ID_PLAY : gw::ID_PAUSE)
                                                    : ButtonCommand(m_nPressed);
        if (pHost && nCommand != 0) {
            pHost->RunFrameCommand(nCommand);
        }
    }
    update();
    QWidget::mousePressEvent(pEvent);
}

void CFrameButtonStrip::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton) {
        if (m_nPressed >= BTN_PAUSE) {
            m_nLatched = BTN_NONE;
            update();
        }
        m_nPressed = BTN_NONE;
    }
    QWidget::mouseReleaseEvent(pEvent);
}
