// Onion skin: the characters of the frames just before and after the current
// one, drawn faintly into the cells the current frame leaves blank, so that
// an animator sees where the drawing was and where it goes next. It keeps a
// copy of the text layer with those characters in it, brought up to date
// cell by cell as the view composes, and the view composes from that copy
// instead of the text layer while the skin is shown. Nothing here writes a
// cell: the exports, the thumbnails and the file never see it.
#pragma once

#include "core/char_cell.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <vector>

class CArtView;
class CCellGeometry;
class CGlyphCache;

struct SOnionSettings {
    static constexpr int MAX_FRAMES = 3;
    int nBefore = 1;              // frames shown before the current one, 0..MAX_FRAMES
    int nAfter = 0;               // and after it
    COLORREF crBefore = 0x2828D8; // earlier frames: red (0x00BBGGRR)
    COLORREF crAfter = 0xD88828;  // later frames: blue
    bool operator==(const SOnionSettings&) const = default;
    // The counts clamped to 0..MAX_FRAMES, the colours made drawing colours.
    SOnionSettings Clamped() const;
};

// The colour of a neighbour nDistance (1..3) frames away: its tint blended
// into the background, fainter with every frame of distance.
COLORREF OnionTint(COLORREF crTint, COLORREF crBack, int nDistance);

class COnionSkin {
public:
    void SetSettings(const SOnionSettings& settings);
    const SOnionSettings& Settings() const { return m_settings; }
    // The toggle; and a pause that playback and printing hold, which leaves
    // the toggle as the user set it.
    void SetShown(bool bShown) { m_bShown = bShown; }
    bool IsShown() const { return m_bShown; }
    void SetPaused(bool bPaused) { m_bPaused = bPaused; }
    bool IsPaused() const { return m_bPaused; }
    bool IsDrawn() const
    {
        return m_bShown && !m_bPaused && !(m_vBefore.empty() && m_vAfter.empty());
    }

    // The neighbours' cells, nearest first, as many as the settings ask for
    // (null entries skipped). Every cell has to be drawn again.
    void SetNeighbours(std::vector<const CharCell*> vBefore, std::vector<const CharCell*> vAfter);
    // Cells whose picture may have changed: the next Compose draws them again.
    void MarkAll();
    void MarkCell(int nIndex)
    {
        if (nIndex >= 0 && static_cast<size_t>(nIndex) < m_vStale.size() &&
            !m_vStale[size_t(nIndex)]) {
            m_vStale[size_t(nIndex)] = 1;
            ++m_nStale;
        }
    }

    // imgText with the neighbours drawn into the cells that are blank in
    // pCur, up to date at least inside rcPart; same size and format.
    const QImage& Compose(const QImage& imgText, const CharCell* pCur, const CCellGeometry& geom,
                          CGlyphCache& glyphs, COLORREF crBack, const QRect& rcPart);

private:
    void DrawCell(const QImage& imgText, const CharCell* pCur, const CCellGeometry& geom,
                  CGlyphCache& glyphs, COLORREF crBack, int nIndex);

    SOnionSettings m_settings;
    bool m_bShown = false;
    bool m_bPaused = false;
    std::vector<const CharCell*> m_vBefore;
    std::vector<const CharCell*> m_vAfter;
    QImage m_imgBase;
    std::vector<uint8_t> m_vStale; // per cell, 1 where m_imgBase is out of date
    size_t m_nStale = 0;
};

// Takes the skin off the canvas while it lives (printing); the view's
// composition is as before once it goes.
class COnionPause {
public:
    explicit COnionPause(CArtView& view);
    ~COnionPause();
    COnionPause(const COnionPause&) = delete;
    COnionPause& operator=(const COnionPause&) = delete;

private:
    CArtView& m_view;
    bool m_bWasPaused;
};
