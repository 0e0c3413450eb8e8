// CArtView's side of the onion skin: the toggle, the settings, the pause,
// and the neighbours looked up in the document's order.
#include "canvas/art_view.h"
#include "canvas/canvas_color.h"
#include "canvas/onion_skin.h"
#include "canvas/view_layers.h"

#include <algorithm>

COnionPause::COnionPause(CArtView& view) : m_view(view), m_bWasPaused(view.PauseOnion(true)) {}
COnionPause::~COnionPause()
{
    m_view.PauseOnion(m_bWasPaused);
}

void CArtView::SetOnionShown(bool bShown)
{
    if (bShown == m_pOnion->IsShown())
        return;
    m_pOnion->SetShown(bShown);
    OnionFrameChanged();
    if (m_pCells)
        Refresh(REFRESH_LAYERS);
}

bool CArtView::IsOnionShown() const
{
    return m_pOnion->IsShown();
}

const SOnionSettings& CArtView::OnionSettings() const
{
    return m_pOnion->Settings();
}

void CArtView::SetOnionSettings(const SOnionSettings& settings)
{
    if (settings.Clamped() == m_pOnion->Settings())
        return;
    m_pOnion->SetSettings(settings);
    OnionFrameChanged();
    if (m_pCells && m_pOnion->IsShown())
        Refresh(REFRESH_LAYERS);
}

bool CArtView::PauseOnion(bool bPaused)
{
    const bool bWas = m_pOnion->IsPaused();
    const bool bWasDrawn = m_pOnion->IsDrawn();
    m_pOnion->SetPaused(bPaused);
    if (bWasDrawn != m_pOnion->IsDrawn() && m_pCells)
        Refresh(REFRESH_LAYERS);
    return bWas;
}

void CArtView::OnFramesReordered()
{
    if (!m_pOnion->IsShown())
        return;
    OnionFrameChanged();
    if (m_pCells)
        Refresh(REFRESH_LAYERS);
}

void CArtView::OnionFrameChanged()
{
    if (!m_pOnion->IsShown())
        return;
    // The neighbours are looked up afresh each time: a frame's cells move
    // when it rests or wakes, which happens only around a frame change.
    const CFrameOrder& order = m_doc.GetFrames();
    const auto itCur = std::find_if(order.begin(), order.end(),
                                    [&](const auto& entry) { return entry.second == m_pCells; });
    std::vector<const CharCell*> vBefore, vAfter;
    if (itCur != order.end()) {
        const auto nCur = itCur - order.begin();
        const auto nCount = static_cast<std::ptrdiff_t>(order.size());
        const SOnionSettings& s = m_pOnion->Settings();
        for (std::ptrdiff_t d = 1; d <= s.nBefore && nCur - d >= 0; ++d)
            vBefore.push_back((order.begin() + (nCur - d))->second);
        for (std::ptrdiff_t d = 1; d <= s.nAfter && nCur + d < nCount; ++d)
            vAfter.push_back((order.begin() + (nCur + d))->second);
    }
    m_pOnion->SetNeighbours(std::move(vBefore), std::move(vAfter));
}

const QImage& CArtView::TextBase(const QRect& rcPart)
{
    if (!m_pOnion->IsDrawn())
        return m_pLayers->m_imgText;
    return m_pOnion->Compose(m_pLayers->m_imgText, m_pCells, m_geom, *m_pGlyphs, m_crBack, rcPart);
}
