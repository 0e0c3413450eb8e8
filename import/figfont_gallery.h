// The FIGlet dialog's font gallery: the dialog's text lettered in every font
// it lists, one entry per font. Entries are composed when the list view asks
// to paint them, so only the visible ones are made; every entry's height
// comes from its font's header, read once, so laying out the list composes
// nothing.
#pragma once

#include "core/figlet_gallery.h"

#include <QAbstractListModel>
#include <QFont>
#include <QStringList>

#include <string>
#include <vector>

class CFigGalleryModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit CFigGalleryModel(QObject* pParent = nullptr);

    // One entry per font: its title as shown, its file.
    void SetFonts(const QStringList& vTitles, const QStringList& vPaths);
    // Recomposes the entries shown from now on; the view repaints them.
    void SetText(const std::string& strText, int nSpacing);
    // The font the entries are drawn in, for their heights.
    void SetCellFont(const QFont& font);

    const CFigGallery& Gallery() const { return m_gallery; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole) const override;

private:
    // mutable: entries are composed the first time the view asks for them.
    mutable CFigGallery m_gallery;
    QStringList m_vTitles;
    QStringList m_vPaths;
    std::vector<int> m_vHeights; // rows per glyph of each font, 0 when unreadable
    int m_nTextLines = 1;
    QFont m_font;
};
