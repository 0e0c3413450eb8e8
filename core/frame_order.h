// The registered frames in the order they are shown: the order of the frame
// list, playback, the file and every export. A frame's key names it for its
// whole life (keys are never reused), its position may change.
#pragma once

#include "core/char_cell.h"

#include <cstddef>
#include <utility>
#include <vector>

class CFrameOrder {
public:
    using value_type = std::pair<int, CharCell*>; // key, cells
    using const_iterator = std::vector<value_type>::const_iterator;
    using const_reverse_iterator = std::vector<value_type>::const_reverse_iterator;

    const_iterator begin() const { return m_vFrames.begin(); }
    const_iterator end() const { return m_vFrames.end(); }
    const_reverse_iterator rbegin() const { return m_vFrames.rbegin(); }
    const_reverse_iterator rend() const { return m_vFrames.rend(); }
    std::size_t size() const { return m_vFrames.size(); }
    bool empty() const { return m_vFrames.empty(); }
    // The cells of the frame with that key; throws std::out_of_range.
    CharCell* at(int nKey) const { return m_vFrames.at(static_cast<std::size_t>(IndexOfChecked(nKey))).second; }
    std::size_t count(int nKey) const { return IndexOf(nKey) < 0 ? 0 : 1; }
    // Position of the frame, -1 when no frame has that key.
    int IndexOf(int nKey) const
    {
        return nKey >= 0 && std::size_t(nKey) < m_vIndex.size() ? m_vIndex[std::size_t(nKey)] : -1;
    }
    int KeyAt(int nIndex) const { return m_vFrames.at(static_cast<std::size_t>(nIndex)).first; }
    bool operator==(const CFrameOrder& other) const { return m_vFrames == other.m_vFrames; }

    // Room for one more frame of key nKey, so that Insert cannot fail.
    void Reserve(int nKey)
    {
        m_vFrames.reserve(m_vFrames.size() + 1);
        if (std::size_t(nKey) >= m_vIndex.size())
            m_vIndex.resize(std::size_t(nKey) + 1, -1);
    }
    // Inserts at nIndex (clamped to the end); call Reserve first.
    void Insert(int nIndex, int nKey, CharCell* pCells);
    void Erase(int nKey);
    void Move(int nFrom, int nTo);
    void SetCells(int nKey, CharCell* pCells) { m_vFrames[std::size_t(IndexOfChecked(nKey))].second = pCells; }
    void Clear()
    {
        m_vFrames.clear();
        m_vIndex.clear();
    }

private:
    int IndexOfChecked(int nKey) const;
    void Renumber(std::size_t nFrom, std::size_t nTo);

    std::vector<value_type> m_vFrames;
    std::vector<int> m_vIndex; // key to position, -1 for none (keys fit 16 bits)
};
