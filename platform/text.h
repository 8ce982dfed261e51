#pragma once
// Text on the device is 16-bit wide; the stand-ins keep it as UTF-16 so that lengths
// (a registry string of n characters is 2n bytes) mean what the screens expect.
#include <string>
#include <string_view>

namespace moru {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace moru
