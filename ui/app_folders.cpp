#include "ui/app_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QList<CDataFile> ListEntries(const QString& strFolder, QDir::Filters filters, const QString& strSuffix)
{
    QList<CDataFile> vFiles;
    if (strFolder.isEmpty())
        return vFiles;
    const QDir dir(strFolder);
    // Directory order is arbitrary on Linux; people expect names in order.
    const QFileInfoList vInfos = dir.entryInfoList(filters | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& info : vInfos) {
        if (!strSuffix.isEmpty() && info.suffix() != strSuffix)
            continue;
        // The title drops the last extension only, as "a.b.flf" shows "a.b".
        const QString strTitle = info.isDir() ? info.fileName() : info.completeBaseName();
        vFiles.append({strTitle, info.absoluteFilePath(), dir.absolutePath()});
    }
    return vFiles;
}

} // namespace

QString AppDataFolderFor(const QString& strProgramDir)
{
    const QDir dirProgram(strProgramDir);
    if (dirProgram.dirName() == QStringLiteral("bin")) {
        const QString strShared =
            QDir::cleanPath(dirProgram.absoluteFilePath(QStringLiteral("../share/glyphwright")));
        if (QFileInfo(strShared).isDir())
            return strShared;
    }
    return QDir::cleanPath(dirProgram.absolutePath());
}

QString AppDataFolder()
{
    static const QString strFolder = AppDataFolderFor(QCoreApplication::applicationDirPath());
    return strFolder;
}

QString AppFolderPath(const QString& strName)
{
    return AppDataFolder() + u'/' + strName;
}

QString UserDataFolder(const QString& strName)
{
    const QString strBase = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return strBase + QStringLiteral("/Glyphwright/") + strName;
}

QString SystemFigletFolder()
{
    return QStringLiteral("/usr/share/figlet");
}

QList<CDataFile> ListDataFiles(const QString& strFolder, const QString& strSuffix)
{
    return ListEntries(strFolder, QDir::Files, strSuffix);
}

QList<CDataFile> ListDataFolders(const QString& strFolder)
{
    return ListEntries(strFolder, QDir::Dirs, QString());
}

QList<CDataFile> ListFigFonts()
{
    QList<CDataFile> vFonts = ListDataFiles(AppFolderPath(QStringLiteral("Fonts")));
    vFonts += ListDataFiles(UserDataFolder(QStringLiteral("Fonts")), QStringLiteral("flf"));
    vFonts += ListDataFiles(SystemFigletFolder(), QStringLiteral("flf"));
    return vFonts;
}

QString FindFigFont(const QString& strName)
{
    if (strName.isEmpty())
        return {};
    if (QFileInfo(strName).isFile())
        return strName;
    // A name with a slash is a path, and it does not exist.
    if (strName.contains(u'/'))
        return {};
    // FIGlet fonts first, then TOIlet fonts of the same folders by name.
    QList<CDataFile> vFonts = ListFigFonts();
    vFonts += ListDataFiles(UserDataFolder(QStringLiteral("Fonts")), QStringLiteral("tlf"));
    vFonts += ListDataFiles(SystemFigletFolder(), QStringLiteral("tlf"));
    for (const CDataFile& font : vFonts) {
        if (font.strTitle == strName || QFileInfo(font.strPath).fileName() == strName)
            return font.strPath;
    }
    return {};
}
