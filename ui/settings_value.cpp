#include "ui/settings_value.h"

#include <QSettings>
#include <QVariant>
#include <QtEndian>

namespace {

QString Key(const QString& strGroup, const QString& strName)
{
    return strGroup + QLatin1Char('/') + strName;
}

template <typename T>
T ReadNumber(QSettings& settings, const QString& strGroup, const QString& strName, T nDefault)
{
    QByteArray bytes;
    if (!ReadSettingBytes(settings, strGroup, strName, int(sizeof(T)), &bytes))
        return nDefault;
    return qFromLittleEndian<T>(bytes.constData());
}

template <typename T>
void WriteNumber(QSettings& settings, const QString& strGroup, const QString& strName, T nValue)
{
    QByteArray bytes(int(sizeof(T)), '\0');
    qToLittleEndian<T>(nValue, bytes.data());
    settings.setValue(Key(strGroup, strName), bytes);
}

} // namespace

bool ReadSettingBytes(QSettings& settings, const QString& strGroup, const QString& strName,
                      int nWidth, QByteArray* pOut)
{
    const QVariant value = settings.value(Key(strGroup, strName));
    // Text such as "FrmInterval=7" typed into the file is not a stored
    // number, even when it happens to have the right length.
    if (value.typeId() != QMetaType::QByteArray)
        return false;
    QByteArray bytes = value.toByteArray();
    if (bytes.size() != nWidth)
        return false;
    *pOut = std::move(bytes);
    return true;
}

quint32 ReadSettingU32(QSettings& settings, const QString& strGroup, const QString& strName,
                       quint32 nDefault)
{
    return ReadNumber(settings, strGroup, strName, nDefault);
}

qint32 ReadSettingI32(QSettings& settings, const QString& strGroup, const QString& strName,
                      qint32 nDefault)
{
    return ReadNumber(settings, strGroup, strName, nDefault);
}

quint8 ReadSettingU8(QSettings& settings, const QString& strGroup, const QString& strName,
                     quint8 nDefault)
{
    return ReadNumber(settings, strGroup, strName, nDefault);
}

void WriteSettingU32(QSettings& settings, const QString& strGroup, const QString& strName,
                     quint32 nValue)
{
    WriteNumber(settings, strGroup, strName, nValue);
}

void WriteSettingI32(QSettings& settings, const QString& strGroup, const QString& strName,
                     qint32 nValue)
{
    WriteNumber(settings, strGroup, strName, nValue);
}

void WriteSettingU8(QSettings& settings, const QString& strGroup, const QString& strName,
                    quint8 nValue)
{
    WriteNumber(settings, strGroup, strName, nValue);
}
