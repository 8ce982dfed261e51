#pragma once
// The registry file as a document: a preamble, then sections of lines, one section per key.
// Lines the programs do not understand are kept as they stand; only value lines are
// rewritten, so hand-made comments and foreign sections survive every change.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace moru::registry_detail {

struct ValueEntry {
    std::u16string name;
    RegistryValue value;
};

struct Line {
    std::string raw;                  // the line as read; rewritten only for value entries
    std::optional<ValueEntry> entry;  // set when the line is a value we understand
};

struct Section {
    std::string header;                 // text between the brackets, as read
    std::optional<std::u16string> key;  // normalized "HKEY_CURRENT_USER\..."; none when foreign
    std::vector<Line> lines;
};

struct Document {
    std::vector<std::string> preamble;  // lines before the first section
    std::vector<Section> sections;
    bool empty() const { return preamble.empty() && sections.empty(); }
};

Document Parse(std::string_view text);
std::string Serialize(const Document& doc);

// Whether any section names `key` or a key below it.
bool HasKey(const Document& doc, std::u16string_view key);
// The value's line in the first section of that key that holds it.
Line* FindValue(Document& doc, std::u16string_view key, std::u16string_view name);
// The first section of the key, added at the end (with the file's heading when the document
// is new) when there is none.
Section& FindOrAddSection(Document& doc, std::u16string_view key);

}  // namespace moru::registry_detail
