// Where the program's own data lives: the help page, "Fonts" and "SLib" in
// its data folder (installed, or beside the executable in a build tree), and
// the user's own copies under the XDG data folder
// (~/.local/share/Glyphwright/...). The imports list both.
#pragma once

#include <QString>
#include <QStringList>

// Where the program's own data lives, for a program in strProgramDir:
// "<prefix>/share/glyphwright" when it runs installed as "<prefix>/bin/...",
// which is when that folder exists; else strProgramDir itself, as in a build
// tree, where the data is copied beside the programs. No trailing slash.
QString AppDataFolderFor(const QString& strProgramDir);
// The data folder of this program.
QString AppDataFolder();
// The folder or file strName in the program's data folder.
QString AppFolderPath(const QString& strName);
// The user's folder strName under $XDG_DATA_HOME/Glyphwright (the folder
// need not exist).
QString UserDataFolder(const QString& strName);
// The system's FIGlet fonts, from Debian's figlet package.
QString SystemFigletFolder();

// One file found in a data folder: what the user sees, where it is, and the
// folder it came from.
struct CDataFile {
    QString strTitle;  // the name without its extension
    QString strPath;   // the full path
    QString strFolder; // the folder it was found in
};

// The files (not folders) directly in strFolder, sorted by name; with
// strSuffix (for instance "flf") only the names ending in "." + strSuffix.
// A missing folder gives none.
QList<CDataFile> ListDataFiles(const QString& strFolder, const QString& strSuffix = QString());
// The direct sub-folders of strFolder, sorted by name.
QList<CDataFile> ListDataFolders(const QString& strFolder);

// Every FIGlet font offered: each file of the "Fonts" folder beside the
// program, then the "*.flf" files of the user's "Fonts" folder and of the
// system's FIGlet folder, each folder sorted by name.
QList<CDataFile> ListFigFonts();
// A font named on a command line: an existing file as it is, else the first
// listed font whose title or file name is strName; empty when none is.
QString FindFigFont(const QString& strName);
