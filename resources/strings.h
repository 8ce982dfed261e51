#pragma once
// The string tables of both programs, by resource number. Header-only so that the companion,
// which links no widget code, reads its table from the same place.
//
// Calendar: 65000..65008, the command bar's tool tips and (65008) the frame's class name.
// 65003 exists in the table but nothing uses it and it has no text here.
// Companion: 1 its window title, 3 its window class.
#include <string_view>

namespace moru {

namespace detail {
struct StringEntry {
    int id;
    std::u16string_view text;
};

inline constexpr StringEntry kCalendarStrings[] = {
    {65000, u"New"},  {65001, u"File"},  {65002, u"Help"},  {65004, u"Cut"},
    {65005, u"Copy"}, {65006, u"Paste"}, {65007, u"About"}, {65008, u"Moru Calendar"},
};

inline constexpr StringEntry kRingsetStrings[] = {
    {1, u"Ringset"},
    {3, u"RINGSET"},
};

template <size_t N>
constexpr std::u16string_view Find(const StringEntry (&table)[N], int id) {
    for (const StringEntry& entry : table) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return {};
}
}  // namespace detail

inline constexpr int kFrameClassNameString = 65008;
inline constexpr int kRingsetTitleString = 1;
inline constexpr int kRingsetClassString = 3;

// The calendar's string `id`; empty when the table has none (as a failed load copies nothing).
constexpr std::u16string_view LoadCalendarString(int id) {
    return detail::Find(detail::kCalendarStrings, id);
}
constexpr std::u16string_view LoadRingsetString(int id) {
    return detail::Find(detail::kRingsetStrings, id);
}

}  // namespace moru
