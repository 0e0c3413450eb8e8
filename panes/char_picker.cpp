#include "panes/char_picker.h"

#include "canvas/glyph_cache.h"
#include "ui/settings_value.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QSettings>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString SECTION = QStringLiteral("GWChar");
constexpr unsigned char DEFAULT_CHAR = ' ';

constexpr int MARGIN = 4;
constexpr int PITCH = 18;
constexpr int SQUARE = 17;
constexpr int MIN_COLUMNS = 4;
// Enough positions for the 95 characters plus the four under the indicator.
constexpr int MIN_POSITIONS = 99;
// Squares whose top-left corner lies in here are under the indicator.
const QRect INDICATOR_CORNER(4, 4, 36, 36);

QSettings AppSettings()
{
    return QSettings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
}

// The picker offers only printable ASCII: any other stored byte was not
// written by it, and a control character would end up in the drawing's cells
// (and break its text export), so it counts as absent.
unsigned char ReadPickChar(QSettings& settings, const QString& strName)
{
    const quint8 ch = ReadSettingU8(settings, SECTION, strName, DEFAULT_CHAR);
    const bool bPrintable = ch >= CCharPaneView::FIRST_CHAR &&
                            ch < CCharPaneView::FIRST_CHAR + CCharPaneView::CHAR_COUNT;
    return bPrintable ? ch : DEFAULT_CHAR;
}

QFont PickerFont()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setWeight(QFont::Normal);
    font.setPixelSize(12);
    font.setKerning(false);
    // A substitute font may run taller: shrink it until ascent and descent
    // fit inside a square's outline, so no glyph loses its top or its foot.
    while (font.pixelSize() > 6) {
        const QFontMetrics fm(font);
        if (fm.ascent() + fm.descent() <= SQUARE - 2)
            break;
        font.setPixelSize(font.pixelSize() - 1);
    }
    return font;
}

// A Windows-style rectangle (right and bottom excluded) as the outline
// QPainter draws one pixel inside those edges.
QRect Outline(int nLeft, int nTop, int nRight, int nBottom)
{
    return QRect(nLeft, nTop, nRight - nLeft - 1, nBottom - nTop - 1);
}

} // namespace

CCharPaneView::CCharPaneView(ICharPickerHost* pHost, QWidget* pParent)
    : QWidget(pParent), m_pHost(pHost), m_font(PickerFont())
{
    QSettings settings = AppSettings();
    m_chPickLeft = ReadPickChar(settings, QStringLiteral("LTCHAR"));
    m_chPickRight = ReadPickChar(settings, QStringLiteral("RTCHAR"));

    setAttribute(Qt::WA_OpaquePaintEvent);
    // In the bar's scroll area the height follows the width (heightForWidth).
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    for (int i = 0; i < CHAR_COUNT; ++i) {
        m_cells[i].ch = static_cast<unsigned char>(FIRST_CHAR + i);
    }
    RepaintPane();
    m_bReady = 1;
}

CCharPaneView::~CCharPaneView()
{
    WritePickSettings();
}

void CCharPaneView::WritePickSettings() const
{
    QSettings settings = AppSettings();
    WriteSettingU8(settings, SECTION, QStringLiteral("LTCHAR"), m_chPickLeft);
    WriteSettingU8(settings, SECTION, QStringLiteral("RTCHAR"), m_chPickRight);
    settings.sync();
}

int CCharPaneView::GridColumns(int nWidth)
{
    return std::max(MIN_COLUMNS, (nWidth - 8) / PITCH);
}

int CCharPaneView::GridRows(int nWidth)
{
    return MIN_POSITIONS / GridColumns(nWidth) + 1;
}

CCharPaneView::CellArray CCharPaneView::LayoutCells(int nWidth)
{
    CellArray cells;
    const int nCols = GridColumns(nWidth);
    const int nRows = GridRows(nWidth);
    int nNext = 0;
    for (int r = 0; r < nRows && nNext < CHAR_COUNT; ++r) {
        for (int c = 0; c < nCols && nNext < CHAR_COUNT; ++c) {
            const QRect rc(MARGIN + PITCH * c, MARGIN + PITCH * r, SQUARE, SQUARE);
            if (INDICATOR_CORNER.contains(rc.topLeft()))
                continue;
            cells[nNext].ch = static_cast<unsigned char>(FIRST_CHAR + nNext);
            cells[nNext].rc = rc;
            ++nNext;
        }
    }
    return cells;
}

int CCharPaneView::heightForWidth(int nWidth) const
{
    return LayoutCells(nWidth).back().rc.bottom() + 1 + MARGIN;
}

void CCharPaneView::RepaintPane()
{
    const CellArray layout = LayoutCells(width());
    for (int i = 0; i < CHAR_COUNT; ++i) {
        m_cells[i].rc = layout[i].rc;
    }

    m_imgMem = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_imgMem.fill(QColor(0xAA, 0xAA, 0xAA));
    QPainter painter(&m_imgMem);
    painter.setPen(QPen(m_crPen, 1));
    painter.setBrush(m_crFill);
    painter.setBackground(m_crFill);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setFont(m_font);
    // rcFrame is the outline as drawn. The glyph and its opaque background
    // are clipped to the inside, so a tall font cannot notch the frame. The
    // baseline centres the font's ascent and descent in that inside, so the
    // low glyphs (the underscore) stay whole.
    const QFontMetrics fm(m_font);
    const auto drawChar = [&painter, &fm](const QRect& rcFrame, int nX, unsigned char ch) {
        const QRect rcInside = rcFrame.adjusted(1, 1, -1, -1);
        const int nBaseline =
            rcInside.top() + (rcInside.height() - fm.ascent() - fm.descent()) / 2 + fm.ascent();
        // Text pen: the squares keep their red outline, the glyphs are black.
        painter.save();
        painter.setClipRect(rcInside);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(nX, nBaseline), QString(QChar(Cp1252ToUnicode(ch))));
        painter.restore();
    };

    // The indicator: the left square is drawn last, over the right one.
    painter.drawRect(Outline(4, 4, 39, 39));
    const QRect rcRight = Outline(20, 20, 37, 37);
    painter.drawRect(rcRight);
    drawChar(rcRight.adjusted(0, 0, 1, 1), 25, m_chPickRight);
    const QRect rcLeft = Outline(7, 7, 24, 24);
    painter.drawRect(rcLeft);
    drawChar(rcLeft.adjusted(0, 0, 1, 1), 12, m_chPickLeft);

    for (const CCharCell& cell : m_cells) {
        if (cell.rc.isEmpty())
            continue;
        painter.drawRect(cell.rc.adjusted(0, 0, -1, -1));
        drawChar(cell.rc, cell.rc.left() + 5, cell.ch);
    }
    painter.end();
    update();
}

int CCharPaneView::HitTest(const QPoint& pt) const
{
    for (int i = 0; i < CHAR_COUNT; ++i) {
        if (m_cells[i].rc.contains(pt))
            return i;
    }
    return -1;
}

void CCharPaneView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xAA, 0xAA, 0xAA));
    painter.drawImage(0, 0, m_imgMem);
}

void CCharPaneView::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    if (m_bReady)
        RepaintPane();
}

void CCharPaneView::mousePressEvent(QMouseEvent* pEvent)
{
    const Qt::MouseButton button = pEvent->button();
    if (button != Qt::LeftButton && button != Qt::RightButton) {
        QWidget::mousePressEvent(pEvent);
        return;
    }
    const int nIndex = HitTest(pEvent->position().toPoint());
    if (nIndex < 0)
        return;
    const bool bLeft = button == Qt::LeftButton;
    (bLeft ? m_chPickLeft : m_chPickRight) = m_cells[nIndex].ch;
    WritePickSettings();
    RepaintPane();
    if (m_pHost)
        m_pHost->CharChanged(bLeft ? ICharPickerHost::CHAR_LEFT : ICharPickerHost::CHAR_RIGHT);
}

CCharPaneBar::CCharPaneBar(ICharPickerHost* pHost, QWidget* pParent) : QWidget(pParent)
{
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    auto* pScroll = new QScrollArea(this);
    pScroll->setFrameShape(QFrame::NoFrame);
    pScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The grid is laid out from the view's width, which follows the bar's;
    // its height (heightForWidth) is what scrolls.
    pScroll->setWidgetResizable(true);
    m_pView = new CCharPaneView(pHost);
    m_pView->setObjectName(QStringLiteral("Character Picker"));
    pScroll->setWidget(m_pView);
    pLayout->addWidget(pScroll);
    setMinimumSize(QSize(181, 250) / 4);
}
