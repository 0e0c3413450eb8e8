// The frame panel's items and thumbnail list, as plain arrays behind a list
// model: appending thousands of items is one insertion, and a thumbnail is
// made only when something asks for it.
//
// Images are a cache over the frames' cells. An image the source can make
// again (one whose frame an item names) may be dropped once more than
// IMAGE_BUDGET are held, so a drawing of 65,536 frames does not keep a
// gigabyte of pictures; it is made again when it is next shown.
#pragma once

#include <QAbstractListModel>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <deque>
#include <functional>
#include <vector>

class CFrameListModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int DATA_ROLE = Qt::UserRole;
    static constexpr int IMAGE_BUDGET = 4096;

    using Source = std::function<QImage(quint32 nItemData)>;

    explicit CFrameListModel(QObject* pParent = nullptr) : QAbstractListModel(pParent) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int nRole) const override;

    void SetSource(Source fnSource) { m_fnSource = std::move(fnSource); }

    int AddImage(const QImage& img);
    void SetImage(int nImage, const QImage& img);
    int ImageCount() const { return static_cast<int>(m_vImages.size()); }
    // The image, made first when it is pending (or was dropped).
    const QPixmap& Image(int nImage) const;
    bool IsPending(int nImage) const;
    int PendingCount() const { return m_nPending; }
    int MadeCount() const { return static_cast<int>(m_vImages.size()) - m_nPending; }
    // The images the rows name become pending, to be made again.
    void RenewImages();
    // The first pending image at or after nFrom, wrapping; -1 for none.
    int NextPending(int nFrom) const;
    // Image nImage made again by fnMake once, RENEW_DELAY_MS after the first
    // of any number of calls: every typed key asks for a new picture of the
    // frame. Whoever reads the image first (a paint) has it made at once, as
    // does a change of the rows or images. A null picture leaves the image.
    static constexpr int RENEW_DELAY_MS = 100;
    void DeferImage(int nImage, std::function<QImage()> fnMake);

    int AppendRow(quint32 nData, const QString& strText);
    // Rows whose images are new and pending, "Frame:%d" by position.
    void AppendPendingRows(const std::vector<quint32>& vData, const QString& strFormat);
    void RemoveRow(int nRow);
    // Moves a row to position nTo; the rows between are titled again.
    void MoveRow(int nFrom, int nTo, const QString& strFormat);
    // Every row again, "Frame:%d" by position; the images keep their indexes.
    void SetRows(const std::vector<quint32>& vData, const QString& strFormat);
    void Clear();
    quint32 RowData(int nRow) const;
    void SetRowData(int nRow, quint32 nData);
    QString RowText(int nRow) const;
    void SetRowText(int nRow, const QString& strText);
    void SetAllTexts(const QString& strFormat);

protected:
    void timerEvent(QTimerEvent* pEvent) override;

private:
    // Makes the deferred image, if any; bNotify: its rows are told.
    void MakeDeferred(bool bNotify) const;
    // Keeps a made picture for its row; the row is no longer waiting for one.
    void PutImage(int nImage, const QImage& img) const;
    struct SRow {
        quint32 nData;
        QString strText;
    };
    void ImageChanged(int nImage);
    void KeepWithinBudget() const;

    std::vector<SRow> m_vRows;
    mutable std::vector<QPixmap> m_vImages;
    mutable std::vector<QSize> m_vPictureSizes; // the drawn part of each image, from its top left
    mutable std::vector<quint32> m_vImageSource; // data of the item that names each image
    mutable std::vector<bool> m_vPending;
    mutable std::deque<int> m_dqMade; // images the source made, oldest first
    mutable int m_nPending = 0;
    Source m_fnSource;
    mutable int m_nDeferred = -1; // the image DeferImage named, -1 for none
    mutable std::function<QImage()> m_fnDeferred;
    int m_nDeferTimer = 0;
};
