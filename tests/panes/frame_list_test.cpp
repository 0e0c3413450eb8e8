// The frame list's model and its thumbnails: items appended as pending are
// titled by position and made from the source when first asked for; made
// pictures beyond the budget are dropped and made again; the idle pass makes
// the rest; and a thumbnail is a picture of its own frame's cells.
#include "canvas/thumbnail_renderer.h"
#include "core/char_cell.h"
#include "panes/frame_list_model.h"
#include "panes/frame_panel.h"

#include <QApplication>
#include <QtTest>

#include <vector>

namespace {

// A picture whose top-left pixel names the item data it was made for.
QImage Picture(quint32 nData)
{
    QImage img(64, 64, QImage::Format_RGB32);
    img.fill(QColor::fromRgb(nData & 0xFFFFFF));
    return img;
}

std::vector<quint32> Items(int nCount)
{
    std::vector<quint32> v;
    for (int i = 0; i < nCount; ++i)
        v.push_back((quint32(i + 7) << 16) | quint32(i));
    return v;
}

} // namespace

class CFrameListTest : public QObject {
    Q_OBJECT

private slots:
    void pendingItemsAreMadeFromTheirOwnFramesWhenAskedFor()
    {
        CFrameListModel model;
        std::vector<quint32> vAsked;
        model.SetSource([&](quint32 nData) {
            vAsked.push_back(nData);
            return Picture(nData);
        });
        model.AppendPendingRows(Items(3), QStringLiteral("Frame:%1"));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.RowText(2), QStringLiteral("Frame:3"));
        QCOMPARE(model.PendingCount(), 3);
        QVERIFY(vAsked.empty());
        const QImage img = model.data(model.index(1), Qt::DecorationRole).value<QPixmap>().toImage();
        QCOMPARE(img.pixel(0, 0), QColor::fromRgb(Items(3)[1] & 0xFFFFFF).rgb());
        QCOMPARE(vAsked, std::vector<quint32>{Items(3)[1]});
        model.Image(1); // made once only
        QCOMPARE(vAsked.size(), std::size_t(1));
        QCOMPARE(model.PendingCount(), 2);
        // A picture set by the window replaces a pending one for good.
        model.SetImage(2, Picture(0x123456));
        QCOMPARE(model.PendingCount(), 1);
        QCOMPARE(model.Image(2).toImage().pixel(0, 0), qRgb(0x12, 0x34, 0x56));
        QCOMPARE(vAsked.size(), std::size_t(1));
        model.RemoveRow(0);
        model.SetAllTexts(QStringLiteral("Frame:%1"));
        QCOMPARE(model.RowText(0), QStringLiteral("Frame:1"));
        QCOMPARE(model.RowData(0), Items(3)[1]);
    }

    // A moved item takes its data and picture along, the items between are
    // titled again, the view keeps its item count and the selection goes
    // with the moved frame.
    void movedItemsKeepTheirPictures_data()
    {
        QTest::addColumn<int>("nFrom");
        QTest::addColumn<int>("nTo");
        QTest::addColumn<QList<int>>("vOrder");
        QTest::newRow("to the right") << 0 << 2 << QList<int>{1, 2, 0, 3};
        QTest::newRow("to the left") << 3 << 1 << QList<int>{0, 3, 1, 2};
        QTest::newRow("one place") << 1 << 2 << QList<int>{0, 2, 1, 3};
        QTest::newRow("out of range") << 1 << 4 << QList<int>{0, 1, 2, 3};
    }
    void movedItemsKeepTheirPictures()
    {
        QFETCH(int, nFrom);
        QFETCH(int, nTo);
        QFETCH(QList<int>, vOrder);
        CFramePaneView view;
        for (quint32 nData : Items(4)) {
            const int nItem = view.AppendItem(view.AddThumbnail(Picture(nData)));
            view.SetItemData(nItem, nData);
            view.SetItemText(nItem, QStringLiteral("Frame:%1").arg(nItem + 1));
        }
        view.SelectItem(nFrom);
        view.MoveItem(nFrom, nTo);
        QCOMPARE(view.count(), 4);
        for (int i = 0; i < 4; ++i) {
            const quint32 nData = Items(4)[std::size_t(vOrder[i])];
            QCOMPARE(view.ItemData(i), nData);
            QCOMPARE(view.ItemText(i), QStringLiteral("Frame:%1").arg(i + 1));
            const QModelIndex idx = view.model()->index(i, 0);
            const QImage img = view.model()->data(idx, Qt::DecorationRole).value<QPixmap>().toImage();
            QCOMPARE(img.pixel(0, 0), QColor::fromRgb(nData & 0xFFFFFF).rgb());
        }
        if (nTo < 4)
            QCOMPARE(view.SelectedIndex(), nTo);
    }

    void madePicturesBeyondTheBudgetAreDroppedAndMadeAgain()
    {
        CFrameListModel model;
        int nMade = 0;
        model.SetSource([&](quint32 nData) {
            ++nMade;
            return Picture(nData);
        });
        const int nCount = CFrameListModel::IMAGE_BUDGET + 10;
        model.AppendPendingRows(Items(nCount), QStringLiteral("Frame:%1"));
        for (int i = 0; i < nCount; ++i)
            model.Image(i);
        QCOMPARE(nMade, nCount);
        QCOMPARE(model.MadeCount(), CFrameListModel::IMAGE_BUDGET);
        QVERIFY(model.IsPending(0));
        QVERIFY(!model.IsPending(nCount - 1));
        // The oldest comes back, made again from its frame.
        QCOMPARE(model.Image(0).toImage().pixel(0, 0), QColor::fromRgb(Items(1)[0] & 0xFFFFFF).rgb());
        QCOMPARE(nMade, nCount + 1);
    }

    // Renewals asked for in a row make one picture: when the delay runs out
    // (its item told), or at once, untold, when the image is read first. A
    // picture set meanwhile wins; a null one leaves the image.
    void deferredPicturesAreMadeOnceWhenDueOrRead()
    {
        CFrameListModel model;
        model.AppendRow(quint32(model.AddImage(Picture(1))), QStringLiteral("Frame:1"));
        int nMade = 0;
        quint32 nNext = 0x111111;
        const auto make = [&] {
            ++nMade;
            return Picture(nNext);
        };
        const auto shown = [&] { return model.Image(0).toImage().pixel(0, 0) & 0xFFFFFFu; };
        QSignalSpy spyChanged(&model, &QAbstractItemModel::dataChanged);
        for (int i = 0; i < 3; ++i)
            model.DeferImage(0, make);
        QCOMPARE(nMade, 0);
        QCOMPARE(shown(), 0x111111u);
        QCOMPARE(nMade, 1);
        QCOMPARE(spyChanged.count(), 0);
        nNext = 0x222222;
        model.DeferImage(0, make);
        model.DeferImage(0, make);
        QTRY_COMPARE(nMade, 2);
        QCOMPARE(spyChanged.count(), 1);
        QCOMPARE(shown(), 0x222222u);
        model.DeferImage(0, make);
        model.SetImage(0, Picture(0x333333));
        QTest::qWait(2 * CFrameListModel::RENEW_DELAY_MS);
        QCOMPARE(nMade, 2);
        model.DeferImage(0, [] { return QImage(); });
        QCOMPARE(shown(), 0x333333u);
    }

    void theIdlePassMakesEveryPendingThumbnail()
    {
        CFramePaneView view;
        view.resize(400, 120);
        int nMade = 0;
        view.SetThumbnailSource([&](quint32 nData) {
            ++nMade;
            return Picture(nData);
        });
        view.AppendPendingItems(Items(40));
        QCOMPARE(view.count(), 40);
        QTRY_COMPARE(view.PendingThumbnailCount(), 0);
        QCOMPARE(nMade, 40);
        view.RemoveAll();
        QCOMPARE(view.ThumbnailCount(), 0);
    }

    // The highlight covers a portrait thumbnail's picture, not the grey rest of its square.
    void theHighlightHugsAPortraitPicture()
    {
        CThumbnailRenderer thumbs;
        thumbs.SetFont(QFont(QStringLiteral("DejaVu Sans Mono")), QSize(8, 16));
        std::vector<CharCell> cells(8, CharCell{0x000000, 0, 0, ' ', {}});
        CFramePaneView view;
        view.resize(300, 140);
        view.AppendItem(view.AddThumbnail(thumbs.Render(cells.data(), 4, 2, 0xFFFFFF))); // 16 x 64
        view.SelectItem(0);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage img = view.viewport()->grab().toImage();
        const QRect rcItem = view.ItemRect(0);
        QRect rcInk; // the highlighted pixels in the item's picture rows
        for (int y = rcItem.top(); y < rcItem.top() + 64; ++y)
            for (int x = rcItem.left(); x <= rcItem.right(); ++x)
                if (const QColor cr = img.pixelColor(x, y); cr.blue() > cr.red() + 20)
                    rcInk |= QRect(x, y, 1, 1);
        QVERIFY(!rcInk.isEmpty());
        QVERIFY2(rcInk.width() <= 16 + 4, qPrintable(QString::number(rcInk.width())));
    }

    void aThumbnailShowsItsCellsInkAndColour()
    {
        CThumbnailRenderer thumbs;
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(16);
        thumbs.SetFont(font, QSize(10, 16));
        // Two rows of eight: blank, '.', '#' in red, '#' in blue.
        std::vector<CharCell> cells(16, CharCell{0x010101, 0, 0, ' ', {}});
        for (int c = 0; c < 8; ++c) {
            cells[std::size_t(8 + c)].chChar = c < 2 ? '.' : '#';
            cells[std::size_t(8 + c)].crColor = c < 4 ? 0x0000FF : 0xFF0000;
        }
        const QImage img = thumbs.Render(cells.data(), 2, 8, 0xFFFFFF);
        QCOMPARE(img.size(), QSize(64, 64));
        // 80 x 32 pixels of canvas: 64 x 25 of picture, grey below it.
        QCOMPARE(img.pixel(10, 5), qRgb(255, 255, 255));
        QCOMPARE(img.pixel(10, 40), qRgb(0xAA, 0xAA, 0xAA));
        const QColor dot = img.pixelColor(4, 20), red = img.pixelColor(28, 20), blue = img.pixelColor(56, 20);
        QVERIFY(red.red() > red.green() + 40 && red.green() < dot.green());
        QVERIFY(blue.blue() > blue.red() + 40);
        QVERIFY(dot.green() < 255);
        QVERIFY(thumbs.Render(nullptr, 2, 8, 0xFFFFFF).pixel(0, 0) == qRgb(0xAA, 0xAA, 0xAA));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CFrameListTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frame_list_test.moc"
