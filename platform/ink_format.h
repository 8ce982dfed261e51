#pragma once
// The content of an ink note (typed text and pen strokes) and its byte form: what the ink note
// control returns for its whole content and loads again, what memo files hold and what an
// appointment's ink body stores. docs/ink-note.md describes the bytes.
//
// Coordinates are in sixteenths of a logical pixel of the note at 100 % zoom, so that a stroke
// drawn at any zoom or window scale keeps its shape to well below a pixel and round-trips
// exactly. Pressure runs from 0 (none) to 65535 (full); a mouse writes the middle value.
//
// Decoding is total: any byte block either decodes to exactly the content that encoded it or
// is refused with a reason (wrong magic, another version, a checksum mismatch, counts that
// run past the end). Nothing is guessed from damaged bytes.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/result.h"

namespace moru {

inline constexpr int kInkUnitsPerPixel = 16;
inline constexpr uint16_t kInkMousePressure = 32768;
inline constexpr uint16_t kInkFormatVersion = 1;

struct InkPoint {
    int32_t x = 0;  // 1/16 logical pixel, from the note's left edge
    int32_t y = 0;  // 1/16 logical pixel, from the note's top edge
    uint16_t pressure = kInkMousePressure;

    bool operator==(const InkPoint&) const = default;
};

struct InkStroke {
    uint32_t colour = 0;           // 0x00RRGGBB
    uint16_t width = 32;           // nominal line width at middle pressure, 1/16 logical pixel
    std::vector<InkPoint> points;  // at least one

    bool operator==(const InkStroke&) const = default;
};

struct InkContent {
    std::u16string text;  // the typed text, '\n' between lines
    std::vector<InkStroke> strokes;

    bool empty() const { return text.empty() && strokes.empty(); }
    bool operator==(const InkContent&) const = default;
};

// The bytes of `content`; an empty note is zero bytes, so that an empty memo leaves no file.
std::vector<uint8_t> EncodeInk(const InkContent& content);
// Zero bytes are the empty note. Anything that EncodeInk did not write is refused.
Result<InkContent> DecodeInk(std::span<const uint8_t> bytes);

// The IEEE CRC-32 that guards the bytes (exposed for the format's tests and tools).
uint32_t InkChecksum(std::span<const uint8_t> bytes);

}  // namespace moru
