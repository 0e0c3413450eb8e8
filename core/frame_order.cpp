#include "core/frame_order.h"

#include <algorithm>
#include <stdexcept>

int CFrameOrder::IndexOfChecked(int nKey) const
{
    const int nIndex = IndexOf(nKey);
    if (nIndex < 0)
        throw std::out_of_range("no frame has that key");
    return nIndex;
}

void CFrameOrder::Renumber(std::size_t nFrom, std::size_t nTo)
{
    for (std::size_t i = nFrom; i < nTo && i < m_vFrames.size(); ++i)
        m_vIndex[std::size_t(m_vFrames[i].first)] = static_cast<int>(i);
}

void CFrameOrder::Insert(int nIndex, int nKey, CharCell* pCells)
{
    Reserve(nKey);
    const std::size_t nAt = std::min(std::size_t(std::max(nIndex, 0)), m_vFrames.size());
    m_vFrames.insert(m_vFrames.begin() + static_cast<std::ptrdiff_t>(nAt), value_type(nKey, pCells));
    Renumber(nAt, m_vFrames.size());
}

void CFrameOrder::Erase(int nKey)
{
    const int nIndex = IndexOf(nKey);
    if (nIndex < 0)
        return;
    m_vFrames.erase(m_vFrames.begin() + nIndex);
    m_vIndex[std::size_t(nKey)] = -1;
    Renumber(std::size_t(nIndex), m_vFrames.size());
}

void CFrameOrder::Move(int nFrom, int nTo)
{
    const auto n = static_cast<int>(m_vFrames.size());
    if (nFrom < 0 || nFrom >= n || nTo < 0 || nTo >= n || nFrom == nTo)
        return;
    const auto itFrom = m_vFrames.begin() + nFrom;
    const auto itTo = m_vFrames.begin() + nTo;
    if (nFrom < nTo)
        std::rotate(itFrom, itFrom + 1, itTo + 1);
    else
        std::rotate(itTo, itFrom, itFrom + 1);
    Renumber(std::size_t(std::min(nFrom, nTo)), std::size_t(std::max(nFrom, nTo)) + 1);
}
