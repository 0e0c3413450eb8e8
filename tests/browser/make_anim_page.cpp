// Writes the animated pages the browser test plays: a three-frame drawing
// whose frames each carry their own caption, and a one-frame drawing, both on
// a white background at the shortest playback interval (100 ms a frame).
//
// Usage: make_anim_page OUTPUT_FOLDER
// Writes OUTPUT_FOLDER/anim3.htm, OUTPUT_FOLDER/anim1.htm, and the
// three-frame drawing as OUTPUT_FOLDER/anim3.gwp; and OUTPUT_FOLDER/cells.gwp,
// three frames with a colour per cell, markup and bytes above 127, for the
// SVG export.
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/gwp_writer.h"
#include "core/html_export.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr int kShortestIntervalTenths = 1;

// Blanks the current frame and writes each caption on its own row, starting
// at column 2 of row 1, in the given colour; one undo step.
void PaintFrame(CArtDoc& doc, const std::vector<std::string>& vLines, COLORREF crText)
{
    const auto nId = static_cast<unsigned>(doc.GetCurHistory());
    if (!BackupSucceeded(BackupBegin(nId)))
        throw std::runtime_error("cannot open an edit step");
    for (int i = 0; i < doc.GetCellCount(); ++i) {
        doc.GetCurCells()[i].chChar = ' ';
        doc.GetCurCells()[i].crColor = 0x010101;
    }
    int nRow = 1;
    for (const std::string& strLine : vLines) {
        for (std::size_t c = 0; c < strLine.size() && 2 + c < std::size_t(doc.GetCols()); ++c) {
            CharCell& cell = doc.GetCurCells()[nRow * doc.GetCols() + 2 + int(c)];
            cell.chChar = static_cast<uint8_t>(strLine[c]);
            cell.crColor = crText;
        }
        ++nRow;
    }
    if (!BackupSucceeded(BackupCommit(nId)))
        throw std::runtime_error("cannot commit an edit step");
}

void WritePage(const std::filesystem::path& path, const CArtDoc& doc)
{
    std::ofstream os(path, std::ios::binary | std::ios::trunc);
    ExportAnimationHtml(os, doc, kShortestIntervalTenths, kWhite);
    os.close();
    if (!os)
        throw std::runtime_error("cannot write " + path.string());
}

// Every cell its own colour and character, different in each frame: letters,
// markup characters, bytes above 127 and spaces.
void PaintCells(CArtDoc& doc, int nFrame)
{
    static const char kChars[] = "<&>\"'ab\x80\xE9\x99\xFF  Z";
    const auto nId = static_cast<unsigned>(doc.GetCurHistory());
    if (!BackupSucceeded(BackupBegin(nId)))
        throw std::runtime_error("cannot open an edit step");
    for (int i = 0; i < doc.GetCellCount(); ++i) {
        CharCell& cell = doc.GetCurCells()[i];
        cell.chChar = static_cast<uint8_t>(kChars[(i * 7 + nFrame * 3) % (sizeof(kChars) - 1)]);
        cell.crColor = static_cast<COLORREF>((i * 0x0A1B2C + nFrame * 0x402010) & 0xFFFFFF);
    }
    if (!BackupSucceeded(BackupCommit(nId)))
        throw std::runtime_error("cannot commit an edit step");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    try {
        BackupInstallFaultFilter();
        const std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir);

        // One drawing at a time: a new drawing releases every frame store.
        {
            CArtDoc anim;
            anim.SetCanvasSize(12, 40);
            if (!anim.OnNewDocument())
                throw std::runtime_error("cannot start a drawing");
            // Colours 0x00BBGGRR: red, green, blue captions.
            const COLORREF crFrames[] = {0x0000C0, 0x008000, 0xC00000};
            for (int n = 1; n <= 3; ++n) {
                if (n > 1 && anim.NewFrame() == nullptr)
                    throw std::runtime_error("cannot add a frame");
                const std::string strMark(std::size_t(n * 4), "-+*"[n - 1]);
                PaintFrame(anim, {"FRAME " + std::to_string(n) + " of 3", strMark},
                           crFrames[n - 1]);
                anim.RegisterFrame();
            }
            WritePage(dir / "anim3.htm", anim);
            // The same drawing as a file, for the picture exports.
            std::string strError;
            if (!GwpSaveDocument(anim, (dir / "anim3.gwp").string(), &strError))
                throw std::runtime_error("cannot write anim3.gwp: " + strError);
        }

        {
            CArtDoc cells;
            cells.SetCanvasSize(4, 10);
            if (!cells.OnNewDocument())
                throw std::runtime_error("cannot start a drawing");
            for (int n = 0; n < 3; ++n) {
                if (n > 0 && cells.NewFrame() == nullptr)
                    throw std::runtime_error("cannot add a frame");
                PaintCells(cells, n);
                cells.RegisterFrame();
            }
            std::string strError;
            if (!GwpSaveDocument(cells, (dir / "cells.gwp").string(), &strError))
                throw std::runtime_error("cannot write cells.gwp: " + strError);
        }

        CArtDoc still;
        still.SetCanvasSize(6, 20);
        if (!still.OnNewDocument())
            throw std::runtime_error("cannot start a drawing");
        PaintFrame(still, {"ONLY FRAME"}, 0x800080);
        still.RegisterFrame();
        WritePage(dir / "anim1.htm", still);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_anim_page: %s\n", e.what());
        return 1;
    }
    return 0;
}
