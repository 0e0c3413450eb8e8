#include "import/figfont_gallery.h"

#include "canvas/glyph_cache.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QSize>

#include <algorithm>

namespace {

// A gallery entry is composed at most this large; past it the entry shows
// its title alone, as the preview would refuse it.
constexpr std::size_t GALLERY_MAX_BYTES = 64 * 1024;

QString RowsToDisplay(const std::string& strRows)
{
    QString str;
    str.reserve(static_cast<qsizetype>(strRows.size()));
    for (std::size_t i = 0; i < strRows.size(); ++i) {
        const auto ch = static_cast<uint8_t>(strRows[i]);
        if (ch == '\r')
            continue;
        str += ch == '\n' ? QChar(u'\n') : QChar(Cp1252ToUnicode(ch));
    }
    if (str.endsWith(u'\n'))
        str.chop(1);
    return str;
}

} // namespace

CFigGalleryModel::CFigGalleryModel(QObject* pParent) : QAbstractListModel(pParent) {}

void CFigGalleryModel::SetFonts(const QStringList& vTitles, const QStringList& vPaths)
{
    beginResetModel();
    m_vTitles = vTitles;
    m_vPaths = vPaths;
    std::vector<std::string> vFiles;
    m_vHeights.clear();
    for (const QString& strPath : vPaths) {
        vFiles.push_back(QFile::encodeName(strPath).toStdString());
        m_vHeights.push_back(FigFontFileHeight(vFiles.back()));
    }
    m_gallery.SetFonts(std::move(vFiles));
    endResetModel();
}

void CFigGalleryModel::SetText(const std::string& strText, int nSpacing)
{
    const int nLines = static_cast<int>(std::count(strText.begin(), strText.end(), '\n')) + 1;
    m_gallery.SetText(strText, nSpacing, GALLERY_MAX_BYTES);
    if (rowCount() == 0)
        return;
    if (nLines != m_nTextLines) {
        // The entries' heights change: the view lays the list out again.
        emit layoutAboutToBeChanged();
        m_nTextLines = nLines;
        emit layoutChanged();
    }
    emit dataChanged(index(0), index(rowCount() - 1), {Qt::DisplayRole});
}

void CFigGalleryModel::SetCellFont(const QFont& font)
{
    m_font = font;
}

int CFigGalleryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_vTitles.size());
}

QVariant CFigGalleryModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto n = static_cast<std::size_t>(index.row());
    switch (nRole) {
    case Qt::DisplayRole: {
        const std::string& strRows = m_gallery.Rendered(n);
        return strRows.empty() ? m_vTitles[index.row()]
                               : m_vTitles[index.row()] + u'\n' + RowsToDisplay(strRows);
    }
    case Qt::SizeHintRole: {
        const QFontMetrics metrics(m_font);
        const int nRows = 1 + m_vHeights[n] * m_nTextLines;
        return QSize(metrics.averageCharWidth() * 40, metrics.lineSpacing() * nRows + 6);
    }
    case Qt::FontRole:
        return m_font;
    case Qt::ToolTipRole: // where the font came from
        return QDir::toNativeSeparators(m_vPaths[index.row()]);
    default:
        return {};
    }
}
