#include "cli/fig_font_find.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The cleaned absolute form Qt gives a folder: no ".", "..", doubled or
// trailing separators.
std::string CleanFolder(const fs::path& path)
{
    std::error_code error;
    fs::path abs = path.is_absolute() ? path : fs::current_path(error) / path;
    std::string str = abs.lexically_normal().string();
    while (str.size() > 1 && str.back() == '/')
        str.pop_back();
    return str;
}

std::string AppDataFolder(const std::string& strProgramDir)
{
    const fs::path dir = CleanFolder(strProgramDir);
    if (dir.filename() == "bin") {
        const fs::path shared = CleanFolder(dir / ".." / "share" / "glyphwright");
        std::error_code error;
        if (fs::is_directory(shared, error))
            return shared.string();
    }
    return dir.string();
}

std::string UserFontFolder()
{
    // QStandardPaths' GenericDataLocation: $XDG_DATA_HOME, else
    // ~/.local/share.
    const char* pszData = std::getenv("XDG_DATA_HOME");
    std::string strBase;
    if (pszData && *pszData) {
        strBase = CleanFolder(pszData);
    } else {
        const char* pszHome = std::getenv("HOME");
        strBase = CleanFolder(pszHome && *pszHome ? pszHome : "/");
        strBase += strBase == "/" ? ".local/share" : "/.local/share";
    }
    return strBase + "/Glyphwright/Fonts";
}

// The regular files (through links) of the folder, not hidden, sorted by
// name, with strSuffix ("flf") only those whose last extension it is; the
// first whose title or name is strName, or empty.
std::string FindIn(const std::string& strFolder, const std::string& strSuffix,
                   const std::string& strName)
{
    std::error_code error;
    std::vector<std::string> vNames;
    for (fs::directory_iterator it(strFolder, error), end; !error && it != end; it.increment(error)) {
        const std::string strFile = it->path().filename().string();
        if (strFile.empty() || strFile[0] == '.')
            continue;
        const std::size_t nDot = strFile.rfind('.');
        const std::string strTitle = nDot == std::string::npos ? strFile : strFile.substr(0, nDot);
        const std::string strExt = nDot == std::string::npos ? "" : strFile.substr(nDot + 1);
        if (!strSuffix.empty() && strExt != strSuffix)
            continue;
        // Only a candidate's type is looked up: the system folder holds hundreds.
        std::error_code errorType;
        if ((strTitle == strName || strFile == strName) && fs::is_regular_file(it->path(), errorType))
            vNames.push_back(strFile);
    }
    if (vNames.empty())
        return {};
    std::string strFirst = vNames.front();
    for (const std::string& str : vNames)
        if (str < strFirst)
            strFirst = str;
    return CleanFolder(strFolder) + "/" + strFirst;
}

} // namespace

std::string FindFigFontFile(const std::string& strName, const std::string& strProgramDir)
{
    if (strName.empty())
        return {};
    std::error_code error;
    if (fs::is_regular_file(strName, error))
        return strName;
    // A name with a slash is a path, and it does not exist.
    if (strName.find('/') != std::string::npos)
        return {};
    const std::string strUser = UserFontFolder(), strSystem = "/usr/share/figlet";
    const std::pair<std::string, const char*> folders[] = {
        {AppDataFolder(strProgramDir) + "/Fonts", ""},
        {strUser, "flf"},
        {strSystem, "flf"},
        {strUser, "tlf"},
        {strSystem, "tlf"},
    };
    for (const auto& [strFolder, pszSuffix] : folders) {
        std::string strFound = FindIn(strFolder, pszSuffix, strName);
        if (!strFound.empty())
            return strFound;
    }
    return {};
}
