#include "platform/registry.h"

#include <cerrno>
#include <iterator>
#include <utility>

#include "platform/device_root.h"
#include "platform/registry_file.h"
#include "platform/registry_names.h"
#include "platform/text.h"

namespace moru {
namespace {

using namespace registry_detail;

Error ClosedKey() {
    return Error{EBADF, "the registry key is closed"};
}

Result<std::u16string> CheckedKeyPath(RegistryRoot /*root*/, std::u16string_view subKey) {
    if (HasControlCharacter(subKey)) {
        return Error{EINVAL, "a registry key name cannot hold control characters"};
    }
    const std::u16string relative = NormalizeKeyPath(subKey);
    std::u16string key(kCurrentUserName);
    if (!relative.empty()) {
        key += u'\\';
        key += relative;
    }
    return key;
}

}  // namespace

std::vector<uint8_t> RegSzBytes(std::u16string_view text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

std::u16string RegSzText(std::span<const uint8_t> data) {
    std::u16string text;
    text.reserve(data.size() / 2);
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    return text;
}

std::filesystem::path RegistryFile() {
    return TranslateDevicePath(kRegistryFileDevicePath);
}

RegistryKey::RegistryKey(std::filesystem::path file, std::u16string path)
    : file_(std::move(file)), path_(std::move(path)), open_(true) {}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : file_(std::move(other.file_)), path_(std::move(other.path_)), open_(other.open_) {
    other.open_ = false;
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        file_ = std::move(other.file_);
        path_ = std::move(other.path_);
        open_ = other.open_;
        other.open_ = false;
    }
    return *this;
}

RegistryKey::~RegistryKey() {
    Close();
}

void RegistryKey::Close() {
    open_ = false;
}

Result<RegistryKey> RegistryKey::Create(RegistryRoot root, std::u16string_view subKey) {
    Result<std::u16string> key = CheckedKeyPath(root, subKey);
    if (!key.ok()) {
        return key.error();
    }
    std::filesystem::path file = RegistryFile();
    Status recorded = Modify(file, [&](Document& doc) -> Result<bool> {
        if (HasKey(doc, *key)) {
            return false;
        }
        FindOrAddSection(doc, *key);
        return true;
    });
    if (!recorded.ok()) {
        return recorded.error();
    }
    return RegistryKey(std::move(file), std::move(*key));
}

Result<RegistryKey> RegistryKey::Open(RegistryRoot root, std::u16string_view subKey) {
    Result<std::u16string> key = CheckedKeyPath(root, subKey);
    if (!key.ok()) {
        return key.error();
    }
    std::filesystem::path file = RegistryFile();
    Result<Document> doc = Load(file);
    if (!doc.ok()) {
        return doc.error();
    }
    // The root key itself always exists, as on the device.
    if (*key != kCurrentUserName && !HasKey(*doc, *key)) {
        return Error{ENOENT, "no registry key " + ToUtf8(*key)};
    }
    return RegistryKey(std::move(file), std::move(*key));
}

Status RegistryKey::SetValue(std::u16string_view name, uint32_t type,
                             std::span<const uint8_t> data) {
    if (!open_) {
        return ClosedKey();
    }
    RegistryValue value{type, std::vector<uint8_t>(data.begin(), data.end())};
    return Modify(file_, [&](Document& doc) -> Result<bool> {
        if (Line* line = FindValue(doc, path_, name)) {
            if (line->entry->value == value) {
                return false;  // rewriting the same bytes would only wear the storage
            }
            line->entry->value = std::move(value);
            return true;
        }
        Section& section = FindOrAddSection(doc, path_);
        ValueEntry entry{std::u16string(name), std::move(value)};
        // New values go after the section's last value, ahead of the blank line that
        // separates it from the next section.
        auto at = section.lines.end();
        while (at != section.lines.begin() && !std::prev(at)->entry && std::prev(at)->raw.empty()) {
            --at;
        }
        section.lines.insert(at, Line{"", std::move(entry)});
        return true;
    });
}

Status RegistryKey::SetString(std::u16string_view name, std::u16string_view text) {
    return SetValue(name, kRegSz, RegSzBytes(text));
}

Status RegistryKey::SetDword(std::u16string_view name, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return SetValue(name, kRegDword, bytes);
}

Result<RegistryValue> RegistryKey::QueryValue(std::u16string_view name) const {
    if (!open_) {
        return ClosedKey();
    }
    Result<Document> doc = Load(file_);
    if (!doc.ok()) {
        return doc.error();
    }
    if (Line* line = FindValue(*doc, path_, name)) {
        return line->entry->value;
    }
    return Error{ENOENT, "no value \"" + ToUtf8(name) + "\" under " + ToUtf8(path_)};
}

Status RegistryKey::DeleteValue(std::u16string_view name) {
    if (!open_) {
        return ClosedKey();
    }
    return Modify(file_, [&](Document& doc) -> Result<bool> {
        for (auto& section : doc.sections) {
            if (!section.key || !SameName(*section.key, path_)) {
                continue;
            }
            for (auto it = section.lines.begin(); it != section.lines.end(); ++it) {
                if (it->entry && SameName(it->entry->name, name)) {
                    section.lines.erase(it);
                    return true;
                }
            }
        }
        return Error{ENOENT, "no value \"" + ToUtf8(name) + "\" under " + ToUtf8(path_)};
    });
}

Result<std::vector<std::u16string>> RegistryKey::ValueNames() const {
    if (!open_) {
        return ClosedKey();
    }
    Result<Document> doc = Load(file_);
    if (!doc.ok()) {
        return doc.error();
    }
    std::vector<std::u16string> names;
    for (const auto& section : doc->sections) {
        if (!section.key || !SameName(*section.key, path_)) {
            continue;
        }
        for (const auto& line : section.lines) {
            if (!line.entry) {
                continue;
            }
            bool seen = false;
            for (const auto& known : names) {
                seen = seen || SameName(known, line.entry->name);
            }
            if (!seen) {
                names.push_back(line.entry->name);
            }
        }
    }
    return names;
}

}  // namespace moru
