// The view's two colours in the settings ("GWColor": "FTCLR", "BKCLR"):
// defaults when missing or damaged, read at construction, written back as
// 4 little-endian bytes at destruction, pure black never taken as a colour.
#include "canvas/canvas_color.h"
#include "canvas_test_main.h"
#include "view_fixture.h"

#include <QObject>
#include <QSettings>
#include <QtEndian>

namespace {
QByteArray Le32(quint32 n)
{
    const quint32 nLe = qToLittleEndian(n);
    return QByteArray(reinterpret_cast<const char*>(&nLe), 4);
}
} // namespace

class CViewSettingsTest : public QObject {
    Q_OBJECT

    CArtDoc m_doc;

private slots:
    void init()
    {
        QSettings().clear();
        QSettings().sync();
    }

    // The settings file lives under the private test folder, never the user's.
    void settingsAreOutsideTheRealHome()
    {
        const QString strFile = QSettings().fileName();
        QVERIFY2(strFile.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")), qPrintable(strFile));
        QVERIFY(strFile.contains("Quillmark"));
    }

    void missingValuesGiveTheDefaults()
    {
        CArtView view(m_doc, nullptr);
        QCOMPARE(view.GetTextColor(), COLORREF(0x010101));
        QCOMPARE(view.GetBackColor(), COLORREF(0xFFFFFF));
    }

    void coloursRoundTrip()
    {
        {
            CArtView view(m_doc, nullptr);
            view.SetTextColor(0x123456);
            view.SetBackColor(0xABCDEF);
        }
        {
            QSettings settings;
            QCOMPARE(settings.value("GWColor/FTCLR").toByteArray(), Le32(0x123456));
            QCOMPARE(settings.value("GWColor/BKCLR").toByteArray(), Le32(0xABCDEF));
        }
        CArtView view(m_doc, nullptr);
        QCOMPARE(view.GetTextColor(), COLORREF(0x123456));
        QCOMPARE(view.GetBackColor(), COLORREF(0xABCDEF));
    }

    void damagedValuesGiveTheDefaults_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("3 bytes") << QVariant(QByteArray("\x11\x22\x33", 3));
        QTest::newRow("5 bytes") << QVariant(QByteArray("\x11\x22\x33\x00\x00", 5));
        QTest::newRow("empty") << QVariant(QByteArray());
        QTest::newRow("text of 4 characters") << QVariant(QStringLiteral("1234"));
        QTest::newRow("number") << QVariant(0x123456);
    }
    void damagedValuesGiveTheDefaults()
    {
        QFETCH(QVariant, value);
        {
            QSettings settings;
            settings.setValue("GWColor/FTCLR", value);
            settings.setValue("GWColor/BKCLR", value);
        }
        CArtView view(m_doc, nullptr);
        QCOMPARE(view.GetTextColor(), COLORREF(0x010101));
        QCOMPARE(view.GetBackColor(), COLORREF(0xFFFFFF));
    }

    // Black is the layers' key colour; a stored black (or a stray high byte)
    // must not make cells transparent.
    void storedBlackBecomesNearBlack()
    {
        {
            QSettings settings;
            settings.setValue("GWColor/FTCLR", Le32(0));
            settings.setValue("GWColor/BKCLR", Le32(0xFF00FF00));
        }
        CArtView view(m_doc, nullptr);
        QCOMPARE(view.GetTextColor(), CR_NEAR_BLACK);
        QCOMPARE(view.GetBackColor(), COLORREF(0x00FF00));
        view.SetTextColor(0);
        QCOMPARE(view.GetTextColor(), CR_NEAR_BLACK);
    }
};

GW_CANVAS_TEST_MAIN(CViewSettingsTest)
#include "view_settings_test.moc"
