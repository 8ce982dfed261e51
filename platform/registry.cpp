#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <iterator>
#include <utility>

#include "platform/device_root.h"
#include "platform/text.h"

namespace moru {
namespace {

constexpr std::u16string_view kCurrentUserName = u"HKEY_CURRENT_USER";
constexpr std::string_view kFileHeading =
    "; Moru device registry, format 1. Keys under HKEY_CURRENT_USER with typed values:\n"
    ";   \"name\" = TYPE BYTES VALUE\n"
    "; The programs rewrite this file whole; see docs/registry.md before editing it.\n";

struct NamedType {
    uint32_t type;
    std::string_view name;
};
constexpr NamedType kTypeNames[] = {
    {kRegNone, "REG_NONE"},     {kRegSz, "REG_SZ"},       {kRegExpandSz, "REG_EXPAND_SZ"},
    {kRegBinary, "REG_BINARY"}, {kRegDword, "REG_DWORD"}, {kRegMultiSz, "REG_MULTI_SZ"},
};

Error MakeError(int code, std::string message) {
    return Error{code == 0 ? EIO : code, std::move(message)};
}

Error ErrnoError(const std::string& what, const std::filesystem::path& file) {
    const int code = errno;
    return MakeError(code, what + " " + file.string() + ": " + std::strerror(code));
}

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

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

// "\A\\B\" -> "A\B": the key path without empty components.
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

// ---- Quoted text: UTF-8 in the file, every UTF-16 code unit recoverable ----

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

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
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

// ---- The file as a document: sections of lines, unknown lines kept as they stand ----

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

// ---- The file on disk ----

class FileLock {
public:
    explicit FileLock(const std::filesystem::path& lockFile) {
        fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            error_ = ErrnoError("cannot open the registry lock", lockFile);
            return;
        }
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                error_ = ErrnoError("cannot lock", lockFile);
                return;
            }
        }
    }
    ~FileLock() {
        if (fd_ >= 0) {
            ::close(fd_);  // closing releases the lock
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    const std::optional<Error>& error() const { return error_; }

private:
    int fd_ = -1;
    std::optional<Error> error_;
};

// The whole file; an empty text when there is none yet.
Result<std::string> ReadWholeFile(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return std::string();
        }
        return ErrnoError("cannot open", file);
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            Error error = ErrnoError("cannot read", file);
            ::close(fd);
            return error;
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

Status WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return MakeError(errno, std::string("write failed: ") + std::strerror(errno));
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return {};
}

// Replaces the file by a complete new one: written and flushed under a temporary name, then
// renamed over the old, so a crash or a reader at any moment finds one whole file.
Status ReplaceFile(const std::filesystem::path& file, std::string_view text) {
    std::filesystem::path temp = file;
    temp += ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return ErrnoError("cannot create", temp);
    }
    Status written = WriteAll(fd, text);
    if (written.ok() && ::fsync(fd) != 0) {
        written = ErrnoError("cannot flush", temp);
    }
    ::close(fd);
    if (written.ok() && ::rename(temp.c_str(), file.c_str()) != 0) {
        written = ErrnoError("cannot rename onto", file);
    }
    if (!written.ok()) {
        ::unlink(temp.c_str());
        return Error{written.error().code, "registry not written: " + written.error().message};
    }
    return {};
}

std::filesystem::path LockFileOf(const std::filesystem::path& file) {
    std::filesystem::path lock = file;
    lock += ".lock";
    return lock;
}

Status EnsureFolder(const std::filesystem::path& file) {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) {
        return MakeError(error.value(),
                         "cannot create " + file.parent_path().string() + ": " + error.message());
    }
    return {};
}

// Reads the document under the lock, lets `change` edit it, and writes it back when it says
// it changed something. `change` returns false for "nothing to write" and may fail.
Status Modify(const std::filesystem::path& file,
              const std::function<Result<bool>(Document&)>& change) {
    if (Status folder = EnsureFolder(file); !folder.ok()) {
        return folder;
    }
    FileLock lock(LockFileOf(file));
    if (lock.error()) {
        return *lock.error();
    }
    Result<std::string> text = ReadWholeFile(file);
    if (!text.ok()) {
        return text.error();
    }
    Document doc = Parse(*text);
    Result<bool> changed = change(doc);
    if (!changed.ok()) {
        return changed.error();
    }
    if (!*changed) {
        return {};
    }
    return ReplaceFile(file, Serialize(doc));
}

// A reader needs no lock: the file is only ever replaced whole.
Result<Document> Load(const std::filesystem::path& file) {
    Result<std::string> text = ReadWholeFile(file);
    if (!text.ok()) {
        return text.error();
    }
    return Parse(*text);
}

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
