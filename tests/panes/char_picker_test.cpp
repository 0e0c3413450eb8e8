// The character picker: its grid at narrow and usual widths, the clicks that
// choose the two drawing characters, and the "GWChar" settings that keep them
// across runs. The main window's part is in tests/shell/char_picker_frame_test.cpp.
#include "tests/panes/qt_test_main.h"
#include "core/backup_store.h"
#include "panes/char_picker.h"
#include "res/resources.h"
#include "ui/settings_value.h"

#include <QApplication>
#include <QScrollArea>
#include <QSettings>
#include <QtTest>

#include <vector>

namespace {

QSettings AppSettings()
{
    return QSettings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
}

// Records every CharChanged the picker sends.
class CHostRecorder : public ICharPickerHost {
public:
    void CharChanged(int which) override { m_vCalls.push_back(which); }
    std::vector<int> m_vCalls;
};

int IndexOf(char ch)
{
    return static_cast<unsigned char>(ch) - CCharPaneView::FIRST_CHAR;
}

QRect Square(int nRow, int nCol)
{
    return QRect(4 + 18 * nCol, 4 + 18 * nRow, 17, 17);
}

void ClickChar(CCharPaneView& pane, char ch, Qt::MouseButton button)
{
    QTest::mouseClick(&pane, button, {}, pane.Cells()[IndexOf(ch)].rc.center());
}

// A pane of the given client size, shown so that it has laid itself out.
void ShowAt(CCharPaneView& pane, int nWidth, int nHeight)
{
    pane.resize(nWidth, nHeight);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    QCOMPARE(pane.width(), nWidth);
}

} // namespace

class CCharPickerTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QSettings settings = AppSettings();
        settings.clear();
        settings.sync();
    }

    void gridAtUsualWidthLeavesTheIndicatorCornerFree()
    {
        QCOMPARE(CCharPaneView::GridColumns(188), 10);
        QCOMPARE(CCharPaneView::GridRows(188), 10);
        const auto cells = CCharPaneView::LayoutCells(188);
        // Rows 0 and 1 start at column 2; the rest are full.
        QCOMPARE(cells[IndexOf(' ')].rc, Square(0, 2));
        QCOMPARE(cells[IndexOf('\'')].rc, Square(0, 9));
        QCOMPARE(cells[IndexOf('(')].rc, Square(1, 2));
        QCOMPARE(cells[IndexOf('0')].rc, Square(2, 0));
        QCOMPARE(cells[IndexOf('~')].rc, Square(9, 8));
        for (const CCharCell& cell : cells) {
            QVERIFY(!cell.rc.intersects(QRect(4, 4, 36, 36)));
            QVERIFY(cell.rc.right() < 188);
        }

        // The pane lays itself out from its own width and hits what it drew.
        CCharPaneView pane(nullptr);
        ShowAt(pane, 188, 250);
        QCOMPARE(pane.Cells()[IndexOf('~')].rc, Square(9, 8));
        QCOMPARE(pane.HitTest(Square(9, 8).bottomRight()), IndexOf('~'));
        QCOMPARE(pane.HitTest(Square(9, 9).center()), -1); // the one spare position
        QCOMPARE(pane.HitTest(QPoint(10, 10)), -1);        // the indicator
        QCOMPARE(pane.HitTest(QPoint(39, 4)), -1);         // between two squares
    }

    void narrowPaneKeepsFourColumns()
    {
        for (int nWidth : {79, 60, 0}) {
            QCOMPARE(CCharPaneView::GridColumns(nWidth), 4);
            QCOMPARE(CCharPaneView::GridRows(nWidth), 25);
        }
        QCOMPARE(CCharPaneView::GridColumns(80), 4);
        QCOMPARE(CCharPaneView::GridColumns(98), 5);
        const auto cells = CCharPaneView::LayoutCells(60);
        QCOMPARE(cells[IndexOf(' ')].rc, Square(0, 2));
        QCOMPARE(cells[IndexOf('"')].rc, Square(1, 2));
        QCOMPARE(cells[IndexOf('$')].rc, Square(2, 0));
        QCOMPARE(cells[IndexOf('~')].rc, Square(24, 2));
    }

    void everyWidthPlacesAllCharactersOnce()
    {
        for (int nWidth = 0; nWidth <= 2000; nWidth += 7) {
            const auto cells = CCharPaneView::LayoutCells(nWidth);
            for (int i = 0; i < CCharPaneView::CHAR_COUNT; ++i) {
                QVERIFY2(!cells[i].rc.isEmpty(), qPrintable(QString::number(nWidth)));
                QCOMPARE(cells[i].ch, CCharPaneView::FIRST_CHAR + i);
                if (i > 0)
                    QVERIFY(!cells[i].rc.intersects(cells[i - 1].rc));
            }
        }
    }

    void everySquareCanBeScrolledToAndClickedInAShortBar()
    {
        CCharPaneBar bar(nullptr);
        bar.resize(120, 90);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        auto* pArea = bar.findChild<QScrollArea*>();
        QVERIFY(pArea);
        CCharPaneView& pane = *bar.View();
        for (const CCharCell& cell : pane.Cells()) {
            pArea->ensureVisible(cell.rc.center().x(), cell.rc.center().y(), 9, 9);
            QVERIFY(pane.visibleRegion().boundingRect().contains(cell.rc));
            QTest::mouseClick(&pane, Qt::LeftButton, {}, cell.rc.center());
            QCOMPARE(pane.m_chPickLeft, cell.ch);
        }
    }

    // Every square keeps its red outline all round once its glyph is drawn.
    void glyphsStayInsideTheirSquares()
    {
        CCharPaneView pane(nullptr);
        ShowAt(pane, 188, 250);
        const QImage img = pane.grab().toImage();
        for (const CCharCell& cell : pane.Cells()) {
            const QRect& rc = cell.rc;
            for (int i = 0; i < rc.width(); ++i) {
                for (QPoint pt : {rc.topLeft() + QPoint(i, 0), rc.bottomLeft() + QPoint(i, 0),
                                  rc.topLeft() + QPoint(0, i), rc.topRight() + QPoint(0, i)})
                    QVERIFY(img.pixelColor(pt) == QColor(Qt::red));
            }
        }
    }

    // Every glyph but the space leaves ink inside its square, the underscore
    // (the lowest one) included, also when picked into the indicator.
    void everyGlyphShowsInsideItsSquare()
    {
        CCharPaneView pane(nullptr);
        ShowAt(pane, 188, 250);
        ClickChar(pane, '_', Qt::LeftButton);
        const QImage img = pane.Picture();
        const auto hasInk = [&img](const QRect& rc) {
            for (int y = rc.top(); y <= rc.bottom(); ++y)
                for (int x = rc.left(); x <= rc.right(); ++x)
                    if (qGray(img.pixel(x, y)) < 128)
                        return true;
            return false;
        };
        for (const CCharCell& cell : pane.Cells())
            QVERIFY2(cell.ch == ' ' || hasInk(cell.rc.adjusted(1, 1, -1, -1)), qPrintable(QChar(cell.ch)));
        QVERIFY(hasInk(QRect(8, 8, 15, 15)));
    }

    void clicksChooseTheTwoCharactersAndTellTheHost()
    {
        CHostRecorder host;
        CCharPaneView pane(&host);
        ShowAt(pane, 188, 250);
        QCOMPARE(pane.m_chPickLeft, ' ');
        QCOMPARE(pane.m_chPickRight, ' ');

        const QImage imgBefore = pane.Picture();
        ClickChar(pane, 'A', Qt::LeftButton);
        QCOMPARE(pane.m_chPickLeft, 'A');
        QCOMPARE(pane.m_chPickRight, ' ');
        QCOMPARE(host.m_vCalls, (std::vector<int>{1}));
        // The indicator's left square now shows the A.
        QVERIFY(pane.Picture().copy(8, 8, 15, 15) != imgBefore.copy(8, 8, 15, 15));

        ClickChar(pane, '#', Qt::RightButton);
        QCOMPARE(pane.m_chPickLeft, 'A');
        QCOMPARE(pane.m_chPickRight, '#');
        QCOMPARE(host.m_vCalls, (std::vector<int>{1, 2}));

        // Outside every square, or another button: nothing.
        QTest::mouseClick(&pane, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseClick(&pane, Qt::LeftButton, {}, QPoint(186, 240));
        QTest::mouseClick(&pane, Qt::MiddleButton, {}, pane.Cells()[IndexOf('z')].rc.center());
        QCOMPARE(pane.m_chPickLeft, 'A');
        QCOMPARE(host.m_vCalls.size(), std::size_t(2));
    }

    void charactersSurviveARestart()
    {
        {
            CCharPaneView pane(nullptr);
            ShowAt(pane, 188, 250);
            ClickChar(pane, '~', Qt::LeftButton);
            ClickChar(pane, '@', Qt::RightButton);
        }
        QSettings settings = AppSettings();
        QByteArray bytes;
        QVERIFY(ReadSettingBytes(settings, QStringLiteral("GWChar"), QStringLiteral("LTCHAR"), 1,
                                 &bytes));
        QCOMPARE(bytes, QByteArray("~"));
        CCharPaneView pane(nullptr);
        QCOMPARE(pane.m_chPickLeft, '~');
        QCOMPARE(pane.m_chPickRight, '@');
    }

    void unusableStoredValuesGiveASpace()
    {
        {
            QSettings settings = AppSettings();
            // Two bytes where one belongs, and a control character.
            settings.setValue(QStringLiteral("GWChar/LTCHAR"), QByteArray("AB"));
            WriteSettingU8(settings, QStringLiteral("GWChar"), QStringLiteral("RTCHAR"), '\n');
            settings.sync();
        }
        CCharPaneView pane(nullptr);
        QCOMPARE(pane.m_chPickLeft, ' ');
        QCOMPARE(pane.m_chPickRight, ' ');
    }
};

GW_QT_TEST_MAIN(CCharPickerTest)

#include "char_picker_test.moc"
