#include "platform/ink_format.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <string>

namespace moru {
namespace {

constexpr std::array<uint8_t, 4> kMagic{'M', 'I', 'n', 'k'};
constexpr size_t kHeaderBytes = 12;      // magic, version, flags, payload length
constexpr size_t kTrailerBytes = 4;      // checksum
constexpr size_t kPointBytes = 10;       // x, y, pressure
constexpr size_t kStrokeHeadBytes = 12;  // colour, width, reserved, point count

class Writer {
public:
    void U16(uint16_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void PutU32At(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
        }
    }
    std::vector<uint8_t> bytes;
};

// Reads little-endian values; every read checks what is left, so a count in damaged bytes can
// never send it past the end.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t left() const { return bytes_.size() - at_; }
    bool U16(uint16_t& v) {
        if (left() < 2) {
            return false;
        }
        v = static_cast<uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
        at_ += 2;
        return true;
    }
    bool U32(uint32_t& v) {
        uint16_t low = 0;
        uint16_t high = 0;
        if (!U16(low) || !U16(high)) {
            return false;
        }
        v = static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16);
        return true;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

Error Refused(std::string why) {
    return Error{EINVAL, "ink note: " + std::move(why)};
}

const std::array<uint32_t, 256>& CrcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    return table;
}

}  // namespace

uint32_t InkChecksum(std::span<const uint8_t> bytes) {
    const auto& table = CrcTable();
    uint32_t crc = 0xFFFFFFFFu;
    for (const uint8_t b : bytes) {
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> EncodeInk(const InkContent& content) {
    if (content.empty()) {
        return {};
    }
    Writer out;
    out.bytes.insert(out.bytes.end(), kMagic.begin(), kMagic.end());
    out.U16(kInkFormatVersion);
    out.U16(0);  // flags: none defined in version 1
    out.U32(0);  // payload length, filled in below
    out.U32(static_cast<uint32_t>(content.text.size()));
    for (const char16_t unit : content.text) {
        out.U16(static_cast<uint16_t>(unit));
    }
    out.U32(static_cast<uint32_t>(content.strokes.size()));
    for (const InkStroke& stroke : content.strokes) {
        out.U32(stroke.colour & 0x00FFFFFFu);
        out.U16(stroke.width);
        out.U16(0);  // reserved
        out.U32(static_cast<uint32_t>(stroke.points.size()));
        for (const InkPoint& p : stroke.points) {
            out.U32(static_cast<uint32_t>(p.x));
            out.U32(static_cast<uint32_t>(p.y));
            out.U16(p.pressure);
        }
    }
    out.PutU32At(8, static_cast<uint32_t>(out.bytes.size() - kHeaderBytes));
    out.U32(InkChecksum(out.bytes));
    return std::move(out.bytes);
}

Result<InkContent> DecodeInk(std::span<const uint8_t> bytes) {
    if (bytes.empty()) {
        return InkContent{};
    }
    if (bytes.size() < kHeaderBytes + kTrailerBytes ||
        std::memcmp(bytes.data(), kMagic.data(), kMagic.size()) != 0) {
        return Refused("not a note of this program (no \"MInk\" header)");
    }
    Reader head(bytes.subspan(4, kHeaderBytes - 4));
    uint16_t version = 0;
    uint16_t flags = 0;
    uint32_t payloadBytes = 0;
    head.U16(version);
    head.U16(flags);
    head.U32(payloadBytes);
    if (version != kInkFormatVersion || flags != 0) {
        return Refused("format version " + std::to_string(version) + " with flags " +
                       std::to_string(flags) + " is not one this program reads");
    }
    if (payloadBytes != bytes.size() - kHeaderBytes - kTrailerBytes) {
        return Refused("the length field does not match the size (cut short or padded)");
    }
    const size_t checked = kHeaderBytes + payloadBytes;
    Reader trailer(bytes.subspan(checked));
    uint32_t crc = 0;
    trailer.U32(crc);
    if (crc != InkChecksum(bytes.first(checked))) {
        return Refused("checksum mismatch (damaged bytes)");
    }

    Reader in(bytes.subspan(kHeaderBytes, payloadBytes));
    InkContent content;
    uint32_t textUnits = 0;
    if (!in.U32(textUnits) || textUnits > in.left() / 2) {
        return Refused("the text runs past the end");
    }
    content.text.resize(textUnits);
    for (char16_t& unit : content.text) {
        uint16_t v = 0;
        in.U16(v);
        unit = static_cast<char16_t>(v);
    }
    uint32_t strokeCount = 0;
    if (!in.U32(strokeCount) || strokeCount > in.left() / kStrokeHeadBytes) {
        return Refused("the stroke count runs past the end");
    }
    content.strokes.resize(strokeCount);
    for (InkStroke& stroke : content.strokes) {
        uint16_t reserved = 0;
        uint32_t pointCount = 0;
        if (!in.U32(stroke.colour) || !in.U16(stroke.width) || !in.U16(reserved) ||
            !in.U32(pointCount)) {
            return Refused("a stroke runs past the end");
        }
        if ((stroke.colour & 0xFF000000u) != 0 || reserved != 0) {
            return Refused("a stroke has bits set that version 1 never writes");
        }
        if (pointCount > in.left() / kPointBytes) {
            return Refused("a stroke's points run past the end");
        }
        stroke.points.resize(pointCount);
        for (InkPoint& p : stroke.points) {
            uint32_t x = 0;
            uint32_t y = 0;
            in.U32(x);
            in.U32(y);
            in.U16(p.pressure);
            p.x = static_cast<int32_t>(x);
            p.y = static_cast<int32_t>(y);
        }
    }
    if (in.left() != 0) {
        return Refused("bytes follow the last stroke");
    }
    if (content.empty()) {
        return Refused("an empty note is zero bytes, not a header");
    }
    return content;
}

}  // namespace moru
