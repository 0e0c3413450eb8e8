// The user's settings as fixed-width binary values.
//
// Every setting of the program is a QByteArray of a stated width holding a
// little-endian number, in a group of QSettings("Quillmark", "Glyphwright").
// A value replaces its default only when it is stored as bytes of exactly
// that width: a missing value, a value of another width or one stored as
// text leaves the default, so a damaged or hand-edited settings file never
// feeds the program a half-read number. Range checks are the caller's: only
// it knows what the number means.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QSettings;

// The bytes of group/name when they are stored as exactly nWidth bytes;
// false, leaving *pOut alone, otherwise.
bool ReadSettingBytes(QSettings& settings, const QString& strGroup, const QString& strName,
                      int nWidth, QByteArray* pOut);

quint32 ReadSettingU32(QSettings& settings, const QString& strGroup, const QString& strName,
                       quint32 nDefault);
qint32 ReadSettingI32(QSettings& settings, const QString& strGroup, const QString& strName,
                      qint32 nDefault);
quint8 ReadSettingU8(QSettings& settings, const QString& strGroup, const QString& strName,
                     quint8 nDefault);

// Store the number as little-endian bytes of its own width.
void WriteSettingU32(QSettings& settings, const QString& strGroup, const QString& strName,
                     quint32 nValue);
void WriteSettingI32(QSettings& settings, const QString& strGroup, const QString& strName,
                     qint32 nValue);
void WriteSettingU8(QSettings& settings, const QString& strGroup, const QString& strName,
                    quint8 nValue);
