// The frame panel: the frames of the animation as a row of 64 x 64
// thumbnails titled "Frame:%d", in frame order, with the button strip below.
// The panel knows nothing of the document: what the commands and a selection
// do is decided by its host, the main window.
#pragma once

#include <QImage>
#include <QListView>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class CFrameButtonStrip;
class QMenu;

class IFramePanelHost {
public:
    virtual ~IFramePanelHost() = default;
    // One of the frame commands (ID_PLAY, ID_ADD_FRAME, ...), from the
    // strip or the right-click menu.
    virtual void RunFrameCommand(int nId) = 0;
    // The list item at nIndex became selected.
    virtual void SelectFrameItem(int nIndex) = 0;
    // The item at nFrom was dragged to position nTo (counted before the
    // drag took it out).
    virtual void MoveFrameItem(int /*nFrom*/, int /*nTo*/) {}
    // Whether a frame command can run now (the strip greys the others).
    virtual bool CanRunFrameCommand(int /*nId*/) const { return true; }
};

class CFrameListModel;

// The list of frames. Every item carries (frame key << 16) | image index as
// its data; the images are the panel's own thumbnail list, where an index
// stays valid for as long as the list is not emptied.
//
// A drawing opened from a file can bring thousands of frames, so items live
// in a model of plain arrays, and a thumbnail may be pending: it is made by
// the thumbnail source when it is first shown or asked for, and the rest are
// made a few at a time whenever the window is idle.
class CFramePaneView : public QListView {
    Q_OBJECT
public:
    static constexpr int THUMB_SIZE = 64;

    // Makes the picture of the frame an item's data names.
    using ThumbnailSource = std::function<QImage(quint32 nItemData)>;

    explicit CFramePaneView(QWidget* pParent = nullptr);
    ~CFramePaneView() override;

    void SetThumbnailSource(ThumbnailSource fnSource);

    // The thumbnail list. Add returns the new image's index.
    int AddThumbnail(const QImage& img);
    void SetThumbnail(int nImage, const QImage& img);
    // The image made again by fnMake after a short delay, once for any
    // number of calls meanwhile, or as soon as it is painted or read.
    void DeferThumbnail(int nImage, std::function<QImage()> fnMake);
    int ThumbnailCount() const;
    // The image, made first if it is still pending.
    const QPixmap& Thumbnail(int nImage) const;
    // Images not made yet.
    int PendingThumbnailCount() const;
    // Makes up to nMax pending images, nearest the visible items first;
    // returns how many are still pending.
    int MakePendingThumbnails(int nMax);
    // Every item's image is made again from the source, as it is shown or
    // when the window is idle (the frames' look changed, not their cells).
    void RenewThumbnails();

    int count() const;
    // Appends an item without text showing image nImage; returns its index.
    int AppendItem(int nImage);
    // Appends nCount items at once, item i with data vData[i] and the title
    // "Frame:%d" of its position; their images (the low 16 bits of the data,
    // new indexes from ThumbnailCount() on) are pending.
    void AppendPendingItems(const std::vector<quint32>& vData);
    void SetItemData(int nIndex, quint32 nData);
    quint32 ItemData(int nIndex) const;
    void SetItemText(int nIndex, const QString& strText);
    QString ItemText(int nIndex) const;
    QRect ItemRect(int nIndex) const;
    // Renumbers every item "Frame:%d" from 1 in list order.
    void RenumberItems();
    // Gives item nIndex the selected state (the others lose it) and scrolls
    // it into view; the selection notification follows at once.
    void SelectItem(int nIndex);
    // Moves the focus highlight (the current index) to item nIndex without
    // selecting it, so no selection notification follows; scrolls it into view.
    void SetCurrentItem(int nIndex);
    // Removes an item, or every item and every thumbnail, without any
    // selection notification; the list is left with nothing selected.
    void DeleteItem(int nIndex);
    void RemoveAll();
    // Replaces every item, quietly, titled "Frame:%d" in order; nothing is
    // left selected.
    void SetItems(const std::vector<quint32>& vData);
    // Moves an item to position nTo, titles renumbered, and selects it there,
    // quietly.
    void MoveItem(int nFrom, int nTo);
    // While an item is dragged: the position it would drop at, else -1.
    int DropPosition() const { return m_nDropAt; }
    int SelectedIndex() const;
    void scrollTo(const QModelIndex& idx, ScrollHint hint = EnsureVisible) override;

    // The right-click menu "FrameRClick": the frame commands.
    std::unique_ptr<QMenu> MakeFrameMenu(IFramePanelHost* pHost);

signals:
    void FrameItemSelected(int nIndex);

protected:
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    // Reordering by drag (frame_panel_drag.cpp): a press on an item, a move
    // past the drag distance, a marker between items, the release drops;
    // Escape cancels.
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void OnSelectionChanged();
    void ScheduleThumbnails();
    int DropPositionAt(const QPoint& pt) const;
    void EndDrag();

    CFrameListModel* m_pModel;
    bool m_bQuiet = false;
    int m_nLastSelected = -1;
    int m_nIdleTimer = 0;
    int m_nDragFrom = -1; // item pressed, -1 when none
    QPoint m_ptPress;
    bool m_bDragging = false;
    bool m_bDragCancelled = false; // Escape ended the drag; its release does nothing
    int m_nDropAt = -1;

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
