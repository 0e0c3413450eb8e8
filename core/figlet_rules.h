// Pieces of the smushing rules shared by the fixed spacings and the font's
// own layout.
#pragma once

#include <cstddef>
#include <iterator>
#include <string_view>

namespace figlet_rules {

inline bool IsIn(char ch, std::string_view set)
{
    return ch != '\0' && set.find(ch) != std::string_view::npos;
}

// The hierarchy rule's classes from the first down; of two characters in
// different classes, the one whose class comes first gives way.
inline int HierarchyClass(char ch)
{
    static constexpr std::string_view kClasses[] = {"|", "/\\", "[]", "{}", "()", "<>"};
    for (std::size_t n = 0; n < std::size(kClasses); ++n)
        if (IsIn(ch, kClasses[n]))
            return static_cast<int>(n);
    return -1;
}

} // namespace figlet_rules
