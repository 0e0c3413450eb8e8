#include "panes/frame_list_model.h"

#include "canvas/thumbnail_renderer.h"

#include <QTimerEvent>

#include <algorithm>
#include <utility>

namespace {
constexpr quint32 NO_SOURCE = 0xFFFFFFFFu;
}

int CFrameListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_vRows.size());
}

QVariant CFrameListModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const SRow& row = m_vRows[static_cast<std::size_t>(index.row())];
    switch (nRole) {
    case Qt::DisplayRole:
        return row.strText;
    case Qt::DecorationRole: {
        // Only the drawn picture, so the current item's highlight hugs it.
        const int nImage = static_cast<int>(row.nData & 0xFFFF);
        const QPixmap& pm = Image(nImage);
        if (pm.isNull())
            return pm;
        const QSize sz = m_vPictureSizes[static_cast<std::size_t>(nImage)];
        return sz.isEmpty() || sz == pm.size() ? pm : pm.copy(QRect(QPoint(0, 0), sz));
    }
    case DATA_ROLE:
        return row.nData;
    default:
        return {};
    }
}

int CFrameListModel::AddImage(const QImage& img)
{
    m_vImages.push_back(QPixmap::fromImage(img));
    m_vPictureSizes.push_back(CThumbnailRenderer::PictureSize(img));
    m_vImageSource.push_back(NO_SOURCE);
    m_vPending.push_back(false);
    return ImageCount() - 1;
}

void CFrameListModel::DeferImage(int nImage, std::function<QImage()> fnMake)
{
    if (nImage < 0 || nImage >= ImageCount() || !fnMake)
        return;
    if (m_nDeferred != nImage)
        MakeDeferred(true);
    m_nDeferred = nImage;
    m_fnDeferred = std::move(fnMake);
    if (m_nDeferTimer == 0)
        m_nDeferTimer = startTimer(RENEW_DELAY_MS);
}

void CFrameListModel::MakeDeferred(bool bNotify) const
{
    if (m_nDeferred < 0)
        return;
    const int nImage = std::exchange(m_nDeferred, -1);
    const QImage img = std::exchange(m_fnDeferred, nullptr)();
    if (img.isNull() || nImage >= ImageCount())
        return;
    PutImage(nImage, img);
    if (bNotify)
        const_cast<CFrameListModel*>(this)->ImageChanged(nImage);
}

void CFrameListModel::timerEvent(QTimerEvent* pEvent)
{
    if (pEvent->timerId() != m_nDeferTimer) {
        QAbstractListModel::timerEvent(pEvent);
        return;
    }
    killTimer(m_nDeferTimer);
    m_nDeferTimer = 0;
    MakeDeferred(true);
}

void CFrameListModel::PutImage(int nImage, const QImage& img) const
{
    const auto n = static_cast<std::size_t>(nImage);
    if (m_vPending[n]) {
        m_vPending[n] = false;
        --m_nPending;
    }
    m_vImages[n] = QPixmap::fromImage(img);
    m_vPictureSizes[n] = CThumbnailRenderer::PictureSize(img);
}

void CFrameListModel::SetImage(int nImage, const QImage& img)
{
    if (nImage < 0 || nImage >= ImageCount())
        return;
    if (nImage == m_nDeferred) {
        // A picture given now replaces the one still to be made.
        m_nDeferred = -1;
        m_fnDeferred = nullptr;
    }
    PutImage(nImage, img);
    ImageChanged(nImage);
}

bool CFrameListModel::IsPending(int nImage) const
{
    return nImage >= 0 && nImage < ImageCount() && m_vPending[static_cast<std::size_t>(nImage)];
}

const QPixmap& CFrameListModel::Image(int nImage) const
{
    static const QPixmap empty;
    if (nImage < 0 || nImage >= ImageCount())
        return empty;
    if (nImage == m_nDeferred)
        MakeDeferred(false); // read now, so shown now: nobody needs telling
    const auto n = static_cast<std::size_t>(nImage);
    if (m_vPending[n] && m_fnSource && m_vImageSource[n] != NO_SOURCE) {
        const QImage img = m_fnSource(m_vImageSource[n]);
        m_vImages[n] = QPixmap::fromImage(img);
        m_vPictureSizes[n] = CThumbnailRenderer::PictureSize(img);
        m_vPending[n] = false;
        --m_nPending;
        m_dqMade.push_back(nImage);
        KeepWithinBudget();
    }
    return m_vImages[n];
}

// Drops the oldest images the source made, which it can make again.
void CFrameListModel::KeepWithinBudget() const
{
    while (MadeCount() > IMAGE_BUDGET && m_dqMade.size() > 1) {
        const auto n = static_cast<std::size_t>(m_dqMade.front());
        m_dqMade.pop_front();
        if (n < m_vImages.size() && !m_vPending[n] && m_vImageSource[n] != NO_SOURCE) {
            m_vImages[n] = QPixmap();
            m_vPending[n] = true;
            ++m_nPending;
        }
    }
}

void CFrameListModel::RenewImages()
{
    MakeDeferred(false);
    // Only images a row names: a deleted frame's image keeps a key the
    // document no longer has.
    for (const SRow& row : m_vRows) {
        const auto n = static_cast<std::size_t>(row.nData & 0xFFFF);
        if (n < m_vImages.size() && !m_vPending[n] && m_vImageSource[n] != NO_SOURCE) {
            m_vImages[n] = QPixmap();
            m_vPending[n] = true;
            ++m_nPending;
        }
    }
    std::erase_if(m_dqMade, [this](int n) { return m_vPending[static_cast<std::size_t>(n)]; });
    if (!m_vRows.empty())
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole});
}

int CFrameListModel::NextPending(int nFrom) const
{
    const int nCount = ImageCount();
    if (m_nPending == 0 || nCount == 0)
        return -1;
    nFrom = qBound(0, nFrom, nCount - 1);
    for (int i = 0; i < nCount; ++i) {
        const int n = (nFrom + i) % nCount;
        if (m_vPending[static_cast<std::size_t>(n)] && m_vImageSource[static_cast<std::size_t>(n)] != NO_SOURCE)
            return n;
    }
    return -1;
}

int CFrameListModel::AppendRow(quint32 nData, const QString& strText)
{
    const int nRow = rowCount();
    beginInsertRows({}, nRow, nRow);
    m_vRows.push_back({nData, strText});
    endInsertRows();
    return nRow;
}

void CFrameListModel::AppendPendingRows(const std::vector<quint32>& vData, const QString& strFormat)
{
    if (vData.empty())
        return;
    MakeDeferred(true);
    const int nFirst = rowCount();
    beginInsertRows({}, nFirst, nFirst + static_cast<int>(vData.size()) - 1);
    m_vRows.reserve(m_vRows.size() + vData.size());
    for (quint32 nData : vData) {
        m_vRows.push_back({nData, strFormat.arg(static_cast<int>(m_vRows.size()) + 1)});
        const auto nImage = static_cast<std::size_t>(nData & 0xFFFF);
        if (nImage >= m_vImages.size()) {
            m_vImages.resize(nImage + 1);
            m_vPictureSizes.resize(nImage + 1);
            m_vImageSource.resize(nImage + 1, NO_SOURCE);
            m_vPending.resize(nImage + 1, false);
        }
        if (!m_vPending[nImage]) {
            m_vPending[nImage] = true;
            ++m_nPending;
        }
        m_vImages[nImage] = QPixmap();
        m_vImageSource[nImage] = nData;
    }
    endInsertRows();
}

void CFrameListModel::RemoveRow(int nRow)
{
    if (nRow < 0 || nRow >= rowCount())
        return;
    MakeDeferred(true);
    beginRemoveRows({}, nRow, nRow);
    m_vRows.erase(m_vRows.begin() + nRow);
    endRemoveRows();
}

void CFrameListModel::MoveRow(int nFrom, int nTo, const QString& strFormat)
{
    const int nCount = rowCount();
    if (nFrom < 0 || nFrom >= nCount || nTo < 0 || nTo >= nCount || nFrom == nTo)
        return;
    // The rows between change their contents, not their number or size: a
    // change of data, which the view repaints, rather than a move of rows,
    // after which it lays out every item again (thousands in a long drawing).
    const auto itFrom = m_vRows.begin() + nFrom;
    const auto itTo = m_vRows.begin() + nTo;
    if (nFrom < nTo)
        std::rotate(itFrom, itFrom + 1, itTo + 1);
    else
        std::rotate(itTo, itFrom, itFrom + 1);
    const int nFirst = std::min(nFrom, nTo);
    const int nLast = std::max(nFrom, nTo);
    for (int i = nFirst; i <= nLast; ++i)
        m_vRows[static_cast<std::size_t>(i)].strText = strFormat.arg(i + 1);
    emit dataChanged(index(nFirst), index(nLast), {Qt::DisplayRole, Qt::DecorationRole});
}

void CFrameListModel::SetRows(const std::vector<quint32>& vData, const QString& strFormat)
{
    MakeDeferred(false);
    beginResetModel();
    m_vRows.clear();
    m_vRows.reserve(vData.size());
    for (quint32 nData : vData) {
        m_vRows.push_back({nData, strFormat.arg(static_cast<int>(m_vRows.size()) + 1)});
        const auto nImage = static_cast<std::size_t>(nData & 0xFFFF);
        if (nImage < m_vImageSource.size())
            m_vImageSource[nImage] = nData;
    }
    endResetModel();
}

void CFrameListModel::Clear()
{
    m_nDeferred = -1;
    m_fnDeferred = nullptr;
    beginResetModel();
    m_vRows.clear();
    m_vImages.clear();
    m_vPictureSizes.clear();
    m_vImageSource.clear();
    m_vPending.clear();
    m_dqMade.clear();
    m_nPending = 0;
    endResetModel();
}

quint32 CFrameListModel::RowData(int nRow) const
{
    return nRow >= 0 && nRow < rowCount() ? m_vRows[static_cast<std::size_t>(nRow)].nData : 0;
}

void CFrameListModel::SetRowData(int nRow, quint32 nData)
{
    if (nRow < 0 || nRow >= rowCount())
        return;
    m_vRows[static_cast<std::size_t>(nRow)].nData = nData;
    const auto nImage = static_cast<std::size_t>(nData & 0xFFFF);
    if (nImage < m_vImageSource.size())
        m_vImageSource[nImage] = nData;
    emit dataChanged(index(nRow), index(nRow));
}

QString CFrameListModel::RowText(int nRow) const
{
    return nRow >= 0 && nRow < rowCount() ? m_vRows[static_cast<std::size_t>(nRow)].strText : QString();
}

void CFrameListModel::SetRowText(int nRow, const QString& strText)
{
    if (nRow < 0 || nRow >= rowCount())
        return;
    m_vRows[static_cast<std::size_t>(nRow)].strText = strText;
    emit dataChanged(index(nRow), index(nRow), {Qt::DisplayRole});
}

void CFrameListModel::SetAllTexts(const QString& strFormat)
{
    for (std::size_t i = 0; i < m_vRows.size(); ++i)
        m_vRows[i].strText = strFormat.arg(static_cast<int>(i) + 1);
    if (!m_vRows.empty())
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DisplayRole});
}

void CFrameListModel::ImageChanged(int nImage)
{
    for (std::size_t i = 0; i < m_vRows.size(); ++i) {
        if (static_cast<int>(m_vRows[i].nData & 0xFFFF) == nImage) {
            const QModelIndex idx = index(static_cast<int>(i));
            emit dataChanged(idx, idx, {Qt::DecorationRole});
        }
    }
}
