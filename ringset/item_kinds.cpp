#include "ringset/item_kinds.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "platform/device_root.h"

namespace moru {
namespace {

// The calendar's data folder, and the folder it falls back to when that one cannot be made.
constexpr std::u16string_view kCategoryFile = u"\\My Documents\\MoruCalendar\\MoruCalendar.dat";
constexpr std::u16string_view kFallbackCategoryFile = u"\\My Documents\\MoruCalendar.dat";

// Each section: a little-endian 32-bit count, that many 32-bit identifiers, and ';'. The
// count is trusted only as far as the file backs it up.
bool ReadSection(std::FILE* file, std::vector<uint32_t>& list) {
    auto readWord = [&](uint32_t& value) {
        uint8_t b[4];
        if (std::fread(b, 1, 4, file) != 4) {
            return false;
        }
        value = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
        return true;
    };
    uint32_t count = 0;
    if (!readWord(count)) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t oid = 0;
        if (!readWord(oid)) {
            return false;
        }
        list.push_back(oid);
    }
    return std::fgetc(file) == ';';
}

}  // namespace

ItemKinds ItemKinds::Read() {
    const std::filesystem::path usual = TranslateDevicePath(kCategoryFile);
    std::error_code error;
    if (std::filesystem::exists(usual, error)) {
        return ReadFile(usual);
    }
    return ReadFile(TranslateDevicePath(kFallbackCategoryFile));
}

ItemKinds ItemKinds::ReadFile(const std::filesystem::path& file) {
    ItemKinds kinds;
    std::FILE* in = std::fopen(file.c_str(), "rbe");
    if (in == nullptr) {
        return kinds;
    }
    for (std::vector<uint32_t>& list : kinds.lists_) {
        if (!ReadSection(in, list)) {
            break;
        }
    }
    std::fclose(in);
    for (std::vector<uint32_t>& list : kinds.lists_) {
        std::sort(list.begin(), list.end());
    }
    return kinds;
}

ItemKind ItemKinds::KindOf(uint32_t oid) const {
    static constexpr ItemKind kOrder[] = {Alarm, Holiday, Anniversary};
    for (size_t i = 0; i < lists_.size(); ++i) {
        if (std::binary_search(lists_[i].begin(), lists_[i].end(), oid)) {
            return kOrder[i];
        }
    }
    return Appointment;
}

}  // namespace moru
