#include "cli/convert_parts.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

EConvertPart PartNeeded(const CConvertArgs& args)
{
    using C = EConvertCommand;
    switch (args.command) {
    case C::Png:
    case C::Gif:
        return EConvertPart::QtGui;
    case C::Image: // gwconvert-qtcore hands what it cannot stream on
        return EConvertPart::QtCore;
    case C::Html:
    case C::Ansi:
        return args.crBack ? EConvertPart::Plain : EConvertPart::QtCore;
    case C::Animation:
        return args.crBack && args.nInterval ? EConvertPart::Plain : EConvertPart::QtCore;
    case C::Play:
        return args.crBack && args.nInterval && args.bLoop ? EConvertPart::Plain
                                                           : EConvertPart::QtCore;
    case C::Cast:
        return args.crBack && args.nInterval ? EConvertPart::Plain : EConvertPart::QtCore;
    case C::Svg: // one frame needs no interval nor loop
        return args.crBack && ((args.nInterval && args.bLoop) || args.bFrameGiven)
                   ? EConvertPart::Plain
                   : EConvertPart::QtCore;
    default:
        return EConvertPart::Plain;
    }
}

const char* PartProgramName(EConvertPart part)
{
    switch (part) {
    case EConvertPart::QtCore:
        return "gwconvert-qtcore";
    case EConvertPart::QtGui:
        return "gwconvert-draw";
    default:
        return "gwconvert";
    }
}

std::string PartPath(const std::string& strProgram, EConvertPart part)
{
    const fs::path dir = fs::path(strProgram).parent_path();
    if (dir.filename() == "bin") {
        const fs::path installed =
            dir.parent_path() / "libexec" / "glyphwright" / PartProgramName(part);
        std::error_code error;
        if (fs::is_regular_file(installed, error))
            return installed.string();
    }
    return (dir / PartProgramName(part)).string();
}

std::string ThisProgram(const char* pszArgv0)
{
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string(pszArgv0) : self.string();
}

int ExecPart(EConvertPart part, char** argv)
{
    const std::string strPart = PartPath(ThisProgram(argv[0]), part);
    std::fflush(stdout);
    execv(strPart.c_str(), argv);
    std::fprintf(stderr, "gwconvert: cannot start %s: %s\n", strPart.c_str(), std::strerror(errno));
    return 1;
}
