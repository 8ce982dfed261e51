#include "platform/registry_format.h"

#include <cstdint>

#include "platform/registry_codec.h"
#include "platform/registry_names.h"
#include "platform/text.h"

namespace moru {
namespace {

struct NamedType {
    uint32_t type;
    std::string_view name;
};
constexpr NamedType kTypeNames[] = {
    {kRegNone, "REG_NONE"},     {kRegSz, "REG_SZ"},       {kRegExpandSz, "REG_EXPAND_SZ"},
    {kRegBinary, "REG_BINARY"}, {kRegDword, "REG_DWORD"}, {kRegMultiSz, "REG_MULTI_SZ"},
};

}  // namespace

std::string RegTypeName(uint32_t type) {
    for (const auto& named : kTypeNames) {
        if (named.type == type) {
            return std::string(named.name);
        }
    }
    return "REG_TYPE_" + std::to_string(type);
}

std::optional<uint32_t> ParseRegTypeName(std::string_view name) {
    for (const auto& named : kTypeNames) {
        if (named.name == name) {
            return named.type;
        }
    }
    constexpr std::string_view kNumbered = "REG_TYPE_";
    if (name.starts_with(kNumbered)) {
        const std::string_view digits = name.substr(kNumbered.size());
        if (!digits.empty() && digits.size() <= 10 &&
            digits.find_first_not_of("0123456789") == std::string_view::npos) {
            const uint64_t n = std::stoull(std::string(digits));
            if (n <= 0xFFFFFFFFu) {
                return static_cast<uint32_t>(n);
            }
        }
    }
    return std::nullopt;
}

namespace registry_detail {
namespace {

constexpr std::string_view kFileHeading =
    "; Moru device registry, format 1. Keys under HKEY_CURRENT_USER with typed values:\n"
    ";   \"name\" = TYPE BYTES VALUE\n"
    "; The programs rewrite this file whole; see docs/registry.md before editing it.\n";

std::string FormatPayload(const RegistryValue& value) {
    const bool textual =
        value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz;
    if (textual && value.data.size() % 2 == 0) {
        return QuoteText(RegSzText(value.data));
    }
    if (value.type == kRegDword && value.data.size() == 4) {
        const uint32_t n = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                           (static_cast<uint32_t>(value.data[3]) << 24);
        return std::to_string(n);
    }
    std::string out = "hex:";
    for (size_t i = 0; i < value.data.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendHex(out, value.data[i], 2);
    }
    return out;
}

std::string FormatValueLine(const ValueEntry& entry) {
    return QuoteText(entry.name) + " = " + RegTypeName(entry.value.type) + " " +
           std::to_string(entry.value.data.size()) + " " + FormatPayload(entry.value);
}

void SkipSpaces(std::string_view text, size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
}

std::string_view ReadWord(std::string_view text, size_t& pos) {
    const size_t start = pos;
    while (pos < text.size() && text[pos] != ' ' && text[pos] != '\t') {
        ++pos;
    }
    return text.substr(start, pos - start);
}

std::optional<uint64_t> ParseNumber(std::string_view word) {
    if (word.empty() || word.size() > 18) {
        return std::nullopt;
    }
    uint64_t n = 0;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        for (char c : word.substr(2)) {
            const int d = HexDigit(c);
            if (d < 0) {
                return std::nullopt;
            }
            n = n * 16 + static_cast<uint64_t>(d);
        }
        return n;
    }
    for (char c : word) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    return n;
}

// `"name" = TYPE BYTES VALUE`; nothing when the line is not exactly that. The byte count
// must agree with the value, so a line cut short by a hand edit is noticed, not misread.
std::optional<ValueEntry> ParseValueLine(std::string_view line) {
    size_t pos = 0;
    SkipSpaces(line, pos);
    ValueEntry entry;
    auto name = ReadQuoted(line, pos);
    if (!name) {
        return std::nullopt;
    }
    entry.name = std::move(*name);
    SkipSpaces(line, pos);
    if (pos >= line.size() || line[pos] != '=') {
        return std::nullopt;
    }
    ++pos;
    SkipSpaces(line, pos);
    auto type = ParseRegTypeName(ReadWord(line, pos));
    SkipSpaces(line, pos);
    auto count = ParseNumber(ReadWord(line, pos));
    SkipSpaces(line, pos);
    if (!type || !count || pos >= line.size()) {
        return std::nullopt;
    }
    entry.value.type = *type;
    std::vector<uint8_t>& data = entry.value.data;
    if (line[pos] == '"') {
        auto text = ReadQuoted(line, pos);
        if (!text) {
            return std::nullopt;
        }
        data = RegSzBytes(*text);
    } else if (line.substr(pos, 4) == "hex:") {
        pos += 4;
        std::string_view hex = ReadWord(line, pos);
        for (size_t i = 0; i < hex.size();) {
            if (i + 2 > hex.size() || HexDigit(hex[i]) < 0 || HexDigit(hex[i + 1]) < 0) {
                return std::nullopt;
            }
            data.push_back(static_cast<uint8_t>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1])));
            i += 2;
            if (i < hex.size()) {
                if (hex[i] != ',') {
                    return std::nullopt;
                }
                ++i;
            }
        }
    } else {
        auto n = ParseNumber(ReadWord(line, pos));
        if (!n || *n > 0xFFFFFFFFu) {
            return std::nullopt;
        }
        for (int shift = 0; shift < 32; shift += 8) {
            data.push_back(static_cast<uint8_t>(*n >> shift));
        }
    }
    SkipSpaces(line, pos);
    if (pos != line.size() || data.size() != *count) {
        return std::nullopt;
    }
    return entry;
}

std::optional<std::u16string> SectionKey(std::string_view header) {
    const std::u16string key = NormalizeKeyPath(FromUtf8(header));
    const std::u16string_view first = std::u16string_view(key).substr(0, key.find(u'\\'));
    if (!SameName(first, kCurrentUserName)) {
        return std::nullopt;
    }
    return std::u16string(kCurrentUserName) + key.substr(first.size());
}

}  // namespace

Document Parse(std::string_view text) {
    Document doc;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            Section section;
            section.header = std::string(line.substr(1, line.size() - 2));
            section.key = SectionKey(section.header);
            doc.sections.push_back(std::move(section));
            continue;
        }
        if (doc.sections.empty()) {
            doc.preamble.emplace_back(line);
            continue;
        }
        Line entry{std::string(line), std::nullopt};
        if (doc.sections.back().key) {
            entry.entry = ParseValueLine(line);
        }
        doc.sections.back().lines.push_back(std::move(entry));
    }
    return doc;
}

std::string Serialize(const Document& doc) {
    std::string out;
    for (const auto& line : doc.preamble) {
        out += line;
        out += '\n';
    }
    for (const auto& section : doc.sections) {
        out += '[';
        out += section.header;
        out += "]\n";
        for (const auto& line : section.lines) {
            out += line.entry ? FormatValueLine(*line.entry) : line.raw;
            out += '\n';
        }
    }
    return out;
}

bool HasKey(const Document& doc, std::u16string_view key) {
    for (const auto& section : doc.sections) {
        if (section.key && IsAtOrBelow(*section.key, key)) {
            return true;
        }
    }
    return false;
}

// The value's line in the first section of that key that holds it.
Line* FindValue(Document& doc, std::u16string_view key, std::u16string_view name) {
    for (auto& section : doc.sections) {
        if (!section.key || !SameName(*section.key, key)) {
            continue;
        }
        for (auto& line : section.lines) {
            if (line.entry && SameName(line.entry->name, name)) {
                return &line;
            }
        }
    }
    return nullptr;
}

Section& FindOrAddSection(Document& doc, std::u16string_view key) {
    for (auto& section : doc.sections) {
        if (section.key && SameName(*section.key, key)) {
            return section;
        }
    }
    // A blank line before each new section keeps the file easy to read.
    if (!doc.sections.empty()) {
        doc.sections.back().lines.push_back(Line{"", std::nullopt});
    } else if (doc.preamble.empty()) {
        // A new file opens with a few lines saying what it is.
        std::string_view heading = kFileHeading;
        while (!heading.empty()) {
            const size_t end = heading.find('\n');
            doc.preamble.emplace_back(heading.substr(0, end));
            heading.remove_prefix(end + 1);
        }
        doc.preamble.emplace_back("");
    }
    Section section;
    section.header = ToUtf8(key);
    section.key = std::u16string(key);
    doc.sections.push_back(std::move(section));
    return doc.sections.back();
}

}  // namespace registry_detail
}  // namespace moru
