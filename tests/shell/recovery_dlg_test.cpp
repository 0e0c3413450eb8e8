// Start-up recovery: the copies of crashed programs listed, one restored as
// an unsaved drawing under its old name, the others discarded or kept.
#include "canvas/art_view.h"
#include "canvas/ruler_corner_view.h"
#include "core/recovery_store.h"
#include "shell/autosave.h"
#include "shell/main_frame.h"
#include "shell/recovery_dlg.h"
#include "shell_test_support.h"
#include "ui/settings_value.h"

#include <QFile>
#include <QPushButton>
#include <QTreeWidget>

#include <optional>

namespace {

// A copy as a program that died without a clean exit leaves it: its store
// goes without CloseClean, so the lock is free and the files stay.
void LeaveCopy(const QString& strFolder, const std::string& strOriginal, int64_t nTime, char chMark,
               std::optional<COLORREF> crBack = std::nullopt)
{
    CRecoverySnapshot snap{5, 7, std::vector<CharCell>(2 * 5 * 7, CharCell{0, 0, 0, ' ', {}}),
                           strOriginal, nTime, {}, crBack};
    snap.cells[1 * 7 + 2].chChar = uint8_t('P');          // frame 0
    snap.cells[5 * 7 + 1 * 7 + 2].chChar = uint8_t(chMark); // frame 1
    CRecoveryStore store(strFolder.toStdString());
    std::string strError;
    QVERIFY2(store.Open(&strError) && store.WriteCopy(snap, &strError), strError.c_str());
}

void Offer(CMainFrame& frame, std::function<void(CRecoveryDlg*)> fn)
{
    bool bShown = false;
    OnNextModalDialog([&](QDialog* pDlg) {
        bShown = true;
        fn(qobject_cast<CRecoveryDlg*>(pDlg));
    });
    frame.OfferRecovery();
    QVERIFY(bShown);
}

void Select(CRecoveryDlg* pDlg, const QString& strName)
{
    const auto vItems = pDlg->List()->findItems(strName, Qt::MatchExactly);
    QCOMPARE(vItems.size(), 1);
    pDlg->List()->setCurrentItem(vItems.first());
}

} // namespace

class CRecoveryDlgTest : public QObject, CRecoveryHome {
    Q_OBJECT

private slots:
    void init() { ResetHome(); }
    void cleanup() { QVERIFY(std::exchange(m_rec.m_vMessages, {}).isEmpty()); }

    void restoredCopyIsUnsavedUnderItsOriginalNameAndGoesOnceSessionHasItsOwn()
    {
        const QString strOriginal = m_dir.path() + QStringLiteral("/picture.gwp");
        LeaveCopy(Folder(), strOriginal.toStdString(), 1700000000, 'Q');
        CMainFrame frame;
        Offer(frame, [](CRecoveryDlg* pDlg) {
            QCOMPARE(pDlg->windowTitle(), QStringLiteral("Recover Drawings"));
            QCOMPARE(pDlg->List()->topLevelItemCount(), 1);
            QCOMPARE(pDlg->List()->topLevelItem(0)->text(0), QStringLiteral("picture.gwp"));
            QCOMPARE(pDlg->List()->topLevelItem(0)->text(2), QStringLiteral("2"));
            pDlg->RestoreButton()->click();
        });
        CArtDoc& doc = frame.Document();
        QCOMPARE(std::tuple(doc.GetRows(), doc.GetCols(), doc.GetFrameCount()), std::tuple(5, 7, 2));
        QCOMPARE(doc.GetFrames().begin()->second[1 * 7 + 2].chChar, uint8_t('P'));
        QCOMPARE(doc.GetCurCells()[1 * 7 + 2].chChar, uint8_t('Q'));
        QVERIFY(doc.IsModified());
        QCOMPARE(QString::fromStdString(doc.GetPathName()), strOriginal);
        QVERIFY(frame.windowTitle().startsWith(QStringLiteral("picture - ")));
        QVERIFY(!QFile::exists(strOriginal));
        QVERIFY(FindOrphanedCopies(Folder().toStdString()).empty());
        const QString strOwn = QString::fromStdString(frame.Autosave()->SessionName());
        QCOMPARE(Entries(strOwn + QStringLiteral(".*.gwp")).size(), 1);
    }

    // A copy that kept a background brings it back, setting and all, and the
    // session's own copy keeps it on; an older copy leaves the window's.
    void restoreBringsBackTheKeptBackground()
    {
        const COLORREF crWindow = 0x00204060u, crKept = 0x00C0FFC0u;
        using OptColor = std::optional<COLORREF>;
        for (const OptColor crCopy : {OptColor(crKept), OptColor()}) {
            ResetHome();
            LeaveCopy(Folder(), "", 1700000000, 'K', crCopy);
            CMainFrame frame;
            frame.View()->SetBackColor(crWindow);
            frame.RulerCorner()->SetBackColor(crWindow);
            Offer(frame, [](CRecoveryDlg* pDlg) { pDlg->RestoreButton()->click(); });
            QCOMPARE(frame.Document().GetCurCells()[1 * 7 + 2].chChar, uint8_t('K'));
            const COLORREF crWant = crCopy.value_or(crWindow);
            QCOMPARE(frame.View()->GetBackColor(), crWant);
            QCOMPARE(frame.RulerCorner()->BackColor(), crWant);
            QSettings settings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
            QCOMPARE(ReadSettingU32(settings, "GWColor", "BKCLR", 0), crWant);
            const QString strOwn = QString::fromStdString(frame.Autosave()->SessionName());
            QVERIFY(FileBytes(Folder() + '/' + strOwn + QStringLiteral(".desc"))
                        .contains(QString::asprintf("\nback=%06x\n", crWant).toLatin1()));
        }
    }

    void damagedCopyOnlyDiscardedAndDecideLaterKeepsTheRest()
    {
        LeaveCopy(Folder(), "", 1700000000, 'U');
        LeaveCopy(Folder(), m_dir.path().toStdString() + "/broken.gwp", 1700000100, 'B');
        for (const CRecoveryEntry& e : FindOrphanedCopies(Folder().toStdString()))
            if (!e.strOriginalPath.empty())
                QVERIFY(QFile::remove(QString::fromStdString(e.strCopyPath)));
        CMainFrame frame;
        Offer(frame, [](CRecoveryDlg* pDlg) {
            QCOMPARE(pDlg->List()->topLevelItemCount(), 2);
            Select(pDlg, QStringLiteral("broken.gwp (damaged)"));
            QVERIFY(!pDlg->RestoreButton()->isEnabled());
            pDlg->DiscardButton()->click();
            QCOMPARE(pDlg->List()->topLevelItemCount(), 1);
            Select(pDlg, QStringLiteral("Untitled"));
            QVERIFY(pDlg->RestoreButton()->isEnabled());
            pDlg->LaterButton()->click();
        });
        QVERIFY(!frame.Document().IsModified());
        auto vLeft = FindOrphanedCopies(Folder().toStdString());
        QCOMPARE(vLeft.size(), size_t(1));
        QVERIFY(!vLeft[0].bDamaged && vLeft[0].strOriginalPath.empty());

        Offer(frame, [](CRecoveryDlg* pDlg) { pDlg->RestoreButton()->click(); });
        QVERIFY(frame.Document().IsModified());
        QVERIFY(frame.Document().GetPathName().empty());
        QCOMPARE(QString::fromStdString(frame.Document().GetTitle()), QStringLiteral("Untitled"));
        QCOMPARE(frame.Document().GetCurCells()[1 * 7 + 2].chChar, uint8_t('U'));
        QVERIFY(FindOrphanedCopies(Folder().toStdString()).empty());
    }
};

GW_SHELL_TEST_MAIN(CRecoveryDlgTest)
#include "recovery_dlg_test.moc"
