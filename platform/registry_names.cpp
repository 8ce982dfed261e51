#include "platform/registry_names.h"

namespace moru::registry_detail {
namespace {

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

}  // namespace

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::u16string NormalizeKeyPath(std::u16string_view path) {
    std::u16string out;
    std::u16string part;
    auto flush = [&] {
        if (!part.empty()) {
            if (!out.empty()) {
                out += u'\\';
            }
            out += part;
            part.clear();
        }
    };
    for (char16_t c : path) {
        if (c == u'\\') {
            flush();
        } else {
            part += c;
        }
    }
    flush();
    return out;
}

bool HasControlCharacter(std::u16string_view text) {
    for (char16_t c : text) {
        if (c < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

// True when `key` is `ancestor` itself or lies below it.
bool IsAtOrBelow(std::u16string_view key, std::u16string_view ancestor) {
    if (key.size() < ancestor.size() || !SameName(key.substr(0, ancestor.size()), ancestor)) {
        return false;
    }
    return key.size() == ancestor.size() || key[ancestor.size()] == u'\\';
}

}  // namespace moru::registry_detail
