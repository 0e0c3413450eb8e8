#include "panes/color_picker.h"

#include "canvas/art_view.h"
#include "canvas/canvas_color.h"
#include "canvas/ruler_corner_view.h"
#include "res/app_strings.h"
#include "ui/dialog_colors.h"
#include "ui/settings_value.h"

#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QStyle>
#include <QToolTip>
#include <QVBoxLayout>

#include <array>
#include <cmath>
#include <initializer_list>

namespace {

const QString SECTION = QStringLiteral("Custom Colors");
constexpr COLORREF DEFAULT_CUSTOM = 0xFFFFFF;
constexpr int ROWS = 6;
constexpr int PITCH = 17;
constexpr int SWATCH = 16;
// Points inside this rectangle hit a swatch (right and bottom edges excluded).
const QRect PALETTE_AREA(1, 1, 168, 100);
// The "Set" group's top, in dialog units: just below the own colours' fence.
constexpr int GROUP_TOP = 73;
// The two lines of the own colours' hint, under the group (which ends at 168).
constexpr int HINT_TOP = 171;
constexpr int HINT_LINE = 13;

// Column by column: a grey ramp, then red, orange, yellow, green, cyan, blue
// and magenta from light to dark, then the user's own twelve.
// clang-format off
std::array<COLORREF, CColorPickerView::SWATCH_COUNT> s_palette = {
    0xFFFFFF, 0xE0E0E0, 0xC0C0C0, 0x808080, 0x404040, 0x000000,
    0xC0C0FF, 0x8080FF, 0x0000FF, 0x0000C0, 0x000080, 0x000040,
    0xC0E0FF, 0x80E0FF, 0x00C0FF, 0x0080FF, 0x004080, 0x404080,
    0xC0FFFF, 0x80FFFF, 0x00FFFF, 0x00C0C0, 0x008080, 0x004040,
    0xC0FFC0, 0x80FF80, 0x00FF00, 0x00C000, 0x008000, 0x004000,
    0xFFFFC0, 0xFFFF80, 0xFFFF00, 0xC0C000, 0x808000, 0x404000,
    0xFFC0C0, 0xFF8080, 0xFF0000, 0xC00000, 0x800000, 0x400000,
    0xFFC0FF, 0xFF80FF, 0xFF00FF, 0xC000C0, 0x800080, 0x400040,
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
};
// clang-format on

QSettings AppSettings()
{
    return QSettings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
}

QString CustomName(int i)
{
    return QStringLiteral("Color:%1").arg(i);
}

// The form's layout is given in dialog units of the dialog font.
int DluX(int n)
{
    return static_cast<int>(std::lround(n * 1.5));
}
int DluY(int n)
{
    return static_cast<int>(std::lround(n * 1.625));
}
QRect DluRect(int nX, int nY, int nW, int nH)
{
    return QRect(DluX(nX), DluY(nY), DluX(nW), DluY(nH));
}

// A dotted one-pixel path (3 on, 3 off) through axis-aligned points, each
// segment without its end point, the pattern running on from one to the next.
void DrawDottedPath(QPainter& painter, std::initializer_list<QPoint> points)
{
    int nStep = 0;
    const QPoint* pFrom = points.begin();
    for (const QPoint* pTo = pFrom + 1; pTo != points.end(); pFrom = pTo++) {
        const QPoint ptDir((pTo->x() > pFrom->x()) - (pTo->x() < pFrom->x()),
                           (pTo->y() > pFrom->y()) - (pTo->y() < pFrom->y()));
        for (QPoint pt = *pFrom; pt != *pTo; pt += ptDir, ++nStep) {
            if (nStep % 6 < 3)
                painter.drawPoint(pt);
        }
    }
}

// The swatch whose square holds pt (gaps excluded), or -1.
int SwatchAt(const QPoint& pt)
{
    for (int i = 0; i < CColorPickerView::SWATCH_COUNT; ++i) {
        if (CColorPickerView::SwatchRect(i).contains(pt))
            return i;
    }
    return -1;
}

} // namespace

CColorPickerView::CColorPickerView(QWidget* pParent) : QWidget(pParent)
{
    QSettings settings = AppSettings();
    // The high byte has no meaning in a colour: a stored one is masked off so
    // it never reaches a cell.
    for (int i = 0; i < CUSTOM_COUNT; ++i)
        s_palette[FIRST_CUSTOM + i] =
            ReadSettingU32(settings, SECTION, CustomName(i), DEFAULT_CUSTOM) & 0xFFFFFFu;

    // The "Set" group sits right under the palette and the hint under it, so
    // a short pane shows the swatches, the target and "Set" together.
    m_pGroup = new QGroupBox(QStringLiteral("SetColor"), this);
    m_pGroup->setGeometry(DluRect(2, GROUP_TOP, 106, 30));
    m_pCombo = new QComboBox(this);
    m_pCombo->setGeometry(DluRect(39, GROUP_TOP + 10, 64, 14));
    for (const char* pszEntry : gw::IDS_COLOR_TARGETS)
        m_pCombo->addItem(QString::fromLatin1(pszEntry));
    m_pCombo->setCurrentIndex(SET_FONT);
    m_pSetButton = new QPushButton(QStringLiteral("Set"), this);
    m_pSetButton->setGeometry(DluRect(7, GROUP_TOP + 10, 28, 14));
    connect(m_pSetButton, &QPushButton::clicked, this, &CColorPickerView::OnSet);
    ApplyDialogColors(this);
}

CColorPickerView::~CColorPickerView()
{
    WriteCustomColors();
}

// Also written at each change, so a crash does not lose them.
void CColorPickerView::WriteCustomColors()
{
    QSettings settings = AppSettings();
    for (int i = 0; i < CUSTOM_COUNT; ++i)
        WriteSettingU32(settings, SECTION, CustomName(i), s_palette[FIRST_CUSTOM + i]);
    settings.sync();
}

void CColorPickerView::SetTargets(CArtView* pView, CRulerCornerView* pCorner)
{
    m_pView = pView;
    m_pCorner = pCorner;
}

COLORREF CColorPickerView::PaletteColor(int nIndex)
{
    return nIndex >= 0 && nIndex < SWATCH_COUNT ? s_palette[nIndex] : 0;
}

QRect CColorPickerView::SwatchRect(int nIndex)
{
    return QRect(1 + PITCH * (nIndex / ROWS), 1 + PITCH * (nIndex % ROWS), SWATCH, SWATCH);
}

QSize CColorPickerView::sizeHint() const
{
    return {DluX(117), HINT_TOP + 2 * HINT_LINE + 4};
}

QSize CColorPickerView::minimumSizeHint() const
{
    // The fence's right edge, and the whole "Set" group.
    return {PALETTE_AREA.right() + 3, m_pGroup->geometry().bottom() + 2};
}

bool CColorPickerView::HitTest(const QPoint& pt)
{
    if (!PALETTE_AREA.contains(pt))
        return false;
    const int nIndex = pt.x() / PITCH * ROWS + pt.y() / PITCH;
    if (nIndex == m_nSel)
        return true;
    m_nSel = -1;
    RepaintMarker();
    m_nSel = nIndex;
    m_rcSel = SwatchRect(nIndex).adjusted(-1, -1, 1, 1);
    RepaintMarker();
    return true;
}

void CColorPickerView::RepaintMarker()
{
    // The grey corner pixels on the right and bottom lie one pixel outside
    // m_rcSel; without them in the area, a moved marker left them behind.
    if (!m_rcSel.isEmpty())
        repaint(m_rcSel.adjusted(0, 0, 1, 1));
}

QString CColorPickerView::ToolTipAt(const QPoint& pt) const
{
    const int nIndex = SwatchAt(pt);
    if (nIndex < 0)
        return {};
    const QColor col = ColorRefToQColor(s_palette[nIndex]);
    return QString::asprintf("RGB(%d,%d,%d)", col.red(), col.green(), col.blue());
}

bool CColorPickerView::event(QEvent* pEvent)
{
    if (pEvent->type() != QEvent::ToolTip)
        return QWidget::event(pEvent);
    // The text is made when the tip shows, so an own colour changed through
    // the dialog shows its new value.
    auto* pHelp = static_cast<QHelpEvent*>(pEvent);
    const int nIndex = SwatchAt(pHelp->pos());
    if (nIndex < 0) {
        QToolTip::hideText();
        pEvent->ignore();
        return true;
    }
    QToolTip::showText(pHelp->globalPos(), ToolTipAt(pHelp->pos()), this, SwatchRect(nIndex));
    return true;
}

void CColorPickerView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Qt::black);
    for (int i = 0; i < SWATCH_COUNT; ++i) {
        painter.setBrush(ColorRefToQColor(s_palette[i]));
        // A cosmetic pen's rectangle covers one pixel more each way.
        painter.drawRect(SwatchRect(i).adjusted(0, 0, -1, -1));
    }

    if (m_nSel != -1) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(Qt::white);
        painter.drawRect(m_rcSel.adjusted(0, 0, -1, -1));
        // Right and bottom are taken as the edges just past the frame.
        const int nLeft = m_rcSel.left();
        const int nTop = m_rcSel.top();
        const int nRight = nLeft + m_rcSel.width();
        const int nBottom = nTop + m_rcSel.height();
        painter.setPen(QColor(0x80, 0x80, 0x80));
        for (const QPoint& pt : {QPoint(nLeft, nTop), QPoint(nRight, nBottom), QPoint(nRight, nTop),
                                 QPoint(nLeft, nBottom)})
            painter.drawPoint(pt);
    }

    // The own colours' two columns are fenced off in blue.
    painter.setPen(QColor(0x00, 0x00, 0xFF));
    DrawDottedPath(painter, {QPoint(136, 0), QPoint(136, 116)});
    DrawDottedPath(painter, {QPoint(136, 0), QPoint(170, 0), QPoint(170, 106), QPoint(137, 106)});

    painter.setPen(Qt::white);
    const int nFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;
    painter.drawText(QRect(43, HINT_TOP, 0, 0), nFlags, QStringLiteral("Right click choose"));
    painter.drawText(QRect(43, HINT_TOP + HINT_LINE, 0, 0), nFlags, QStringLiteral("custom color"));
}

void CColorPickerView::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(pEvent);
        return;
    }
    // Qt holds the mouse for this widget until the release.
    m_bTracking = 1;
    HitTest(pEvent->position().toPoint());
}

void CColorPickerView::mouseReleaseEvent(QMouseEvent* pEvent)
{
    const QPoint pt = pEvent->position().toPoint();
    if (pEvent->button() == Qt::LeftButton) {
        m_bTracking = 0;
        HitTest(pt);
    } else if (pEvent->button() == Qt::RightButton) {
        if (HitTest(pt) && m_nSel >= FIRST_CUSTOM)
            ChooseCustomColor();
    } else {
        QWidget::mouseReleaseEvent(pEvent);
    }
}

CColorPickerView::ColorDialogFn* CColorPickerView::ColorDialogHook()
{
    static ColorDialogFn s_hook;
    return &s_hook;
}

void CColorPickerView::ChooseCustomColor()
{
    COLORREF crChosen = 0;
    bool bOk = false;
    if (ColorDialogFn* pHook = ColorDialogHook(); *pHook) {
        bOk = (*pHook)(this, crChosen);
    } else {
        // Qt's own dialog: it always shows its custom colour area.
        const QColor col = QColorDialog::getColor(QColor(0, 0, 0), this, QString(),
                                                  QColorDialog::DontUseNativeDialog);
        bOk = col.isValid();
        if (bOk)
            crChosen = RgbToColorRef(col.rgb());
    }
    if (!bOk)
        return;
    s_palette[m_nSel] = crChosen & 0xFFFFFFu;
    WriteCustomColors();
    RepaintMarker();
}

void CColorPickerView::OnSet()
{
    const int nTarget = m_pCombo->currentIndex();
    // Nothing chosen yet: there is no colour to set.
    if (nTarget < 0 || m_nSel < 0)
        return;
    const COLORREF col = s_palette[m_nSel];
    switch (nTarget) {
    case SET_FONT:
        if (m_pView)
            m_pView->SetTextColor(col);
        if (m_pCorner) {
            m_pCorner->SetTextColor(col);
            m_pCorner->update();
        }
        break;
    case SET_BACK:
        if (m_pView)
            m_pView->SetBackColor(col);
        if (m_pCorner) {
            m_pCorner->SetBackColor(col);
            m_pCorner->update();
        }
        if (m_pView)
            m_pView->Refresh(CArtView::REFRESH_ALL);
        break;
    case SET_REGION:
        if (m_pView)
            m_pView->ColourSelection(DrawingColor(col));
        break;
    case SET_CARET:
        if (m_pView)
            m_pView->ColourCaretCell(DrawingColor(col));
        break;
    default:
        break;
    }
}

CColorPaneBar::CColorPaneBar(QWidget* pParent) : QWidget(pParent)
{
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    // A bar shorter than the form (a small main window) scrolls rather than
    // hiding the Set button.
    auto* pScroll = new QScrollArea(this);
    pScroll->setFrameShape(QFrame::NoFrame);
    pScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pScroll->setWidgetResizable(true);
    m_pView = new CColorPickerView;
    m_pView->setObjectName(QStringLiteral("Color Picker"));
    m_pView->setMinimumSize(m_pView->minimumSizeHint().width(), m_pView->sizeHint().height());
    pScroll->setWidget(m_pView);
    pLayout->addWidget(pScroll);
    // Only the hint under the group may scroll away; the width keeps room for
    // the vertical scroll bar, so no own-colour column sits under it.
    const int nScrollBar =
        pScroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, pScroll);
    setMinimumSize(m_pView->minimumSizeHint() + QSize(nScrollBar, 0));
}

QSize CColorPaneBar::sizeHint() const
{
    return {minimumWidth(), m_pView->sizeHint().height()};
}
