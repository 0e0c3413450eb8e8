#include "cli/flip_command.h"

#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/cell_flip.h"
#include "core/gwp_reader.h"
#include "core/gwp_writer.h"
#include "core/loaded_frames.h"

const char kFlipHelp[] =
    "Usage: gwconvert flip FILE.gwp OUT.gwp --left-right|--top-bottom [--frame N] [--plain]\n"
    "\n"
    "Writes the drawing flipped, as the editor's Flip commands flip a frame: each\n"
    "character moves to its mirrored cell with its colour and becomes its mirror\n"
    "image where the canvas font has one (\"/\" and \"\\\", \"(\" and \")\", \"b\" and\n"
    "\"d\" left to right; \"b\" and \"p\", \"n\" and \"u\" top to bottom).\n"
    "\n"
    "Options:\n"
    "  --left-right    flip about the vertical middle\n"
    "  --top-bottom    flip about the horizontal middle\n"
    "  --frame N       flip only that frame, counted from 1 in file order\n"
    "                  (default: every frame)\n"
    "  --plain         move the characters without mirroring their shapes\n";

namespace {
constexpr int EXIT_BAD_FILE = 1;
constexpr int EXIT_USAGE = 2;
} // namespace

bool IsFlipFlag(const std::string& strName)
{
    return strName == "--left-right" || strName == "--top-bottom" || strName == "--plain";
}

bool ApplyFlipFlag(const std::string& strName, CConvertArgs* pArgs, std::string* pError)
{
    if (strName == "--plain") {
        pArgs->bFlipPlain = true;
        return true;
    }
    const EMirrorAxis nAxis =
        strName == "--left-right" ? EMirrorAxis::LeftRight : EMirrorAxis::TopBottom;
    if (pArgs->flipAxis && *pArgs->flipAxis != nAxis) {
        *pError = "--left-right and --top-bottom cannot both be given";
        return false;
    }
    pArgs->flipAxis = nAxis;
    return true;
}

bool FinishFlipArgs(const CConvertArgs& args, std::string* pError)
{
    if (args.flipAxis)
        return true;
    *pError = "flip needs --left-right or --top-bottom";
    return false;
}

CFlipOutcome FlipDrawingFile(const CConvertArgs& args)
{
    CGwpFile file;
    std::string strError;
    switch (file.Open(args.strInput, &strError)) {
    case EGwpOpen::Ok:
        break;
    case EGwpOpen::Unreadable:
        return {EXIT_BAD_FILE, "cannot read " + args.strInput + ": " + strError};
    default:
        return {EXIT_BAD_FILE, args.strInput + ": " + strError};
    }
    const int nFrames = file.Header().nFrames;
    if (args.bFrameGiven && args.nFrame > nFrames)
        return {EXIT_USAGE, "--frame " + std::to_string(args.nFrame) +
                                " is past the last frame of " + args.strInput + " (" +
                                std::to_string(nFrames) + ") (see 'gwconvert flip --help')"};
    // The flip writes the frames' stores in an undo step, as the editor does,
    // which needs the store's write-fault filter.
    BackupInstallFaultFilter();
    CLoadedFrames frames;
    if (GwpReadFrames(file, &frames, &strError) != EGwpLoad::Ok)
        return {EXIT_BAD_FILE, "cannot read " + args.strInput + ": " + strError};
    CArtDoc doc;
    if (!doc.AdoptFrames(frames))
        return {EXIT_BAD_FILE, "cannot set up the drawing in memory"};
    const EFlipGlyphs glyphs = args.bFlipPlain ? EFlipGlyphs::Keep : EFlipGlyphs::Mirror;
    for (int i = 0; i < doc.GetFrameCount(); ++i) {
        if (args.bFrameGiven && i != args.nFrame - 1)
            continue;
        if (!FlipDocFrame(doc, doc.GetFrames().KeyAt(i), *args.flipAxis, glyphs))
            return {EXIT_BAD_FILE, "cannot flip frame " + std::to_string(i + 1) +
                                       ": the system refused the memory it needs"};
    }
    if (!GwpSaveDocument(doc, args.strOutput, &strError))
        return {EXIT_BAD_FILE, "cannot write " + args.strOutput + ": " + strError};
    return {};
}
