// Autosave in the main window: a copy of the edited drawing in the recovery
// folder that saving and a clean exit remove, nothing for an unchanged
// drawing, and a recovery folder that fails without getting in the way.
#include "canvas/art_view.h"
#include "core/char_cell.h"
#include "core/gwp_reader.h"
#include "shell/autosave.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"
#include "ui/settings_value.h"

#include <QFile>
#include <QLabel>

#include <atomic>
#include <chrono>
#include <semaphore>

namespace {

void Draw(CMainFrame& frame, int nCol, int nRow, char ch)
{
    frame.View()->BeginEdit();
    frame.View()->SetCell(nCol, nRow, uint8_t(ch), CArtView::COLOUR_TEXT, 0);
    frame.View()->EndEdit();
    frame.RefreshFrameThumbnail();
}

} // namespace

class CAutosaveTest : public QObject, CRecoveryHome {
    Q_OBJECT

private slots:
    void init() { ResetHome(); }
    void cleanup() { QVERIFY(std::exchange(m_rec.m_vMessages, {}).isEmpty()); }

    void copyHoldsTheEditUntilSavedAndCleanExitLeavesNothing()
    {
        {
            CMainFrame frame;
            const auto copies = [&] { return Entries("session-*.gwp"); };
            frame.Autosave()->SetInterval(1);
            frame.RefreshFrameThumbnail();
            QVERIFY(!frame.Autosave()->IsPending()); // nothing changed yet
            Draw(frame, 2, 1, 'Q');
            QTRY_VERIFY(!copies().isEmpty() && !frame.Autosave()->IsPending());
            QFile file(Folder() + '/' + copies().first());
            const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            CGwpImage image;
            QCOMPARE(GwpParse(data.toStdString(), &image, nullptr), EGwpResult::Ok);
            const auto* pCells = reinterpret_cast<const CharCell*>(image.Frame(0));
            QCOMPARE(pCells[1 * image.nCols + 2].chChar, uint8_t('Q'));

            // A save takes the copy away, even with the next one already due.
            Draw(frame, 3, 1, 'R');
            QVERIFY(frame.Files().SaveDocumentTo(m_dir.path() + QStringLiteral("/saved.gwp")));
            QVERIFY(copies().isEmpty() && !frame.Autosave()->IsPending());
            Draw(frame, 4, 1, 'S');
            QTRY_VERIFY(!copies().isEmpty() && !frame.Autosave()->IsPending());
            QVERIFY(!Entries("session-*.lock").isEmpty());
        }
        QCOMPARE(Entries("session-*"), QStringList());
    }

    void copyShowsPendingWorkThatStaysPending()
    {
        for (const EPending kind : {EPending::Block, EPending::Line}) {
            ResetHome();
            CMainFrame frame;
            frame.Autosave()->SetInterval(1);
            MakePendingWork(frame, kind, m_dir.path() + QStringLiteral("/saved.gwp"));
            QTRY_VERIFY(!Entries("session-*.gwp").isEmpty() && !frame.Autosave()->IsPending());
            const QByteArray copy = FileBytes(Folder() + '/' + Entries("session-*.gwp")[0]);
            QCOMPARE(ShownRowsOfGwp(copy), ShownPending(kind));
            QVERIFY(frame.View()->HasPendingEdits() && !frame.Document().IsModified());
        }
    }

    // A write held in the worker: Save and Discard return at once (the held
    // worker would make a wait hang until the hook gives up), an edit goes on,
    // and the stopped write leaves no copy behind.
    void discardDuringWriteNeverWaitsAndLeavesNoCopy()
    {
        for (const bool bSave : {true, false}) {
            ResetHome();
            CMainFrame frame;
            frame.Autosave()->SetInterval(0);
            std::binary_semaphore semHeld(0);
            std::binary_semaphore semGo(0);
            std::atomic<bool> bGaveUp = false;
            frame.Autosave()->SetWorkerFrameHook([&](int) {
                semHeld.release();
                bGaveUp = !semGo.try_acquire_for(std::chrono::seconds(10));
            });
            Draw(frame, 0, 0, 'x');
            QVERIFY(frame.Autosave()->StartWrite());
            QVERIFY(semHeld.try_acquire_for(std::chrono::seconds(10)));
            if (bSave)
                QVERIFY(frame.Files().SaveDocumentTo(m_dir.path() + QStringLiteral("/saved.gwp")));
            else
                frame.Autosave()->Discard();
            Draw(frame, 1, 0, 'y');
            QVERIFY(!bGaveUp);
            semGo.release();
            QTRY_VERIFY(!frame.Autosave()->IsPending());
            QVERIFY(!bGaveUp);
            QCOMPARE(Entries("session-*.gwp"), QStringList());
        }
    }

    void settingOutOfRangeIsDefaultAndZeroIsOff()
    {
        QSettings settings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
        WriteSettingI32(settings, QStringLiteral("GWSet"), QStringLiteral("AutosaveSecs"), 3601);
        QCOMPARE(CMainFrame().Autosave()->Interval(), 30);
        WriteSettingI32(settings, QStringLiteral("GWSet"), QStringLiteral("AutosaveSecs"), 0);
        CMainFrame frame;
        Draw(frame, 0, 0, 'x');
        QVERIFY(!frame.Autosave()->IsPending());
    }

    // A folder that cannot be made, and one that goes away later, cost one
    // status message each and no dialog.
    void unusableFolderReportsOnceAndEditingGoesOn()
    {
        QFile blocker(m_dir.path() + QStringLiteral("/file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qputenv("XDG_STATE_HOME", blocker.fileName().toLocal8Bit());
        {
            CMainFrame frame;
            QVERIFY(!frame.Autosave()->IsOpen());
            QVERIFY(frame.MessagePane()->text().startsWith(QStringLiteral("Autosave is off: ")));
            Draw(frame, 0, 0, 'x');
            QVERIFY(!frame.Autosave()->IsPending());
        }
        ResetHome();
        CMainFrame frame;
        frame.Autosave()->SetInterval(1);
        QVERIFY(QDir(Folder()).removeRecursively() && QFile(Folder()).open(QIODevice::WriteOnly));
        Draw(frame, 0, 0, 'x');
        QTRY_VERIFY(frame.MessagePane()->text().startsWith(QStringLiteral("Autosave failed: ")) &&
                    !frame.Autosave()->IsPending());
        frame.MessagePane()->setText(QStringLiteral("other"));
        Draw(frame, 1, 0, 'y');
        QVERIFY(frame.Autosave()->IsPending());
        QTRY_VERIFY(!frame.Autosave()->IsPending());
        QCOMPARE(frame.MessagePane()->text(), QStringLiteral("other"));
    }
};

GW_SHELL_TEST_MAIN(CAutosaveTest)

#include "autosave_test.moc"
