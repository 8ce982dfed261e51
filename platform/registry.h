#pragma once
// The device's registry: keys under HKEY_CURRENT_USER holding named, typed values.
//
// All keys live in one human-readable text file in the device root
// (TranslateDevicePath(kRegistryFileDevicePath), format in docs/registry.md). The calendar,
// the companion and moru-device use it at the same time, so every change is a
// read-modify-write under an exclusive lock file beside it, and the new file replaces the old
// one by rename: a reader sees the old file or the new one, never half of either.
//
// Values keep exactly the bytes they were given. A REG_SZ written by the programs holds 2n
// bytes for n UTF-16 characters and no terminating zero; a value with a zero, an odd length
// or any other shape comes back byte for byte as it went in.
//
// Key paths are written as the programs write them ("\ControlPanel\Notifications\Reminders");
// leading, trailing and doubled backslashes do not matter, and key and value names compare
// without regard to ASCII case, as on the device.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace moru {

// Value types, with the device's numbers.
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

// "REG_SZ", "REG_DWORD", ...; a type without a name is "REG_TYPE_<n>".
std::string RegTypeName(uint32_t type);
std::optional<uint32_t> ParseRegTypeName(std::string_view name);

enum class RegistryRoot { CurrentUser };

struct RegistryValue {
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;  // exactly the bytes written

    bool operator==(const RegistryValue&) const = default;
};

// The bytes of a REG_SZ as the programs write it: UTF-16 little-endian, 2n bytes for n
// characters, no terminating zero.
std::vector<uint8_t> RegSzBytes(std::u16string_view text);
// The characters of string data (REG_SZ and its kin); an odd last byte is dropped.
std::u16string RegSzText(std::span<const uint8_t> data);

// The registry file of the current device root.
std::filesystem::path RegistryFile();

// An open key. Closing (or destroying) it ends the handle; using a closed key fails with
// EBADF. Each call reads or rewrites the file, so a value set through one handle is seen at
// once through any other, in this process or another.
class RegistryKey {
public:
    // Opens the key, creating it and recording it in the file when it is missing.
    static Result<RegistryKey> Create(RegistryRoot root, std::u16string_view subKey);
    // Opens an existing key only (one recorded in the file, or a parent of one); ENOENT
    // otherwise.
    static Result<RegistryKey> Open(RegistryRoot root, std::u16string_view subKey);

    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey();

    void Close();
    bool isOpen() const { return open_; }
    // The key as the file names it, e.g. "HKEY_CURRENT_USER\ControlPanel\Notifications".
    const std::u16string& path() const { return path_; }

    // Writes the value with exactly these bytes. An unchanged value leaves the file alone.
    Status SetValue(std::u16string_view name, uint32_t type, std::span<const uint8_t> data);
    Status SetString(std::u16string_view name, std::u16string_view text);  // REG_SZ, 2n bytes
    Status SetDword(std::u16string_view name, uint32_t value);
    // ENOENT when the value does not exist.
    Result<RegistryValue> QueryValue(std::u16string_view name) const;
    // ENOENT when the value does not exist.
    Status DeleteValue(std::u16string_view name);
    // The names of the key's values, in file order.
    Result<std::vector<std::u16string>> ValueNames() const;

private:
    RegistryKey(std::filesystem::path file, std::u16string path);

    std::filesystem::path file_;
    std::u16string path_;
    bool open_ = false;
};

}  // namespace moru
