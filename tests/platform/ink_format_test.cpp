// The ink note's byte form: exact round trips both ways, a refusal with a reason for anything
// it did not write, and no crash or misreading on thousands of damaged copies.
#include "platform/ink_format.h"

#include <gtest/gtest.h>

#include <random>

namespace moru {
namespace {

InkStroke Stroke(std::vector<InkPoint> points, uint16_t width = 32, uint32_t colour = 0) {
    return InkStroke{colour, width, std::move(points)};
}

InkContent Sample() {
    InkContent content;
    content.text = u"Call Anna\nabout the \U0001F600 party";
    for (int s = 0; s < 5; ++s) {
        std::vector<InkPoint> points;
        points.reserve(20);
        for (int i = 0; i < 20; ++i) {
            points.push_back({s * 100 + i * 7, i * i - 50, static_cast<uint16_t>(i * 3000)});
        }
        content.strokes.push_back(Stroke(points, static_cast<uint16_t>(16 + s), 0x112233u * s));
    }
    return content;
}

struct RoundTrip {
    const char* name;
    InkContent content;
};

class InkRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(InkRoundTrip, DecodesToWhatWasEncodedAndEncodesToTheSameBytes) {
    const InkContent& content = GetParam().content;
    const std::vector<uint8_t> bytes = EncodeInk(content);
    const Result<InkContent> decoded = DecodeInk(bytes);
    ASSERT_TRUE(decoded.ok()) << decoded.error().message;
    EXPECT_EQ(*decoded, content);
    EXPECT_EQ(EncodeInk(*decoded), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, InkRoundTrip,
    testing::Values(RoundTrip{"empty", {}}, RoundTrip{"text only", {u"x", {}}},
                    RoundTrip{"one dot", {u"", {Stroke({{5, 5, 0}})}}},
                    RoundTrip{"a stroke without points", {u"", {Stroke({})}}},
                    RoundTrip{
                        "extreme values",
                        {std::u16string{u'\uFFFF', u'\0', static_cast<char16_t>(0xD800)},
                         {Stroke({{INT32_MIN, INT32_MAX, 65535}, {-1, 0, 0}}, 65535, 0xFFFFFF)}}},
                    RoundTrip{"text and strokes", Sample()}),
    [](const testing::TestParamInfo<RoundTrip>& param) {
        std::string name = param.param.name;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(InkFormatTest, AnEmptyNoteIsZeroBytesAndZeroBytesAreAnEmptyNote) {
    EXPECT_TRUE(EncodeInk({}).empty());
    const Result<InkContent> decoded = DecodeInk({});
    ASSERT_TRUE(decoded.ok());
    EXPECT_TRUE(decoded->empty());
}

// Bytes changed after encoding, each refused.
struct Damage {
    const char* name;
    void (*apply)(std::vector<uint8_t>&);
};

class InkRefusal : public testing::TestWithParam<Damage> {};

TEST_P(InkRefusal, IsRefusedWithAReason) {
    std::vector<uint8_t> bytes = EncodeInk(Sample());
    GetParam().apply(bytes);
    const Result<InkContent> decoded = DecodeInk(bytes);
    ASSERT_FALSE(decoded.ok());
    EXPECT_FALSE(decoded.error().message.empty());
    EXPECT_NE(decoded.error().code, 0);
}

// Rewrites the checksum so that only the change under test is wrong.
void Reseal(std::vector<uint8_t>& bytes) {
    const size_t body = bytes.size() - 4;
    const uint32_t crc = InkChecksum(std::span<const uint8_t>(bytes.data(), body));
    for (int i = 0; i < 4; ++i) {
        bytes[body + static_cast<size_t>(i)] = static_cast<uint8_t>(crc >> (8 * i));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Damages, InkRefusal,
    testing::Values(Damage{"another magic", [](std::vector<uint8_t>& b) { b[0] = 'X'; }},
                    Damage{"a later version",
                           [](std::vector<uint8_t>& b) {
                               b[4] = 2;
                               Reseal(b);
                           }},
                    Damage{"flags set",
                           [](std::vector<uint8_t>& b) {
                               b[6] = 1;
                               Reseal(b);
                           }},
                    Damage{"cut short", [](std::vector<uint8_t>& b) { b.resize(b.size() - 7); }},
                    Damage{"padded", [](std::vector<uint8_t>& b) { b.push_back(0); }},
                    Damage{"a flipped bit", [](std::vector<uint8_t>& b) { b[40] ^= 0x10; }},
                    Damage{"a text longer than the note",
                           [](std::vector<uint8_t>& b) {
                               b[15] = 0x7F;
                               Reseal(b);
                           }},
                    Damage{"only a header", [](std::vector<uint8_t>& b) { b.resize(12); }},
                    Damage{"a header for nothing",
                           [](std::vector<uint8_t>& b) {
                               b = EncodeInk({u"a", {}});
                               b.erase(b.begin() + 12,
                                       b.begin() + 18);  // the text: count 1, one unit
                               b.insert(b.begin() + 12, {0, 0, 0, 0});  // count 0, then no strokes
                               b[8] = 8;
                               Reseal(b);
                           }}),
    [](const testing::TestParamInfo<Damage>& param) {
        std::string name = param.param.name;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

// Random damage of every kind a disk or a transfer does: flipped bits, lost and added bytes,
// cut ends, and overwritten runs, some of them resealed so that the parser itself must catch
// the fault. None may crash; a copy that still decodes must encode back to itself.
TEST(InkFormatTest, SurvivesThousandsOfDamagedCopies) {
    const std::vector<uint8_t> original = EncodeInk(Sample());
    std::mt19937 random(20041231);
    int decodedCount = 0;
    for (int round = 0; round < 5000; ++round) {
        std::vector<uint8_t> bytes = original;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits && !bytes.empty(); ++e) {
            const size_t at = random() % bytes.size();
            switch (random() % 5) {
                case 0:
                    bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
                    break;
                case 1:
                    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at));
                    break;
                case 2:
                    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                 static_cast<uint8_t>(random()));
                    break;
                case 3:
                    bytes.resize(at);
                    break;
                default:
                    for (size_t i = at; i < std::min(bytes.size(), at + 8); ++i) {
                        bytes[i] = 0xFF;
                    }
                    break;
            }
        }
        if (round % 2 == 0 && bytes.size() > 16) {
            Reseal(bytes);
        }
        const Result<InkContent> decoded = DecodeInk(bytes);
        if (decoded.ok()) {
            ++decodedCount;
            EXPECT_EQ(EncodeInk(*decoded), bytes) << "round " << round;
        }
    }
    EXPECT_LT(decodedCount, 5000);
}

}  // namespace
}  // namespace moru
