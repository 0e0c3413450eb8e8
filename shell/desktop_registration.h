// Makes ".gwp" files open in this program from the desktop: a shared-mime-info
// package that recognises the files by name and by their "GWHEADER" magic, a
// desktop entry that runs this executable with the file, and the program's
// icon. Runs at every start of a program that was not installed with its
// package's files, so the entry always names the current executable; files
// are rewritten only when their content would change, and every failure is
// ignored.
#pragma once

#include <QString>

struct CDesktopRegistration {
    QString strDataHome;   // $XDG_DATA_HOME or ~/.local/share
    QString strProgram;    // absolute path of the executable
    QByteArray iconSvg;    // the application icon; empty: no icon installed
};

// The contents written, apart for tests.
QByteArray MimePackageXml();
QByteArray DesktopEntry(const QString& strProgram, const QString& strIcon);

// Writes what changed; returns true when anything was written (the caches
// are then renewed with update-mime-database / update-desktop-database).
bool RegisterFileType(const CDesktopRegistration& reg, bool bRunUpdaters = true);

// The desktop entry a package installs: <prefix>/share/applications/ of it.
inline constexpr char INSTALLED_DESKTOP_ID[] = "com.quillmark.Glyphwright.desktop";

// Whether the program in strProgramDir ("<prefix>/bin") was installed with
// its package's desktop files (the entry above under "<prefix>/share"):
// they serve every user, so nothing is written into the user's folder.
bool IsInstalledWithDesktopFiles(const QString& strProgramDir);

// Removes from the user's data folder what RegisterFileType writes there
// (files it would write itself, and no others), so that an older per-user
// registration does not shadow the package's. True when anything went.
bool RemoveUserRegistration(const CDesktopRegistration& reg, bool bRunUpdaters = true);

// The registration for this process: the data home from the environment,
// the running executable and the icon from the program's resources.
CDesktopRegistration CurrentDesktopRegistration(const QByteArray& iconSvg);
