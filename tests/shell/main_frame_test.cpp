// The main window as the program starts: its title, bars, panes and client
// area, every command's state, the tool buttons' palettes, and the "GWSet"
// settings it reads at construction and writes as they change.
#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "core/backup_store.h"
#include "res/command_ids.h"
#include "canvas/ruler_view.h"
#include "shell/main_frame.h"
#include "shell/settings_dlg.h"
#include "shell_test_support.h"
#include "ui/settings_value.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <cstring>
#include <vector>

using namespace gw;

namespace {

QSettings AppSettings()
{
    return QSettings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
}

} // namespace

class CMainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        ClearSettings();
        g_nUndoRedoStep = 100;
    }

    void startsUntitledWithBarsPanesAndRulers()
    {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));

        QCOMPARE(frame.windowTitle(), QStringLiteral("Untitled - Glyphwright"));
        QCOMPARE(frame.Document().GetFrameCount(), 1);
        QCOMPARE(frame.Document().GetRows(), 40);
        QCOMPARE(frame.Document().GetCols(), 60);
        QVERIFY(!frame.Document().IsModified());

        QStringList vMenus;
        for (QAction* pMenu : frame.menuBar()->actions()) {
            vMenus.append(pMenu->text());
        }
        QCOMPARE(vMenus, (QStringList{"&File", "&Edit", "&View", "Tools", "Control", "&Help"}));

        QStringList vDocks;
        for (QDockWidget* pDock : frame.findChildren<QDockWidget*>()) {
            vDocks.append(pDock->windowTitle());
            QVERIFY(pDock->isVisible());
        }
        vDocks.sort();
        QCOMPARE(vDocks, (QStringList{"Character Picker", "Color Picker", "Frame Panel"}));
        auto* pFrameDock = frame.findChild<QDockWidget*>(QStringLiteral("FramePanel"));
        QCOMPARE(frame.dockWidgetArea(pFrameDock), Qt::BottomDockWidgetArea);
        QCOMPARE(pFrameDock->allowedAreas(), Qt::BottomDockWidgetArea);

        auto* pToolBox = frame.findChild<QToolBar*>(QStringLiteral("ToolBox"));
        QVERIFY(pToolBox);
        QCOMPARE(frame.toolBarArea(pToolBox), Qt::LeftToolBarArea);
        auto* pViewBar = frame.findChild<QToolBar*>(QStringLiteral("ViewBar"));
        QCOMPARE(pViewBar->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);

        QCOMPARE(frame.MessagePane()->text(), QStringLiteral("Ready"));
        QVERIFY(frame.MessagePane()->isVisible());
        QCOMPARE(frame.PosPane()->width(), 120);
        // The view has laid out its first frame: the rulers are shown.
        QCOMPARE(frame.HorzRuler()->height(), 16);
        QCOMPARE(frame.VertRuler()->width(), 16);
        QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
    }

    void commandStatesAtStart()
    {
        QGuiApplication::clipboard()->clear();
        CMainFrame frame;
        frame.UpdateCommandUI();

        const QList<int> vDisabled = {ID_EDIT_UNDO,  ID_EDIT_REDO,  ID_EDIT_CUT, ID_EDIT_COPY,
                                      ID_EDIT_PASTE, ID_EDIT_DELETE, ID_PASTE_CLIPBOARD};
        const QList<int> vChecked = {
            ID_TOOL_CURSOR,       ID_SHOW_GRID,        ID_VIEW_TOOLBAR,      ID_VIEW_STATUS_BAR,
            ID_VIEW_TOOLBOX,      ID_VIEW_CTRLBAR,     ID_VIEW_OTHERTOOLSBAR, ID_VIEW_VIEWBAR,
            ID_VIEW_CHAR_PICKER,  ID_VIEW_FRAME_PANEL, ID_VIEW_COLOR_PICKER};
        const int vAll[] = {
            ID_TOOL_CURSOR, ID_TOOL_SELECT, ID_TOOL_TYPE, ID_TOOL_FREEHAND, ID_TOOL_LINE,
            ID_TOOL_CURVE, ID_TOOL_RECTANGLE, ID_TOOL_ELLIPSE, ID_TOOL_FILL, ID_TOOL_PICK,
            ID_TOOL_ERASE, ID_AUTO_DRAW, ID_SHOW_GRID, ID_ZOOM_IN, ID_ZOOM_OUT, ID_VIEW_TOOLBAR,
            ID_VIEW_STATUS_BAR, ID_VIEW_TOOLBOX, ID_VIEW_CTRLBAR, ID_VIEW_OTHERTOOLSBAR,
            ID_VIEW_VIEWBAR, ID_VIEW_CHAR_PICKER, ID_VIEW_FRAME_PANEL, ID_VIEW_COLOR_PICKER,
            ID_PLAY, ID_PAUSE, ID_ADD_FRAME, ID_DELETE_FRAME, ID_SETTINGS, ID_IMAGE_CONVERT,
            ID_FIGLET_FONT, ID_SYMBOL_LIB, ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_CUT, ID_EDIT_COPY,
            ID_EDIT_PASTE, ID_PASTE_CLIPBOARD, ID_EDIT_DELETE, ID_FILE_NEW, ID_FILE_OPEN,
            ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_SAVE_ANIMATION_HTML, ID_SAVE_SINGLE_HTML,
            ID_SAVE_SINGLE_TEXT, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP,
            ID_APP_EXIT, ID_HELP_CONTENTS, ID_APP_ABOUT};
        for (int nId : vAll) {
            QAction* pAction = frame.Action(nId);
            QVERIFY2(pAction, qPrintable(QString::number(nId)));
            QVERIFY2(pAction->isEnabled() == !vDisabled.contains(nId), qPrintable(QString::number(nId)));
            QVERIFY2(pAction->isChecked() == vChecked.contains(nId), qPrintable(QString::number(nId)));
        }

        // Text on the system clipboard enables "Paste Clipboard" at the next pass.
        QGuiApplication::clipboard()->setText(QStringLiteral("hello"));
        frame.UpdateCommandUI();
        QVERIFY(frame.Action(ID_PASTE_CLIPBOARD)->isEnabled());
        QGuiApplication::clipboard()->clear();
    }

    void keysOfUndoAndRedo()
    {
        CMainFrame frame;
        QVERIFY(frame.Action(ID_EDIT_REDO)->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
        QVERIFY(frame.Action(ID_EDIT_UNDO)->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Z)));
        QVERIFY(frame.Action(ID_EDIT_UNDO)->shortcuts().contains(QKeySequence(Qt::ALT | Qt::Key_Backspace)));
    }

    void toolCommandsCheckOneTool()
    {
        CMainFrame frame;
        frame.RunCommand(ID_TOOL_LINE);
        QCOMPARE(frame.m_nCurTool, TOOL_LINE);
        QVERIFY(frame.Action(ID_TOOL_LINE)->isChecked());
        QVERIFY(!frame.Action(ID_TOOL_CURSOR)->isChecked());
        frame.RunCommand(ID_TOOL_TYPE);
        QCOMPARE(frame.m_nCurTool, TOOL_TYPE);
        QVERIFY(!frame.Action(ID_TOOL_LINE)->isChecked());
        QVERIFY(frame.Action(ID_TOOL_TYPE)->isChecked());
    }

    void freehandWidthSevenIsRemembered()
    {
        CMainFrame frame;
        QMenu* pPalette = frame.FreehandButton()->menu();
        QVERIFY(pPalette);
        QCOMPARE(pPalette->actions().size(), 10);
        QAction* pWidth7 = pPalette->actions().at(6);
        QCOMPARE(pWidth7->text(), QStringLiteral("Width 7"));
        pWidth7->trigger();
        QCOMPARE(frame.m_nCurTool, 10);
        QCOMPARE(frame.View()->Drawing().BrushWidth(), 7);
        QVERIFY(frame.Action(ID_TOOL_FREEHAND)->isChecked());
        QCOMPARE(frame.Action(ID_TOOL_FREEHAND)->icon().cacheKey(), pWidth7->icon().cacheKey());
        QVERIFY(pWidth7->isChecked());

        frame.RunCommand(ID_TOOL_LINE);
        QVERIFY(!frame.Action(ID_TOOL_FREEHAND)->isChecked());
        frame.View()->Drawing().SetBrushWidth(1);
        frame.RunCommand(ID_TOOL_FREEHAND);
        QCOMPARE(frame.m_nCurTool, 10);
        QCOMPARE(frame.View()->Drawing().BrushWidth(), 7);
    }

    void selectModeFromPalette()
    {
        CMainFrame frame;
        QMenu* pPalette = frame.SelectButton()->menu();
        QCOMPARE(pPalette->actions().size(), 2);
        pPalette->actions().at(1)->trigger();
        QCOMPARE(frame.m_nCurTool, TOOL_SELECT_OPAQUE);
        QVERIFY(frame.Action(ID_TOOL_SELECT)->isChecked());
        frame.RunCommand(ID_TOOL_CURSOR);
        frame.RunCommand(ID_TOOL_SELECT);
        QCOMPARE(frame.m_nCurTool, TOOL_SELECT_OPAQUE);
    }

    void viewCommandsHideAndShowPanes()
    {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        auto* pFrameDock = frame.findChild<QDockWidget*>(QStringLiteral("FramePanel"));
        QWidget* pContent = pFrameDock->widget();
        frame.RunCommand(ID_VIEW_FRAME_PANEL);
        QVERIFY(!pFrameDock->isVisible());
        QVERIFY(!frame.Action(ID_VIEW_FRAME_PANEL)->isChecked());
        frame.RunCommand(ID_VIEW_FRAME_PANEL);
        QVERIFY(pFrameDock->isVisible());
        QVERIFY(frame.Action(ID_VIEW_FRAME_PANEL)->isChecked());
        QCOMPARE(pFrameDock->widget(), pContent); // the same pane, not a new one

        frame.RunCommand(ID_VIEW_STATUS_BAR);
        QVERIFY(!frame.statusBar()->isVisible());
        QVERIFY(!frame.Action(ID_VIEW_STATUS_BAR)->isChecked());

        // A pane closed by its own button unchecks its item as well.
        auto* pCharDock = frame.findChild<QDockWidget*>(QStringLiteral("CharPicker"));
        pCharDock->close();
        QVERIFY(!frame.Action(ID_VIEW_CHAR_PICKER)->isChecked());
    }

    void showGridAndAutoDrawFlip()
    {
        CMainFrame frame;
        frame.RunCommand(ID_SHOW_GRID);
        QVERIFY(!frame.View()->IsGridShown());
        QVERIFY(!frame.Action(ID_SHOW_GRID)->isChecked());
        frame.RunCommand(ID_AUTO_DRAW);
        QVERIFY(frame.View()->Drawing().IsAutoDraw());
        QVERIFY(frame.Action(ID_AUTO_DRAW)->isChecked());
    }

    // The onion skin's toggle: checked with the view's state, paused while
    // frames play, and kept with its settings for the next window.
    void onionSkinToggleAndSettings()
    {
        {
            CMainFrame frame;
            QVERIFY(!frame.View()->IsOnionShown());
            QCOMPARE(frame.View()->OnionSettings(), SOnionSettings{}); // 1 before, 0 after
            frame.RunCommand(ID_ADD_FRAME);
            frame.RunCommand(ID_ONION_SKIN);
            QVERIFY(frame.View()->IsOnionShown());
            QVERIFY(frame.Action(ID_ONION_SKIN)->isChecked());
            QCOMPARE(frame.Action(ID_ONION_SKIN)->shortcut(), QKeySequence(Qt::Key_F3));
            frame.RunCommand(ID_PLAY);
            QVERIFY(frame.View()->PauseOnion(true));
            frame.RunCommand(ID_PAUSE);
            QVERIFY(!frame.View()->PauseOnion(false));
            QVERIFY(frame.View()->IsOnionShown());
            frame.Settings().m_onion = SOnionSettings{3, 2, 0x0000FF, 0xFF0000};
        }
        CMainFrame frame;
        QVERIFY(frame.View()->IsOnionShown());
        QCOMPARE(frame.View()->OnionSettings(), (SOnionSettings{3, 2, 0x0000FF, 0xFF0000}));
        frame.RunCommand(ID_ONION_SKIN);
        QVERIFY(!frame.Action(ID_ONION_SKIN)->isChecked());
        frame.Settings().m_onion = {}; // as the other tests expect
    }

    void editCommandsFollowTheFloatingBlockAndTheClipboards()
    {
        CMainFrame frame;
        CArtView& view = *frame.View();
        // No update pass: actions are as the canvas's own changes left them.
        const auto enabled = [&](int nId) { return frame.Action(nId)->isEnabled(); };
        QVERIFY(!enabled(ID_EDIT_UNDO));
        view.BeginEdit();
        view.SetCell(1, 1, 'Q', CArtView::COLOUR_TEXT, 0);
        view.EndEdit();
        QVERIFY(enabled(ID_EDIT_UNDO));
        frame.RunCommand(ID_EDIT_UNDO);
        QVERIFY(!enabled(ID_EDIT_UNDO) && enabled(ID_EDIT_REDO));
        frame.RunCommand(ID_EDIT_REDO);
        frame.RunCommand(ID_TOOL_SELECT);
        QVERIFY(!enabled(ID_EDIT_CUT) && !enabled(ID_EDIT_PASTE));
        DragCells(view, 1, 1, 3, 3);
        QVERIFY(enabled(ID_EDIT_CUT) && enabled(ID_EDIT_COPY) && enabled(ID_EDIT_DELETE));
        QVERIFY(enabled(ID_EDIT_UNDO)); // takes the lift back
        frame.RunCommand(ID_EDIT_CUT);
        QVERIFY(!enabled(ID_EDIT_CUT) && enabled(ID_EDIT_PASTE) && enabled(ID_EDIT_UNDO));
        // Text from another program, seen at the next pass: Paste is disabled after it.
        QGuiApplication::clipboard()->setText(QStringLiteral("hi"));
        frame.UpdateCommandUI();
        QVERIFY(enabled(ID_PASTE_CLIPBOARD));
        frame.RunCommand(ID_PASTE_CLIPBOARD);
        QVERIFY(view.Selection().IsFloating());
        QVERIFY(!enabled(ID_EDIT_PASTE));
        // The Delete key deletes the floating block, as the menu item does.
        frame.show();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QTest::keyClick(view.viewport(), Qt::Key_Delete);
        QVERIFY(!view.Selection().IsFloating());
        // The canvas menu offers the menu bar's own edit actions.
        frame.OpenCanvasMenu(frame.mapToGlobal(QPoint(10, 10)));
        QStringList vTexts;
        for (QAction* pAction : frame.CanvasMenu()->actions())
            vTexts << pAction->text();
        // Shortcuts live in the actions, not in their texts.
        QCOMPARE(vTexts, (QStringList{"&Undo", "&Redo", "", "Cu&t", "&Copy", "&Paste", "Paste Clipboard",
                                      "Delete"}));
        frame.CanvasMenu()->close();
    }

    void undoWhileABlockFloatsPutsItBack()
    {
        CMainFrame frame;
        CArtView& view = *frame.View();
        view.BeginEdit();
        view.SetCell(1, 1, 'A', CArtView::COLOUR_GIVEN, 0x0000FF);
        view.SetCell(2, 2, 'B', CArtView::COLOUR_GIVEN, 0x00FF00);
        view.EndEdit();
        const size_t nCells = static_cast<size_t>(view.GetCols() * view.GetRows());
        const std::vector<CharCell> vBefore(view.GetCells(), view.GetCells() + nCells);
        frame.RunCommand(ID_TOOL_SELECT);
        DragCells(view, 1, 1, 4, 4); // lifts
        DragCells(view, 2, 2, 7, 5); // moves by the middle
        QVERIFY(view.Selection().IsFloating() && frame.Action(ID_EDIT_UNDO)->isEnabled());
        frame.RunCommand(ID_EDIT_UNDO);
        QVERIFY(!view.Selection().IsFloating());
        QVERIFY(std::memcmp(view.GetCells(), vBefore.data(), nCells * sizeof(CharCell)) == 0);
        QVERIFY(!frame.Document().CanRedo() && !frame.Action(ID_EDIT_REDO)->isEnabled());
        QVERIFY(frame.Document().CanUndo()); // the step that wrote A and B
    }

    void settingsDefaultsOnCleanProfile()
    {
        g_nUndoRedoStep = 7;
        CMainFrame frame;
        QCOMPARE(g_nUndoRedoStep, 100u);
        QCOMPARE(frame.Settings().m_nFrameInterval, 5);
        QCOMPARE(frame.Settings().m_bPlayLoop, 1);
    }

    void settingsDialogValueSurvivesRestart()
    {
        {
            CMainFrame frame;
            OnNextModalDialog([](QDialog* pDlg) {
                auto* pSettings = qobject_cast<CSettingsDlg*>(pDlg);
                QVERIFY(pSettings);
                pSettings->IntervalEdit()->setText(QStringLiteral("12"));
                pSettings->UndoStepsEdit()->setText(QStringLiteral("150"));
                pSettings->LoopCheck()->setChecked(false);
                pSettings->AutosaveEdit()->setText(QStringLiteral("90"));
                pSettings->accept();
            });
            frame.RunCommand(ID_SETTINGS);
            QCOMPARE(frame.Settings().m_nFrameInterval, 12);
            frame.View()->SetBackColor(0xABCDEF);
            // Written at once, while the window still stands.
            QCOMPARE(AppSettings().value(QStringLiteral("GWSet/AutosaveSecs")).toByteArray(),
                     QByteArray("\x5a\x00\x00\x00", 4));
            QCOMPARE(AppSettings().value(QStringLiteral("GWColor/BKCLR")).toByteArray(),
                     QByteArray("\xef\xcd\xab\x00", 4));
        }
        g_nUndoRedoStep = 100;
        CMainFrame frame;
        QCOMPARE(frame.Settings().m_nFrameInterval, 12);
        QCOMPARE(frame.Settings().m_bPlayLoop, 0);
        QCOMPARE(g_nUndoRedoStep, 150u);
        QCOMPARE(AppSettings().value(QStringLiteral("GWSet/FrmInterval")).toByteArray(),
                 QByteArray("\x0c\x00\x00\x00", 4));
    }

    void settingsCancelLeavesValues()
    {
        CMainFrame frame;
        OnNextModalDialog([](QDialog* pDlg) {
            qobject_cast<CSettingsDlg*>(pDlg)->IntervalEdit()->setText(QStringLiteral("40"));
            pDlg->reject();
        });
        frame.RunCommand(ID_SETTINGS);
        QCOMPARE(frame.Settings().m_nFrameInterval, 5);
    }

    void damagedSettingsFileGivesDefaults()
    {
        const QString strFile = AppSettings().fileName();
        {
            QFile file(strFile);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("[GWSet]\nFrmInterval=@ByteArray(\\0\\0\nUndoRedoStep=\x01\xff\xfe\n\x00\x00junk[[[\n");
        }
        CMainFrame frame;
        QCOMPARE(frame.Settings().m_nFrameInterval, 5);
        QCOMPARE(g_nUndoRedoStep, 100u);
        QCOMPARE(frame.Settings().m_bPlayLoop, 1);
    }

    void settingsOfOtherWidthOrRangeGiveDefaults()
    {
        {
            QSettings settings = AppSettings();
            settings.setValue(QStringLiteral("GWSet/FrmInterval"), QByteArray("\x0c\x00", 2));
            WriteSettingU32(settings, QStringLiteral("GWSet"), QStringLiteral("UndoRedoStep"), 0);
            WriteSettingU32(settings, QStringLiteral("GWSet"), QStringLiteral("PlayLoop"), 9);
        }
        CMainFrame frame;
        QCOMPARE(frame.Settings().m_nFrameInterval, 5);
        QCOMPARE(g_nUndoRedoStep, 100u);
        QCOMPARE(frame.Settings().m_bPlayLoop, 1);
    }
};

GW_SHELL_TEST_MAIN(CMainFrameTest)
#include "main_frame_test.moc"
