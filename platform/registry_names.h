#pragma once
// Registry key and value names: the root's name, comparison without regard to ASCII case,
// and key paths with their separators tidied.
#include <string>
#include <string_view>

namespace moru::registry_detail {

inline constexpr std::u16string_view kCurrentUserName = u"HKEY_CURRENT_USER";

// Equal when the two differ at most in the case of ASCII letters.
bool SameName(std::u16string_view a, std::u16string_view b);
// "\A\\B\" -> "A\B": the key path without empty components.
std::u16string NormalizeKeyPath(std::u16string_view path);
bool HasControlCharacter(std::u16string_view text);
// True when `key` is `ancestor` itself or lies below it.
bool IsAtOrBelow(std::u16string_view key, std::u16string_view ancestor);

}  // namespace moru::registry_detail
