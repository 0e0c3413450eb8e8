// The window's collaborators built alone around a document and a view, with
// a host that records what they ask of the window.
#include "shell/action_table.h"
#include "shell/file_commands.h"
#include "shell/frame_commands.h"
#include "shell/shell_settings.h"
#include "shell_test_support.h"

#include "canvas/tool_codes.h"

#include <QAction>
#include <QDockWidget>

using namespace gw;

namespace {

struct CHostLog : IFileCommandsHost, IFrameCommandsHost {
    void ChooseTool(int nTool) override { m_vCalls << QStringLiteral("tool %1").arg(nTool); }
    void UpdateTitle() override { m_vCalls << QStringLiteral("title"); }
    void UpdateCommandUI() override { m_vCalls << QStringLiteral("update"); }
    void DrawingLoaded() override { m_vCalls << QStringLiteral("loaded"); }
    void DocumentChanged() override { m_vCalls << QStringLiteral("changed"); }
    QStringList m_vCalls;
};

// A blank 10 x 20 drawing with one frame on a shown view.
struct CDrawing {
    CDrawing()
    {
        m_doc.SetCanvasSize(10, 20);
        m_doc.OnNewDocument();
        m_view.resize(400, 300);
        m_view.show();
        QCoreApplication::processEvents();
        m_view.OnInitialUpdate();
    }
    CArtDoc m_doc;
    IViewHost m_viewHost;
    CArtView m_view{m_doc, &m_viewHost};
};

constexpr int EDIT_IDS[] = {ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_CUT, ID_EDIT_PASTE, ID_PASTE_CLIPBOARD};

} // namespace

class CWindowPartsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClearSettings(); }

    // The update pass from a snapshot alone: which edit commands are open.
    void editCommandsFollowTheSnapshot_data()
    {
        QTest::addColumn<int>("nFlags"); // 1 floating, 2 undo, 4 redo, 8 block, 16 text
        QTest::addColumn<QString>("strEnabled"); // undo, redo, cut, paste, paste clipboard
        QTest::newRow("nothing") << 0 << "-----";
        QTest::newRow("history both ways") << (2 | 4) << "UR---";
        QTest::newRow("a floating block hides redo") << (1 | 4) << "U-C--";
        QTest::newRow("both clipboards") << (8 | 16) << "---PT";
    }
    void editCommandsFollowTheSnapshot()
    {
        QFETCH(int, nFlags);
        QFETCH(QString, strEnabled);
        QWidget window;
        CActionTable table(&window);
        for (int nId : {ID_TOOL_CURSOR, ID_TOOL_SELECT, ID_TOOL_TYPE, ID_TOOL_FREEHAND, ID_TOOL_LINE, ID_TOOL_CURVE,
                        ID_TOOL_RECTANGLE, ID_TOOL_ELLIPSE, ID_TOOL_FILL, ID_TOOL_PICK, ID_TOOL_ERASE, ID_AUTO_DRAW,
                        ID_SHOW_GRID, ID_EDIT_COPY, ID_EDIT_DELETE})
            table.Add(nId, [] {});
        for (int nId : EDIT_IDS)
            table.Add(nId, [] {});
        SCommandState state;
        state.bFloating = nFlags & 1;
        state.bCanUndo = nFlags & 2;
        state.bCanRedo = nFlags & 4;
        state.bBlockInClipboard = nFlags & 8;
        state.bClipboardText = nFlags & 16;
        table.Update(state);
        QString strGot;
        for (std::size_t n = 0; n < std::size(EDIT_IDS); ++n)
            strGot += table.Action(EDIT_IDS[n])->isEnabled() ? QStringLiteral("URCPT").at(n) : QChar('-');
        QCOMPARE(strGot, strEnabled);
        QCOMPARE(table.Action(ID_EDIT_DELETE)->isEnabled(), (nFlags & 1) != 0);
    }

    // Open asks the window for each step in order, and for none past the
    // tool when the file is refused.
    void openTellsTheWindowOnlyOfAWholeFile()
    {
        QTemporaryDir dir;
        CDialogRecorder rec;
        CHostLog host;
        CDrawing drawing;
        CFileCommands files(drawing.m_doc, drawing.m_view, host, nullptr);
        rec.m_strFilePath = dir.filePath(QStringLiteral("kept.gwp"));
        QVERIFY(files.SaveDocumentTo(rec.m_strFilePath));
        host.m_vCalls.clear();
        files.OnFileOpen();
        QCOMPARE(host.m_vCalls, (QStringList{"tool 0", "loaded", "title", "update"}));

        QFile bad(dir.filePath(QStringLiteral("bad.gwp")));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not a drawing") > 0);
        bad.close();
        rec.m_strFilePath = bad.fileName();
        host.m_vCalls.clear();
        files.OnFileOpen();
        QCOMPARE(host.m_vCalls, QStringList{"tool 0"});
        QCOMPARE(rec.m_vMessages.size(), 1);
        QCOMPARE(QString::fromStdString(drawing.m_doc.GetPathName()), dir.filePath(QStringLiteral("kept.gwp")));
    }

    // Adding and deleting a frame make autosave due; Play ends the tool.
    void frameCommandsTellTheWindow()
    {
        CDialogRecorder rec;
        CHostLog host;
        CDrawing drawing;
        SShellSettings settings;
        CFrameCommands frames(drawing.m_doc, drawing.m_view, settings, host, nullptr);
        QDockWidget dock;
        frames.CreatePanel(&dock);
        frames.AddLoadedFrames();
        const auto calls = [&](const std::function<void()>& fn) {
            host.m_vCalls.clear();
            fn();
            return host.m_vCalls;
        };
        QCOMPARE(calls([&] { QVERIFY(frames.AddNewFrame()); }), (QStringList{"update", "changed"}));
        QCOMPARE(calls([&] { frames.OnPlay(); }), QStringList{"tool 0"});
        QCOMPARE(frames.m_bPlaying, 1);
        QCOMPARE(calls([&] { frames.OnDeleteFrame(); }), QStringList{}); // stops playback only
        QCOMPARE(frames.m_bPlaying, 0);
        // Undo Frame Change can now bring the frame back: the commands' states change.
        QCOMPARE(calls([&] { frames.OnDeleteFrame(); }), (QStringList{"update", "changed"}));
        QCOMPARE(drawing.m_doc.GetFrameCount(), 1);
    }
};

GW_SHELL_TEST_MAIN(CWindowPartsTest)
#include "window_parts_test.moc"
