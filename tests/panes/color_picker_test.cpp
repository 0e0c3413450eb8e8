// The colour picker: its hit test and marker, the fixed palette and tooltips,
// what it paints, the own colours through the dialog and across runs, and
// what "Set" does to a real view and ruler corner for each target.
#include "canvas/art_view.h"
#include "canvas/ruler_corner_view.h"
#include "canvas/tool_codes.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/view_host.h"
#include "core/art_doc.h"
#include "panes/color_picker.h"
#include "tests/panes/qt_test_main.h"
#include "ui/settings_value.h"

#include <QComboBox>
#include <QPushButton>
#include <QScreen>

#include <tuple>

namespace {

const QString SECTION = QStringLiteral("Custom Colors");

void ClickSwatch(CColorPickerView& picker, int nIndex, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(&picker, button, {}, CColorPickerView::SwatchRect(nIndex).center());
}

struct CToolHost : IViewHost {
    int GetCurTool() const override { return m_nTool; }
    int m_nTool = TOOL_CURSOR;
};

} // namespace

class CColorPickerTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QSettings().clear();
        *CColorPickerView::ColorDialogHook() = nullptr;
    }

    void fixedPaletteAndTooltips()
    {
        const std::tuple<int, COLORREF, const char*> rows[] = {
            {5, 0x000000, "RGB(0,0,0)"},      {8, 0x0000FF, "RGB(255,0,0)"},
            {14, 0x00C0FF, "RGB(255,192,0)"}, {35, 0x404000, "RGB(0,64,64)"},
            {47, 0x400040, "RGB(64,0,64)"},   {48, 0xFFFFFF, "RGB(255,255,255)"}};
        CColorPickerView picker;
        QVERIFY(picker.HitTest(QPoint(168, 100)) && picker.m_nSel == 59); // the far corner
        for (const auto& [nIndex, cr, pszTip] : rows) {
            const QRect rc = CColorPickerView::SwatchRect(nIndex);
            QCOMPARE(CColorPickerView::PaletteColor(nIndex), cr);
            QCOMPARE(picker.ToolTipAt(rc.bottomRight()), QString::fromLatin1(pszTip));
            QCOMPARE(picker.ToolTipAt(rc.topLeft() - QPoint(1, 1)), QString()); // a gap
        }
    }

    void clicksMoveTheMarkerAndThePaletteIsPaintedAsLaidOut()
    {
        CColorPickerView picker;
        picker.resize(picker.sizeHint());
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(17, 17)); // a gap: the next swatch
        QVERIFY(picker.m_nSel == 7 && picker.m_bTracking == 0);
        QCOMPARE(picker.m_rcSel, QRect(17, 17, 18, 18));
        for (QPoint pt : {QPoint(0, 50), QPoint(169, 50), QPoint(50, 101), QPoint(100, 150)})
            QVERIFY(!picker.HitTest(pt) && picker.m_nSel == 7);
        QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(40, 40)); // swatch 14
        // What the window shows, so a marker left behind would be seen.
        const QImage img = picker.screen()->grabWindow(picker.winId()).toImage();
        const QRgb back = qRgb(170, 170, 170), white = qRgb(255, 255, 255);
        QCOMPARE(img.pixel(18, 18), qRgb(0, 0, 0));       // swatch 7's outline
        QCOMPARE(img.pixel(25, 25), qRgb(255, 128, 128)); // its fill
        // The old marker is gone, with its grey corners outside its rectangle.
        for (QPoint pt : {QPoint(17, 25), QPoint(35, 17), QPoint(17, 35)})
            QCOMPARE(img.pixel(pt), back);
        // The new marker, and its grey corners (one past the frame on the right and bottom).
        QVERIFY(img.pixel(40, 34) == white && img.pixel(34, 40) == white);
        QVERIFY(img.pixel(34, 34) == qRgb(128, 128, 128) && img.pixel(52, 52) == img.pixel(34, 34));
        QCOMPARE(img.pixel(136, 0), qRgb(0, 0, 255)); // the own colours' dotted fence
        QCOMPARE(img.pixel(136, 3), back);
    }

    void ownColourComesFromTheDialogAndOutlivesThePicker()
    {
        int nCalls = 0;
        *CColorPickerView::ColorDialogHook() = [&nCalls](QWidget*, COLORREF& cr) {
            const bool bOk = cr == 0 && nCalls++ == 0; // the second call cancels
            cr = 0x123456;
            return bOk;
        };
        {
            CColorPickerView picker;
            ClickSwatch(picker, 3, Qt::RightButton);
            QVERIFY(picker.m_nSel == 3 && nCalls == 0); // a fixed colour has no dialog
            ClickSwatch(picker, 50, Qt::RightButton);
            QCOMPARE(CColorPickerView::PaletteColor(50), 0x123456u);
            QCOMPARE(picker.ToolTipAt(CColorPickerView::SwatchRect(50).center()), "RGB(86,52,18)");
            ClickSwatch(picker, 51, Qt::RightButton);
            QVERIFY(nCalls == 2 && CColorPickerView::PaletteColor(51) == 0xFFFFFFu);
        }
        QSettings settings;
        QCOMPARE(ReadSettingU32(settings, SECTION, QStringLiteral("Color:2"), 0), 0x123456u);
        // A new picker reads them afresh; a stray high byte never reaches a colour.
        WriteSettingU32(settings, SECTION, QStringLiteral("Color:3"), 0xFF654321u);
        settings.remove(SECTION + QStringLiteral("/Color:2"));
        settings.sync();
        const CColorPickerView picker;
        QCOMPARE(CColorPickerView::PaletteColor(50), 0xFFFFFFu);
        QCOMPARE(CColorPickerView::PaletteColor(51), 0x654321u);
    }

    void setColoursEachTarget()
    {
        CToolHost host;
        CArtDoc doc; // 10 x 20 cells in a shown view of 400 x 300, and a ruler corner
        doc.SetCanvasSize(10, 20);
        doc.OnNewDocument();
        CArtView view(doc, &host);
        RegisterStandardTools(view);
        view.resize(400, 300);
        view.show();
        QCoreApplication::processEvents();
        view.OnInitialUpdate();
        CRulerCornerView corner;
        CColorPickerView picker;
        picker.SetTargets(&view, &corner);
        const auto set = [&](int nSwatch, int nTarget) {
            ClickSwatch(picker, nSwatch);
            picker.Combo()->setCurrentIndex(nTarget);
            QTest::mouseClick(picker.SetButton(), Qt::LeftButton);
        };
        const auto cellColor = [&](int nCol, int nRow) {
            return doc.GetCurCells()[nRow * 20 + nCol].crColor;
        };

        picker.OnSet(); // no swatch yet: nothing
        QVERIFY(view.GetTextColor() == 0x010101u && corner.BackColor() == 0xFFFFFFu);
        set(5, CColorPickerView::SET_FONT); // black: near black on the canvas only
        QVERIFY(view.GetTextColor() == 0x010101u && corner.TextColor() == 0u);
        set(20, CColorPickerView::SET_BACK); // yellow
        QVERIFY(view.GetBackColor() == 0x00FFFFu && corner.BackColor() == 0x00FFFFu);
        QCOMPARE(view.CompositionLayer().pixel(1, 1), qRgb(255, 255, 0));
        set(26, CColorPickerView::SET_FONT); // green text for the block below
        set(5, CColorPickerView::SET_REGION);
        QVERIFY(!doc.CanUndo()); // nothing floats: nothing happens
        QVERIFY(view.PlaceTextBlock("ab\r\ncd"));
        set(5, CColorPickerView::SET_REGION);
        QVERIFY(!view.Selection().IsFloating());
        QCOMPARE(cellColor(1, 1), 0x010101u); // black, never the layers' key colour
        QVERIFY(doc.OnEditUndo() && !doc.CanUndo()); // one step
        // The type tool's caret cell takes a colour without an undo step.
        host.m_nTool = TOOL_TYPE;
        view.OnToolChanged();
        set(8, CColorPickerView::SET_CARET);
        QVERIFY(cellColor(0, 0) == 0x0000FFu && !doc.CanUndo());
        picker.SetTargets(nullptr, nullptr); // no targets: nothing, and no crash
        set(8, CColorPickerView::SET_BACK);
        QCOMPARE(corner.BackColor(), 0x00FFFFu);
    }
};

GW_QT_TEST_MAIN(CColorPickerTest)

#include "color_picker_test.moc"
