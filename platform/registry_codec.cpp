#include "platform/registry_codec.h"

#include <cstdint>

#include "platform/text.h"

namespace moru::registry_detail {

void AppendHex(std::string& out, unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out += kDigits[(value >> shift) & 0xF];
    }
}

std::string QuoteText(std::u16string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c < 0xDC00;
        const bool pairs =
            high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
        if (pairs) {
            out += ToUtf8(text.substr(i, 2));
            ++i;
        } else if (c == u'"' || c == u'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == 0) {
            out += "\\0";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c < 0xE000)) {
            // Control characters and lone surrogates have no readable form; the escape keeps
            // the exact code unit.
            out += "\\u{";
            AppendHex(out, c, 4);
            out += '}';
        } else {
            out += ToUtf8(text.substr(i, 1));
        }
    }
    out += '"';
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::u16string> ReadQuoted(std::string_view text, size_t& pos) {
    if (pos >= text.size() || text[pos] != '"') {
        return std::nullopt;
    }
    ++pos;
    std::u16string out;
    std::string run;  // plain UTF-8 bytes waiting to be decoded
    auto flush = [&] {
        out += FromUtf8(run);
        run.clear();
    };
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '"') {
            flush();
            return out;
        }
        if (c != '\\') {
            run += c;
            continue;
        }
        flush();
        if (pos >= text.size()) {
            return std::nullopt;
        }
        const char e = text[pos++];
        switch (e) {
            case '"':
                out += u'"';
                break;
            case '\\':
                out += u'\\';
                break;
            case '0':
                out += char16_t{0};
                break;
            case 't':
                out += u'\t';
                break;
            case 'n':
                out += u'\n';
                break;
            case 'r':
                out += u'\r';
                break;
            case 'u': {
                if (pos >= text.size() || text[pos] != '{') {
                    return std::nullopt;
                }
                ++pos;
                uint32_t unit = 0;
                int digits = 0;
                while (pos < text.size() && text[pos] != '}') {
                    const int d = HexDigit(text[pos++]);
                    if (d < 0 || ++digits > 4) {
                        return std::nullopt;
                    }
                    unit = unit * 16 + static_cast<uint32_t>(d);
                }
                if (pos >= text.size() || digits == 0) {
                    return std::nullopt;
                }
                ++pos;  // '}'
                out += static_cast<char16_t>(unit);
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;  // no closing quote
}

}  // namespace moru::registry_detail
