#include "shell/desktop_registration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <functional>

namespace {

const QString MIME_TYPE = QStringLiteral("application/x-glyphwright");

// Writes data to path unless the file already holds exactly that; true when written.
bool WriteIfChanged(const QString& strPath, const QByteArray& data)
{
    QFile existing(strPath);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == data) {
        return false;
    }
    existing.close();
    if (!QDir().mkpath(QFileInfo(strPath).absolutePath())) {
        return false;
    }
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(data) == data.size();
}

// Runs a cache updater if it is installed; a missing tool or a hang is not an error.
void RunUpdater(const QString& strTool, const QString& strFolder)
{
    const QString strExe = QStandardPaths::findExecutable(strTool);
    if (strExe.isEmpty()) {
        return;
    }
    QProcess process;
    process.start(strExe, {strFolder});
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(500);
    }
}

// Desktop entries quote arguments with double quotes and escape these characters.
QString QuoteExec(const QString& strProgram)
{
    QString str = strProgram;
    bool bNeedQuotes = false;
    for (QChar ch : strProgram) {
        if (ch.isSpace() || QStringLiteral("\"'\\><~|&;$*?#()`").contains(ch)) {
            bNeedQuotes = true;
        }
    }
    if (!bNeedQuotes) {
        return str;
    }
    str.replace(u'\\', QStringLiteral("\\\\"));
    str.replace(u'"', QStringLiteral("\\\""));
    str.replace(u'`', QStringLiteral("\\`"));
    str.replace(u'$', QStringLiteral("\\$"));
    // In the file itself a backslash is escaped once more.
    str.replace(u'\\', QStringLiteral("\\\\"));
    return u'"' + str + u'"';
}

} // namespace

QByteArray MimePackageXml()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-glyphwright\">\n"
        "    <comment>Glyphwright Document</comment>\n"
        "    <icon name=\"glyphwright\"/>\n"
        "    <magic priority=\"50\">\n"
        "      <match type=\"string\" offset=\"0\" value=\"GWHEADER\"/>\n"
        "    </magic>\n"
        "    <glob pattern=\"*.gwp\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
}

QByteArray DesktopEntry(const QString& strProgram, const QString& strIcon)
{
    QString str = QStringLiteral("[Desktop Entry]\n"
                                 "Type=Application\n"
                                 "Name=Glyphwright\n"
                                 "Comment=Draw pictures and animations in characters\n");
    str += QStringLiteral("Exec=%1 %f\n").arg(QuoteExec(strProgram));
    if (!strIcon.isEmpty()) {
        str += QStringLiteral("Icon=%1\n").arg(strIcon);
    }
    str += QStringLiteral("Terminal=false\n"
                          "Categories=Graphics;\n"
                          "MimeType=%1;\n")
               .arg(MIME_TYPE);
    return str.toUtf8();
}

bool RegisterFileType(const CDesktopRegistration& reg, bool bRunUpdaters)
{
    if (reg.strDataHome.isEmpty() || reg.strProgram.isEmpty()) {
        return false;
    }
    const QString strMime = reg.strDataHome + QStringLiteral("/mime");
    const QString strApps = reg.strDataHome + QStringLiteral("/applications");
    QString strIcon;
    if (!reg.iconSvg.isEmpty()) {
        const QString strIconPath =
            reg.strDataHome + QStringLiteral("/icons/hicolor/scalable/apps/glyphwright.svg");
        WriteIfChanged(strIconPath, reg.iconSvg);
        // The absolute path works whether or not the theme cache knows the icon.
        if (QFile::exists(strIconPath)) {
            strIcon = strIconPath;
        }
    }
    const bool bMime =
        WriteIfChanged(strMime + QStringLiteral("/packages/glyphwright.xml"), MimePackageXml());
    const bool bDesktop = WriteIfChanged(strApps + QStringLiteral("/glyphwright.desktop"),
                                         DesktopEntry(reg.strProgram, strIcon));
    if (bRunUpdaters && bMime) {
        RunUpdater(QStringLiteral("update-mime-database"), strMime);
    }
    if (bRunUpdaters && bDesktop) {
        RunUpdater(QStringLiteral("update-desktop-database"), strApps);
    }
    return bMime || bDesktop;
}

bool IsInstalledWithDesktopFiles(const QString& strProgramDir)
{
    const QDir dirProgram(strProgramDir);
    return dirProgram.dirName() == QStringLiteral("bin") &&
           QFileInfo(dirProgram.absoluteFilePath(QStringLiteral("../share/applications/") +
                                                 QString::fromLatin1(INSTALLED_DESKTOP_ID)))
               .isFile();
}

bool RemoveUserRegistration(const CDesktopRegistration& reg, bool bRunUpdaters)
{
    if (reg.strDataHome.isEmpty()) {
        return false;
    }
    // What an entry of ours starts with, whichever program it named.
    const QByteArray entry = DesktopEntry(QStringLiteral("x"), QString());
    const QByteArray entryStart = entry.left(entry.indexOf("Exec="));
    const auto removeIf = [](const QString& strPath, const std::function<bool(const QByteArray&)>& isOurs) {
        QFile file(strPath);
        if (!file.open(QIODevice::ReadOnly) || !isOurs(file.read(64 * 1024))) {
            return false;
        }
        file.close();
        return QFile::remove(strPath);
    };
    const QString strMime = reg.strDataHome + QStringLiteral("/mime");
    const QString strApps = reg.strDataHome + QStringLiteral("/applications");
    const bool bMime = removeIf(strMime + QStringLiteral("/packages/glyphwright.xml"),
                                [](const QByteArray& data) { return data == MimePackageXml(); });
    const bool bDesktop =
        removeIf(strApps + QStringLiteral("/glyphwright.desktop"),
                 [&](const QByteArray& data) { return data.startsWith(entryStart); });
    const bool bIcon = !reg.iconSvg.isEmpty() &&
                       removeIf(reg.strDataHome + QStringLiteral("/icons/hicolor/scalable/apps/glyphwright.svg"),
                                [&](const QByteArray& data) { return data == reg.iconSvg; });
    if (bRunUpdaters && bMime) {
        RunUpdater(QStringLiteral("update-mime-database"), strMime);
    }
    if (bRunUpdaters && bDesktop) {
        RunUpdater(QStringLiteral("update-desktop-database"), strApps);
    }
    return bMime || bDesktop || bIcon;
}

CDesktopRegistration CurrentDesktopRegistration(const QByteArray& iconSvg)
{
    CDesktopRegistration reg;
    reg.strDataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    reg.strProgram = QCoreApplication::applicationFilePath();
    reg.iconSvg = iconSvg;
    return reg;
}
