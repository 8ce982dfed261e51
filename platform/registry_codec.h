#pragma once
// Quoted text in the registry file: UTF-8 between double quotes, with escapes that keep every
// UTF-16 code unit (control characters, lone surrogates) recoverable.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace moru::registry_detail {

// Appends `value` as `digits` upper-case hexadecimal digits.
void AppendHex(std::string& out, unsigned value, int digits);
// The value of a hexadecimal digit, or -1.
int HexDigit(char c);
// The text between double quotes, escaped.
std::string QuoteText(std::u16string_view text);
// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
// Nothing when the text is not a complete, well-formed quoted text.
std::optional<std::u16string> ReadQuoted(std::string_view text, size_t& pos);

}  // namespace moru::registry_detail
