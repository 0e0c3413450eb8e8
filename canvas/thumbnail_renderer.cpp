#include "canvas/thumbnail_renderer.h"

#include "canvas/canvas_color.h"
#include "canvas/glyph_cache.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

namespace {
// The image text that carries the picture's size, so the frame panel can
// highlight the picture rather than the whole square.
const QString PICTURE_KEY = QStringLiteral("GWPicture");
} // namespace

void CThumbnailRenderer::SetFont(const QFont& font, QSize szCell)
{
    if (font == m_font && szCell == m_szCell && m_bMeasured)
        return;
    m_font = font;
    m_szCell = szCell.expandedTo({1, 1});
    m_bMeasured = false;
}

// Draws every printable glyph white on black once, the way the canvas draws
// it, and keeps how much of the cell each channel covers.
void CThumbnailRenderer::MeasureInk()
{
    const int nW = m_szCell.width();
    const int nH = m_szCell.height();
    QImage img(nW, nH, QImage::Format_RGB32);
    const int nAscent = QFontMetrics(m_font).ascent();
    const qint64 nArea = qint64(nW) * nH;
    for (int ch = 0; ch < 256; ++ch) {
        m_aInk[static_cast<std::size_t>(ch)] = {0, 0, 0};
        if (ch <= ' ' || ch == 0x7F)
            continue;
        img.fill(Qt::black);
        QPainter painter(&img);
        painter.setFont(m_font);
        painter.setPen(Qt::white);
        painter.drawText(0, nAscent, QString(QChar(Cp1252ToUnicode(static_cast<uint8_t>(ch)))));
        painter.end();
        qint64 aSum[3] = {0, 0, 0};
        for (int y = 0; y < nH; ++y) {
            const auto* pRow = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < nW; ++x) {
                aSum[0] += qRed(pRow[x]);
                aSum[1] += qGreen(pRow[x]);
                aSum[2] += qBlue(pRow[x]);
            }
        }
        for (int c = 0; c < 3; ++c)
            m_aInk[static_cast<std::size_t>(ch)][static_cast<std::size_t>(c)] =
                static_cast<uint16_t>(aSum[c] * 256 / (255 * nArea));
    }
    m_bMeasured = true;
}

QImage CThumbnailRenderer::Render(const CharCell* pCells, int nRows, int nCols, COLORREF crBack)
{
    QImage imgThumb(THUMB_SIZE, THUMB_SIZE, QImage::Format_RGB32);
    imgThumb.fill(ColorRefToRgb(CR_SURROUND));
    if (!pCells || nRows <= 0 || nCols <= 0)
        return imgThumb;
    if (!m_bMeasured)
        MeasureInk();

    const QRgb rgbBack = ColorRefToRgb(crBack);
    const int aBack[3] = {qRed(rgbBack), qGreen(rgbBack), qBlue(rgbBack)};
    QImage imgCells(nCols, nRows, QImage::Format_RGB32);
    for (int r = 0; r < nRows; ++r) {
        auto* pRow = reinterpret_cast<QRgb*>(imgCells.scanLine(r));
        const CharCell* pCell = pCells + std::size_t(r) * std::size_t(nCols);
        for (int c = 0; c < nCols; ++c, ++pCell) {
            const auto& aInk = m_aInk[pCell->chChar];
            const QRgb rgbText = ColorRefToRgb(pCell->crColor);
            const int aText[3] = {qRed(rgbText), qGreen(rgbText), qBlue(rgbText)};
            int aOut[3];
            for (int k = 0; k < 3; ++k)
                aOut[k] = aBack[k] + (((aText[k] - aBack[k]) * aInk[static_cast<std::size_t>(k)]) >> 8);
            pRow[c] = qRgb(aOut[0], aOut[1], aOut[2]);
        }
    }
    // The picture keeps the canvas's proportions: the real ratio times 64,
    // truncated, as the canvas itself would scale.
    const qint64 nW = qint64(nCols) * m_szCell.width();
    const qint64 nH = qint64(nRows) * m_szCell.height();
    const QSize szPicture = nW < nH ? QSize(static_cast<int>(nW * THUMB_SIZE / nH), THUMB_SIZE)
                                    : QSize(THUMB_SIZE, static_cast<int>(nH * THUMB_SIZE / nW));
    if (szPicture.isEmpty())
        return imgThumb;
    QPainter painter(&imgThumb);
    painter.drawImage(QPoint(0, 0), imgCells.scaled(szPicture, Qt::IgnoreAspectRatio,
                                                    Qt::SmoothTransformation));
    painter.end();
    imgThumb.setText(PICTURE_KEY, QStringLiteral("%1x%2").arg(szPicture.width()).arg(szPicture.height()));
    return imgThumb;
}

QSize CThumbnailRenderer::PictureSize(const QImage& img)
{
    const QStringList vParts = img.text(PICTURE_KEY).split(QLatin1Char('x'));
    const QSize sz = vParts.size() == 2 ? QSize(vParts[0].toInt(), vParts[1].toInt()) : QSize();
    return sz.isEmpty() ? img.size() : sz.boundedTo(img.size());
}
