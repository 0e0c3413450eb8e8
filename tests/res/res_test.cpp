// The command table and the images of the res level: texts and keys as the
// program shows them, every image present and drawn, cursors that act where
// they point, and a help page whose images are all beside it.
#include "res/app_strings.h"
#include "res/bar_layout.h"
#include "res/command_ids.h"
#include "res/command_table.h"
#include "res/resources.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <span>

using namespace gw;

namespace {

// An icon drawn at a size, on transparency.
QImage Render(const QIcon& icon, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(0, 0, size, size));
    return image;
}

// Share of the pixels drawn; with darkOnly, of those drawn in a dark colour.
double InkFraction(const QImage& image, bool darkOnly = false)
{
    int ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (darkOnly)
                ink += qAlpha(p) > 128 && qGray(p) < 100 ? 1 : 0;
            else
                ink += qAlpha(p) > 32 ? 1 : 0;
        }
    }
    return double(ink) / (image.width() * image.height());
}

QString IconName(const char* path)
{
    return QString::fromLatin1(path);
}

// The patterns of a Qt "Label (patterns)" file-dialog filter, split the way
// the file dialogs split them.
QStringList FilterPatterns(const char* filter)
{
    static const QRegularExpression re(QStringLiteral("^(.*)\\(([a-zA-Z0-9_.,*? +;#\\-\\[\\]@\\{\\}/!<>\\$%&=^~:\\|]*)\\)$"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(filter));
    if (!m.hasMatch())
        return {};
    return m.captured(2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

const std::span<const int> kToolbars[] = {kMainToolbar, kControlToolbar, kOtherToolsToolbar, kViewToolbar,
                                          kToolsToolbar};
const std::span<const int> kMenus[] = {kFileMenu, kExportMenu, kEditMenu, kViewMenu, kToolsMenu, kControlMenu,
                                       kHelpMenu, kCanvasMenu, kFrameMenu};

} // namespace

class CResTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { GwInitResources(); }

    void idsAreUnique()
    {
        QSet<int> seen;
        for (const SCommandInfo& info : AllCommands()) {
            QVERIFY2(!seen.contains(info.nId), qPrintable(QString::number(info.nId)));
            seen.insert(info.nId);
        }
    }

    void everyBarAndMenuItemIsInTheTable()
    {
        for (std::span<const int> bar : kToolbars) {
            for (int id : bar) {
                if (id == ID_SEPARATOR)
                    continue;
                const SCommandInfo* info = FindCommand(id);
                QVERIFY2(info, qPrintable(QString::number(id)));
                QVERIFY2(info->pszIcon, qPrintable(QStringLiteral("toolbar button without image: %1").arg(id)));
                QVERIFY(info->pszTooltip && *info->pszTooltip);
            }
        }
        for (std::span<const int> menu : kMenus) {
            for (int id : menu) {
                if (id == ID_SEPARATOR || id == ID_EXPORT_MENU)
                    continue;
                const SCommandInfo* info = FindCommand(id);
                QVERIFY2(info && info->pszMenuText, qPrintable(QString::number(id)));
                QVERIFY(info->pszStatus && *info->pszStatus);
            }
        }
        QVERIFY(FindCommand(ID_NEXT_PANE));
        QVERIFY(FindCommand(ID_PREV_PANE));
        QCOMPARE(FindCommand(12345), nullptr);
        QVERIFY(CommandIcon(12345).isNull());
    }

    void menuTexts_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("new") << ID_FILE_NEW << "&New\tCtrl+N";
        QTest::newRow("open") << ID_FILE_OPEN << "&Open...\tCtrl+O";
        QTest::newRow("save as") << ID_FILE_SAVE_AS << "Save &As...";
        QTest::newRow("print preview") << ID_FILE_PRINT_PREVIEW << "Print Pre&view";
        QTest::newRow("print setup") << ID_FILE_PRINT_SETUP << "P&rint Setup...";
        QTest::newRow("exit") << ID_APP_EXIT << "E&xit";
        QTest::newRow("undo") << ID_EDIT_UNDO << "&Undo\tCtrl+Z";
        QTest::newRow("redo") << ID_EDIT_REDO << "&Redo\tCtrl+Y";
        QTest::newRow("cut") << ID_EDIT_CUT << "Cu&t\tCtrl+X";
        QTest::newRow("settings") << ID_SETTINGS << "Seting";
        QTest::newRow("zoom in") << ID_ZOOM_IN << "Zoom In (+)";
        QTest::newRow("zoom out") << ID_ZOOM_OUT << "Zoom Out (-)";
        QTest::newRow("status bar") << ID_VIEW_STATUS_BAR << "&Status Bar";
        QTest::newRow("about") << ID_APP_ABOUT << "&About Glyphwright";
        QTest::newRow("tool") << ID_TOOL_ELLIPSE << QString();
    }

    void menuTexts()
    {
        QFETCH(int, id);
        QFETCH(QString, text);
        const SCommandInfo* info = FindCommand(id);
        QVERIFY(info);
        QCOMPARE(info->pszMenuText ? QString::fromLatin1(info->pszMenuText) : QString(), text);
    }

    void statusAndTooltips_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("tooltip");
        QTest::newRow("ellipse") << ID_TOOL_ELLIPSE << "Draw a ellipse" << "Draw a ellipse";
        QTest::newRow("cursor") << ID_TOOL_CURSOR << "This is only a cursor" << "This is only a cursor";
        QTest::newRow("pick") << ID_TOOL_PICK << "Pick up a character" << "Pick up a character";
        QTest::newRow("char picker") << ID_VIEW_CHAR_PICKER << "Show or hide character picker" << "Character picker";
        QTest::newRow("auto draw") << ID_AUTO_DRAW << "Draw by auto character" << "Auto draw";
        QTest::newRow("image") << ID_IMAGE_CONVERT << "Convert image to Ascii character"
                               << "Convert image to Ascii character";
        QTest::newRow("clipboard") << ID_PASTE_CLIPBOARD << "Paste from system ClipBoard"
                                   << "Paste from system ClipBoard";
        QTest::newRow("play") << ID_PLAY << "Start play" << "Start play";
        QTest::newRow("delete frame") << ID_DELETE_FRAME << "Delete a frame" << "Delete a frame";
        QTest::newRow("settings") << ID_SETTINGS << "Seting" << "Seting";
        QTest::newRow("help") << ID_HELP_CONTENTS << "Open main help Contents" << "Open main help Contents";
    }

    void statusAndTooltips()
    {
        QFETCH(int, id);
        QFETCH(QString, status);
        QFETCH(QString, tooltip);
        const SCommandInfo* info = FindCommand(id);
        QVERIFY(info);
        QCOMPARE(QString::fromLatin1(info->pszStatus), status);
        QCOMPARE(QString::fromLatin1(info->pszTooltip), tooltip);
    }

    // The view toolbar shows each button's tooltip beside its image.
    void viewBarLabels()
    {
        QStringList labels;
        for (int id : kViewToolbar)
            if (id != ID_SEPARATOR)
                labels << QString::fromLatin1(FindCommand(id)->pszTooltip);
        QCOMPARE(labels, QStringList({"Auto draw", "Show grid", "Onion skin", "Character picker", "Frame panel",
                                      "Color picker", "Mirror"}));
    }

    void shortcuts_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QList<QKeySequence>>("keys");
        using K = QKeySequence;
        QTest::newRow("new") << ID_FILE_NEW << QList<K>{K(Qt::CTRL | Qt::Key_N)};
        QTest::newRow("print") << ID_FILE_PRINT << QList<K>{K(Qt::CTRL | Qt::Key_P)};
        QTest::newRow("undo") << ID_EDIT_UNDO << QList<K>{K(Qt::CTRL | Qt::Key_Z), K(Qt::ALT | Qt::Key_Backspace)};
        QTest::newRow("redo") << ID_EDIT_REDO << QList<K>{K(Qt::CTRL | Qt::Key_Y)};
        QTest::newRow("cut") << ID_EDIT_CUT << QList<K>{K(Qt::CTRL | Qt::Key_X), K(Qt::SHIFT | Qt::Key_Delete)};
        QTest::newRow("copy") << ID_EDIT_COPY << QList<K>{K(Qt::CTRL | Qt::Key_C), K(Qt::CTRL | Qt::Key_Insert)};
        QTest::newRow("paste") << ID_EDIT_PASTE << QList<K>{K(Qt::CTRL | Qt::Key_V), K(Qt::SHIFT | Qt::Key_Insert)};
        QTest::newRow("next pane") << ID_NEXT_PANE << QList<K>{K(Qt::Key_F6)};
        QTest::newRow("prev pane") << ID_PREV_PANE << QList<K>{K(Qt::SHIFT | Qt::Key_F6)};
        QTest::newRow("save as") << ID_FILE_SAVE_AS << QList<K>{};
        QTest::newRow("delete") << ID_EDIT_DELETE << QList<K>{K(Qt::Key_Delete)};
    }

    void shortcuts()
    {
        QFETCH(int, id);
        QFETCH(QList<QKeySequence>, keys);
        QCOMPARE(CommandShortcuts(id), keys);
    }

    // A key runs one command, and a shortcut a menu item shows after its tab
    // is the key that runs it.
    void shortcutsAgreeWithMenus()
    {
        QHash<QKeySequence, int> owner;
        for (const SCommandInfo& info : AllCommands()) {
            const QList<QKeySequence> keys = CommandShortcuts(info.nId);
            for (const QKeySequence& key : keys) {
                QVERIFY2(!key.isEmpty(), qPrintable(QString::number(info.nId)));
                QVERIFY2(!owner.contains(key), qPrintable(key.toString()));
                owner.insert(key, info.nId);
            }
            const QString shown = info.pszMenuText ? QString::fromLatin1(info.pszMenuText).section('\t', 1) : QString();
            if (!shown.isEmpty()) {
                QVERIFY2(!keys.isEmpty(), info.pszMenuText);
                QCOMPARE(keys.first(), QKeySequence(shown, QKeySequence::PortableText));
            }
            if (info.pszMenuText)
                QVERIFY(!MenuLabel(info).contains('\t'));
        }
        QCOMPARE(MenuLabel(*FindCommand(ID_FILE_OPEN)), QStringLiteral("&Open..."));
    }

    void iconsDraw_data()
    {
        QTest::addColumn<QString>("icon");
        QSet<QString> seen;
        auto add = [&](const char* path) {
            if (path && !seen.contains(IconName(path))) {
                seen.insert(IconName(path));
                QTest::newRow(path) << IconName(path);
            }
        };
        for (const SCommandInfo& info : AllCommands())
            add(info.pszIcon);
        for (const SPaletteEntry& e : SelectModePalette())
            add(e.pszIcon);
        for (const SPaletteEntry& e : FreehandPalette())
            add(e.pszIcon);
    }

    // Each image exists and draws something at toolbar size and at twice
    // that: neither nothing nor a filled square.
    void iconsDraw()
    {
        QFETCH(QString, icon);
        QVERIFY2(QFile::exists(icon), qPrintable(icon));
        const QIcon qicon(icon);
        QVERIFY(!qicon.isNull());
        for (int size : {18, 36}) {
            const double ink = InkFraction(Render(qicon, size));
            QVERIFY2(ink > 0.03 && ink < 0.97, qPrintable(QStringLiteral("%1 at %2: %3").arg(icon).arg(size).arg(ink)));
        }
    }

    // No two commands or palette entries show the same picture.
    void iconsAreDistinct()
    {
        QHash<QString, QString> pictureOwner;
        QSet<QString> paths;
        auto check = [&](const char* path) {
            if (!path)
                return;
            QVERIFY2(!paths.contains(IconName(path)), path);
            paths.insert(IconName(path));
            const QImage image = Render(QIcon(IconName(path)), 36);
            const QString key = QString::fromLatin1(
                QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()).toBase64());
            QVERIFY2(!pictureOwner.contains(key),
                     qPrintable(QStringLiteral("%1 looks like %2").arg(IconName(path), pictureOwner.value(key))));
            pictureOwner.insert(key, IconName(path));
        };
        for (const SCommandInfo& info : AllCommands())
            check(info.pszIcon);
        for (const SPaletteEntry& e : SelectModePalette())
            check(e.pszIcon);
        for (const SPaletteEntry& e : FreehandPalette())
            check(e.pszIcon);
    }

    void palettes()
    {
        const auto select = SelectModePalette();
        QCOMPARE(select.size(), size_t(2));
        QCOMPARE(select[0].nValue, 1);
        QCOMPARE(QString(select[0].pszLabel), QStringLiteral("Select No BK"));
        QCOMPARE(QString(select[0].pszTooltip), QStringLiteral("Select transparence background"));
        QCOMPARE(select[1].nValue, 2);
        QCOMPARE(QString(select[1].pszLabel), QStringLiteral("SelectBK"));
        QCOMPARE(QString(select[1].pszTooltip), QStringLiteral("Select with background"));

        // Widths 1 to 10 choose tool codes 4 to 13, and each brush image is
        // larger than the one before.
        const auto widths = FreehandPalette();
        QCOMPARE(widths.size(), size_t(10));
        double previous = 0;
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(widths[i].nValue, i + 4);
            QCOMPARE(QString(widths[i].pszLabel), QStringLiteral("Width %1").arg(i + 1));
            QCOMPARE(QString(widths[i].pszTooltip), QStringLiteral("Freehand with width %1").arg(i + 1));
            const double ink = InkFraction(Render(QIcon(IconName(widths[i].pszIcon)), 36), true);
            QVERIFY2(ink > previous, widths[i].pszLabel);
            previous = ink;
        }
    }

    void appIcon()
    {
        const QIcon icon = AppIcon();
        QVERIFY(!icon.isNull());
        for (int size : {16, 32, 48, 256}) {
            const QImage image = Render(icon, size);
            QVERIFY(InkFraction(image) > 0.5);
            // A mark of several colours, not one flat tile.
            QSet<QRgb> colours;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    colours.insert(image.pixel(x, y) & 0xF0F0F0F0u);
            QVERIFY2(colours.size() >= 5, qPrintable(QString::number(size)));
        }
    }

    // Every cursor is a 32-pixel image whose hot spot lies on what it draws.
    void cursors()
    {
        QCOMPARE(ToolCursorIds().size(), size_t(8));
        for (int id : ToolCursorIds()) {
            const QCursor cursor = ToolCursor(id);
            QCOMPARE(cursor.shape(), Qt::BitmapCursor);
            const QImage image = cursor.pixmap().toImage();
            QCOMPARE(image.size(), QSize(32, 32));
            const QPoint hot = cursor.hotSpot();
            QVERIFY2(image.rect().contains(hot), qPrintable(QString::number(id)));
            bool onInk = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (image.rect().contains(hot + QPoint(dx, dy)) && qAlpha(image.pixel(hot + QPoint(dx, dy))) > 128)
                        onInk = true;
            QVERIFY2(onInk, qPrintable(QStringLiteral("cursor %1 hot spot (%2, %3) is off its picture")
                                           .arg(id).arg(hot.x()).arg(hot.y())));
        }
        QCOMPARE(ToolCursor(100).shape(), Qt::ArrowCursor);
    }

    void fileFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("listed");
        QTest::newRow("gwp") << IDS_FILTER_GWP << "dragon.gwp" << true;
        QTest::newRow("gwp other") << IDS_FILTER_GWP << "dragon.txt" << false;
        QTest::newRow("open") << IDS_FILTER_OPEN << "dragon.gwp" << true;
        QTest::newRow("open other") << IDS_FILTER_OPEN << "dragon.htm" << false;
        QTest::newRow("text") << IDS_FILTER_TEXT << "frame.txt" << true;
        QTest::newRow("htm") << IDS_FILTER_HTML << "frame.htm" << true;
        QTest::newRow("html") << IDS_FILTER_HTML << "frame.html" << true;
        QTest::newRow("html other") << IDS_FILTER_HTML << "frame.txt" << false;
        QTest::newRow("png") << IDS_FILTER_IMAGE << "photo.png" << true;
        QTest::newRow("jpg") << IDS_FILTER_IMAGE << "photo.jpg" << true;
        QTest::newRow("bmp") << IDS_FILTER_IMAGE << "photo.bmp" << true;
        QTest::newRow("gif") << IDS_FILTER_IMAGE << "photo.gif" << true;
    }

    void fileFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QString, file);
        QFETCH(bool, listed);
        const QStringList patterns = FilterPatterns(filter.toLatin1().constData());
        QVERIFY2(!patterns.isEmpty(), qPrintable(filter));
        QCOMPARE(QDir::match(patterns, file), listed);
    }

    // The build puts the help page beside the program with every image it
    // shows.
    void helpPageImages()
    {
        const QDir bin(QStringLiteral(GW_BIN_DIR));
        QFile page(bin.filePath(QString::fromLatin1(IDS_HELP_FILE)));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        static const QRegularExpression src(QStringLiteral("<img[^>]*\\ssrc=\"([^\"]+)\""));
        int images = 0;
        for (auto it = src.globalMatch(html); it.hasNext();) {
            const QString file = it.next().captured(1);
            QVERIFY2(QFileInfo(bin.filePath(file)).isFile(), qPrintable(file));
            ++images;
        }
        QVERIFY(images > 0);
    }
};

QTEST_MAIN(CResTest)
#include "res_test.moc"
