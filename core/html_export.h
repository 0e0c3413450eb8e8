// The exports of a drawing as text and HTML. Each writes to a stream as it
// goes, a few rows at a time, so no page is ever held whole in memory; every
// line ends in CR LF, and character bytes go out unchanged and unescaped
// (Windows-1252).
#pragma once

#include "core/art_doc.h"
#include "core/char_cell.h"

#include <map>
#include <ostream>
#include <string>

// "#rrggbb" in lower case from a 0x00BBGGRR colour.
std::string FormatHtmlColor(COLORREF cr);

// One cell: a space as itself, any other character in its own font element.
void AppendCellMarkup(std::string& str, const CharCell& cell);

// The rows of a frame, each row's markup followed by a line end.
void AppendFrameMarkup(std::string& str, const CharCell* pCells, int nRows, int nCols);

// One line per row, each exactly nCols characters.
void ExportSingleText(std::ostream& os, const CharCell* pCells, int nRows, int nCols);

// One page with the frame in coloured characters on the background crBack.
void ExportSingleHtml(std::ostream& os, const CharCell* pCells, int nRows, int nCols,
                      COLORREF crBack);

// Where the animated page takes its frames from, in page order: a document,
// or a file read one frame at a time.
class IAnimFrameSource {
public:
    virtual ~IAnimFrameSource() = default;
    virtual int GetFrameCount() const = 0;
    virtual int GetRows() const = 0;
    virtual int GetCols() const = 0;
    // The cells of frame nIndex (0-based), asked for in ascending order (the
    // GIF export makes two such passes) and valid until the next call; null
    // when they cannot be had.
    virtual const CharCell* GetFrame(int nIndex) = 0;
};

// A document's frames in the shown order.
class CDocFrameSource : public IAnimFrameSource {
public:
    explicit CDocFrameSource(const CArtDoc& doc) : m_doc(doc) {}

    int GetFrameCount() const override { return m_doc.GetFrameCount(); }
    int GetRows() const override { return m_doc.GetRows(); }
    int GetCols() const override { return m_doc.GetCols(); }
    const CharCell* GetFrame(int nIndex) override
    {
        if (nIndex < 0 || nIndex >= GetFrameCount())
            return nullptr;
        return m_doc.GetFrames().begin()[nIndex].second;
    }

private:
    const CArtDoc& m_doc;
};


// Every frame of the source in one page whose script plays them every
// nIntervalTenths tenths of a second. Stops and returns false as soon as a
// frame cannot be had or the stream fails.
bool ExportAnimationHtml(std::ostream& os, IAnimFrameSource& frames, int nIntervalTenths,
                         COLORREF crBack);

// The same with the document's frames in key order.
bool ExportAnimationHtml(std::ostream& os, const CArtDoc& doc, int nIntervalTenths,
                         COLORREF crBack);
