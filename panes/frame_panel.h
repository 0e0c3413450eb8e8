// The frame panel: the frames of the animation as a row of 64 x 64
// thumbnails titled "Frame:%d", in frame order, with the button strip below.
// The panel knows nothing of the document: what the commands and a selection
// do is decided by its host, the main window.
#pragma once

#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QWidget>

#include <memory>
#include <vector>

class CFrameButtonStrip;
class QMenu;

class IFramePanelHost {
public:
    virtual ~IFramePanelHost() = default;
    // One of the four frame commands (ID_PLAY, ID_PAUSE, ID_ADD_FRAME,
    // ID_DELETE_FRAME), from the strip or the right-click menu.
    virtual void RunFrameCommand(int nId) = 0;
    // The list item at nIndex became selected.
    virtual void SelectFrameItem(int nIndex) = 0;
};

// The list of frames. Every item carries (frame key << 16) | image index as
// its data; the images are the panel's own thumbnail list, where an index
// stays valid for as long as the list is not emptied.
class CFramePaneView : public QListWidget {
    Q_OBJECT
public:
    static constexpr int THUMB_SIZE = 64;
    static constexpr int DATA_ROLE = Qt::UserRole;

    explicit CFramePaneView(QWidget* pParent = nullptr);

    // The thumbnail list. Add returns the new image's index.
    int AddThumbnail(const QImage& img);
    void SetThumbnail(int nImage, const QImage& img);
    int ThumbnailCount() const { return static_cast<int>(m_vImages.size()); }
    const QPixmap& Thumbnail(int nImage) const;

    // Appends an item without text showing image nImage; returns its index.
    int AppendItem(int nImage);
    void SetItemData(int nIndex, quint32 nData);
    quint32 ItemData(int nIndex) const;
    // Renumbers every item "Frame:%d" from 1 in list order.
    void RenumberItems();
    // Gives item nIndex the selected state (the others lose it); the
    // selection notification follows at once.
    void SelectItem(int nIndex);
    // Removes an item, or every item and every thumbnail, without any
    // selection notification; the list is left with nothing selected.
    void DeleteItem(int nIndex);
    void RemoveAll();
    int SelectedIndex() const;

    // The right-click menu "FrameRClick": the four frame commands.
    std::unique_ptr<QMenu> MakeFrameMenu(IFramePanelHost* pHost);

signals:
    void FrameItemSelected(int nIndex);

protected:
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    void OnSelectionChanged();

    std::vector<QPixmap> m_vImages;
    bool m_bQuiet = false;
    int m_nLastSelected = -1;

    friend class CFramePaneBar;
};

// The docked panel's content: the list above, the button strip in the
// bottom 25 pixels.
class CFramePaneBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int STRIP_HEIGHT = 25;

    explicit CFramePaneBar(IFramePanelHost* pHost, QWidget* pParent = nullptr);

    CFramePaneView* List() const { return m_pList; }
    CFrameButtonStrip* Strip() const { return m_pStrip; }
    IFramePanelHost* Host() const { return m_pHost; }
    // Sets which strip button is drawn held down and repaints the strip.
    void SetLatched(int nId);
    void RepaintStrip();

    int m_nCurFrameNo = 1; // 1-based position of the current frame
    int m_nFrameCount = 1; // number of frames

protected:
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    IFramePanelHost* m_pHost;
    CFramePaneView* m_pList;
    CFrameButtonStrip* m_pStrip;
};
