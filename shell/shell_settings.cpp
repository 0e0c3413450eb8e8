#include "shell/shell_settings.h"

#include "core/backup_store.h"
#include "ui/settings_value.h"

#include <QSettings>

namespace {

const QString SECTION = QStringLiteral("GWSet");
// Beyond any canvas: an axis there mirrors nothing onto it.
constexpr int MIRROR_AXIS_LIMIT = 1 << 20;

QSettings AppSettings()
{
    return QSettings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
}

} // namespace

void SShellSettings::Read()
{
    QSettings settings = AppSettings();
    // Values outside the ranges the settings dialog accepts would stall
    // playback or the undo store; they are taken as absent.
    const quint32 nSteps = ReadSettingU32(settings, SECTION, QStringLiteral("UndoRedoStep"), 100);
    g_nUndoRedoStep = (nSteps >= 1 && nSteps <= 200) ? nSteps : 100;
    const quint32 nLoop = ReadSettingU32(settings, SECTION, QStringLiteral("PlayLoop"), 1);
    m_bPlayLoop = nLoop <= 1 ? static_cast<int>(nLoop) : 1;
    const qint32 nInterval = ReadSettingI32(settings, SECTION, QStringLiteral("FrmInterval"), 5);
    m_nFrameInterval = (nInterval >= 1 && nInterval <= 100) ? nInterval : 5;
    const qint32 nAutosave = ReadSettingI32(settings, SECTION, QStringLiteral("AutosaveSecs"), 30);
    m_nAutosaveSecs = (nAutosave >= 0 && nAutosave <= 3600) ? nAutosave : 30;
    m_bOnionShown = ReadSettingU32(settings, SECTION, QStringLiteral("OnionShown"), 0) == 1 ? 1 : 0;
    const SOnionSettings defaults;
    const auto count = [&](const QString& strKey, int nDefault) {
        const quint32 n = ReadSettingU32(settings, SECTION, strKey, static_cast<quint32>(nDefault));
        return n <= SOnionSettings::MAX_FRAMES ? static_cast<int>(n) : nDefault;
    };
    m_onion.nBefore = count(QStringLiteral("OnionBefore"), defaults.nBefore);
    m_onion.nAfter = count(QStringLiteral("OnionAfter"), defaults.nAfter);
    m_onion.crBefore = ReadSettingU32(settings, SECTION, QStringLiteral("OnionBeforeColor"), defaults.crBefore);
    m_onion.crAfter = ReadSettingU32(settings, SECTION, QStringLiteral("OnionAfterColor"), defaults.crAfter);
    m_onion = m_onion.Clamped();
    // A mode or an axis out of range counts as absent: off, the centre.
    const auto read = [&](const char* pszName, int nDefault, int nMin, int nMax) {
        const qint32 n = ReadSettingI32(settings, SECTION, QLatin1String(pszName), nDefault);
        return (n >= nMin && n <= nMax) ? n : nDefault;
    };
    m_nMirrorMode = read("MirrorMode", 0, 0, 3);
    m_nMirrorLastMode = read("MirrorLastMode", 1, 1, 3);
    m_nMirrorColAxis = read("MirrorColAxis", -1, -1, MIRROR_AXIS_LIMIT);
    m_nMirrorRowAxis = read("MirrorRowAxis", -1, -1, MIRROR_AXIS_LIMIT);
}

void SShellSettings::Write() const
{
    QSettings settings = AppSettings();
    WriteSettingU32(settings, SECTION, QStringLiteral("UndoRedoStep"), g_nUndoRedoStep);
    WriteSettingU32(settings, SECTION, QStringLiteral("PlayLoop"), static_cast<quint32>(m_bPlayLoop));
    WriteSettingI32(settings, SECTION, QStringLiteral("FrmInterval"), m_nFrameInterval);
    WriteSettingI32(settings, SECTION, QStringLiteral("AutosaveSecs"), m_nAutosaveSecs);
    WriteSettingU32(settings, SECTION, QStringLiteral("OnionShown"), static_cast<quint32>(m_bOnionShown));
    WriteSettingU32(settings, SECTION, QStringLiteral("OnionBefore"), static_cast<quint32>(m_onion.nBefore));
    WriteSettingU32(settings, SECTION, QStringLiteral("OnionAfter"), static_cast<quint32>(m_onion.nAfter));
    WriteSettingU32(settings, SECTION, QStringLiteral("OnionBeforeColor"), m_onion.crBefore);
    WriteSettingU32(settings, SECTION, QStringLiteral("OnionAfterColor"), m_onion.crAfter);
    WriteSettingI32(settings, SECTION, QStringLiteral("MirrorMode"), m_nMirrorMode);
    WriteSettingI32(settings, SECTION, QStringLiteral("MirrorLastMode"), m_nMirrorLastMode);
    WriteSettingI32(settings, SECTION, QStringLiteral("MirrorColAxis"), m_nMirrorColAxis);
    WriteSettingI32(settings, SECTION, QStringLiteral("MirrorRowAxis"), m_nMirrorRowAxis);
    settings.sync();
}
