// The fixed-width settings values: the exact bytes written, and which stored
// values a read accepts. Every case works on a settings file of its own in a
// temporary folder, in the format the editor's native settings use on Linux.
#include "ui/settings_value.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

class SettingsValueTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QSettings> OpenSettings()
    {
        return std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("Glyphwright.conf")),
                                           QSettings::IniFormat);
    }

    QTemporaryDir m_dir;

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup() { QFile::remove(m_dir.filePath(QStringLiteral("Glyphwright.conf"))); }

    void writersStoreLittleEndianBytesOfTheirWidth()
    {
        {
            auto settings = OpenSettings();
            WriteSettingU32(*settings, "GWColor", "BKCLR", 0x00F0E0D0u);
            WriteSettingI32(*settings, "GWSet", "FrmInterval", -2);
            WriteSettingU8(*settings, "GWChar", "LTCHAR", 0x41);
            WriteSettingU32(*settings, "Custom Colors", "Color:0", 0x00000100u);
            settings->sync();
            QCOMPARE(settings->status(), QSettings::NoError);
        }
        // Read back from the file, so zero bytes must survive its encoding.
        auto settings = OpenSettings();
        QCOMPARE(settings->value("GWColor/BKCLR").toByteArray(), QByteArray("\xD0\xE0\xF0\x00", 4));
        QCOMPARE(settings->value("GWSet/FrmInterval").toByteArray(),
                 QByteArray("\xFE\xFF\xFF\xFF", 4));
        QCOMPARE(settings->value("GWChar/LTCHAR").toByteArray(), QByteArray("A"));
        QCOMPARE(settings->value("Custom Colors/Color:0").toByteArray(),
                 QByteArray("\x00\x01\x00\x00", 4));

        QCOMPARE(ReadSettingU32(*settings, "GWColor", "BKCLR", 1), 0x00F0E0D0u);
        QCOMPARE(ReadSettingI32(*settings, "GWSet", "FrmInterval", 5), -2);
        QCOMPARE(ReadSettingU8(*settings, "GWChar", "LTCHAR", 32), quint8(0x41));
        QCOMPARE(ReadSettingU32(*settings, "Custom Colors", "Color:0", 0), 0x00000100u);
    }

    void readersTakeOnlyBytesOfExactlyTheirWidth_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("takenAsU32");
        QTest::addColumn<bool>("takenAsU8");
        QTest::newRow("missing") << QVariant() << false << false;
        QTest::newRow("empty") << QVariant(QByteArray()) << false << false;
        QTest::newRow("1 byte") << QVariant(QByteArray("\x07", 1)) << false << true;
        QTest::newRow("3 bytes") << QVariant(QByteArray("\x07\x00\x00", 3)) << false << false;
        QTest::newRow("4 bytes") << QVariant(QByteArray("\x07\x00\x00\x00", 4)) << true << false;
        QTest::newRow("5 bytes") << QVariant(QByteArray("\x07\x00\x00\x00\x00", 5)) << false
                                 << false;
        QTest::newRow("8 bytes") << QVariant(QByteArray(8, '\x07')) << false << false;
        // Text typed into the file is not a stored number, whatever its length.
        QTest::newRow("text of 4 characters")
            << QVariant(QStringLiteral("\x07\x00\x00\x00")) << false << false;
        QTest::newRow("text digit") << QVariant(QStringLiteral("7")) << false << false;
        QTest::newRow("number") << QVariant(7) << false << false;
    }

    void readersTakeOnlyBytesOfExactlyTheirWidth()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, takenAsU32);
        QFETCH(bool, takenAsU8);
        {
            auto settings = OpenSettings();
            if (stored.isValid())
                settings->setValue("GWSet/Value", stored);
        }
        auto settings = OpenSettings();
        QCOMPARE(ReadSettingU32(*settings, "GWSet", "Value", 99), takenAsU32 ? 7u : 99u);
        QCOMPARE(ReadSettingI32(*settings, "GWSet", "Value", -99), takenAsU32 ? 7 : -99);
        QCOMPARE(ReadSettingU8(*settings, "GWSet", "Value", 99), quint8(takenAsU8 ? 7 : 99));

        QByteArray out("untouched");
        QCOMPARE(ReadSettingBytes(*settings, "GWSet", "Value", 4, &out), takenAsU32);
        QCOMPARE(out, takenAsU32 ? QByteArray("\x07\x00\x00\x00", 4) : QByteArray("untouched"));
    }

    void numbersKeepTheirSignAndFullRange()
    {
        auto settings = OpenSettings();
        WriteSettingI32(*settings, "GWSet", "Low", std::numeric_limits<qint32>::min());
        WriteSettingI32(*settings, "GWSet", "Minus", -1);
        WriteSettingU32(*settings, "GWSet", "High", 0xFFFFFFFFu);
        WriteSettingU8(*settings, "GWSet", "Byte", 0xFF);
        QCOMPARE(ReadSettingI32(*settings, "GWSet", "Low", 0), std::numeric_limits<qint32>::min());
        QCOMPARE(ReadSettingI32(*settings, "GWSet", "Minus", 0), -1);
        QCOMPARE(ReadSettingU32(*settings, "GWSet", "High", 0), 0xFFFFFFFFu);
        QCOMPARE(ReadSettingU32(*settings, "GWSet", "Minus", 0), 0xFFFFFFFFu);
        QCOMPARE(ReadSettingU8(*settings, "GWSet", "Byte", 0), quint8(0xFF));
    }

    void groupsKeepTheirOwnValues()
    {
        auto settings = OpenSettings();
        WriteSettingU32(*settings, "GWColor", "BKCLR", 1);
        WriteSettingU32(*settings, "GWSet", "BKCLR", 2);
        QCOMPARE(ReadSettingU32(*settings, "GWColor", "BKCLR", 0), 1u);
        QCOMPARE(ReadSettingU32(*settings, "GWSet", "BKCLR", 0), 2u);
        QCOMPARE(ReadSettingU32(*settings, "GWChar", "BKCLR", 0), 0u);
    }
};

QTEST_GUILESS_MAIN(SettingsValueTest)
#include "settings_value_test.moc"
