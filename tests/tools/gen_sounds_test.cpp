// gen-sounds run as its own process: the committed sounds are exactly what it makes, and each
// is a well-formed, quiet-edged, unclipped reminder of the agreed format and length.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_root.h"
#include "tests/tools/tool_process.h"

namespace moru::test {
namespace {

std::uint32_t Field(const std::string& bytes, size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

std::map<std::string, std::string> WaveFilesIn(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files[entry.path().filename().string()] = ReadFileBytes(entry.path());
    }
    return files;
}

std::map<std::string, std::string> Generate(const std::filesystem::path& folder) {
    const ToolRun run = RunTool(ToolPath("gen-sounds"), {folder.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return WaveFilesIn(folder);
}

TEST(GenSounds, OutputIsTheSameOnEveryRunAndMatchesTheCommittedSounds) {
    TempDeviceRoot scratch;
    const auto first = Generate(scratch.path() / "a");
    const auto second = Generate(scratch.path() / "b" / "nested");
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, WaveFilesIn(std::filesystem::path(MORU_SOURCE_DIR) / "resources" / "sounds"))
        << "regenerate resources/sounds with gen-sounds (tools/gen_sounds/README.md)";
}

TEST(GenSounds, EverySoundIsADistinctShortUnclippedMonoWaveThatFadesInAndOut) {
    TempDeviceRoot scratch;
    const auto files = Generate(scratch.path());
    ASSERT_GE(files.size(), 5u);
    std::map<std::string, std::string> seen;
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        EXPECT_EQ(name.substr(name.size() - 4), ".wav");
        ASSERT_GE(bytes.size(), 44u);
        // The one layout of a plain 16-bit mono PCM file at 22050 Hz: RIFF size, fmt chunk of
        // 16 bytes, format 1, 1 channel, rate, bytes per second, block 2, 16 bits.
        EXPECT_EQ(bytes.substr(0, 4) + bytes.substr(8, 8) + bytes.substr(36, 4),
                  "RIFFWAVEfmt data");
        const std::vector<std::uint32_t> fields = {
            Field(bytes, 4, 4),  Field(bytes, 16, 4), Field(bytes, 20, 2), Field(bytes, 22, 2),
            Field(bytes, 24, 4), Field(bytes, 28, 4), Field(bytes, 32, 2), Field(bytes, 34, 2)};
        EXPECT_EQ(fields, (std::vector<std::uint32_t>{static_cast<std::uint32_t>(bytes.size() - 8),
                                                      16, 1, 1, 22050, 44100, 2, 16}));
        const std::uint32_t dataBytes = Field(bytes, 40, 4);
        ASSERT_EQ(dataBytes, bytes.size() - 44);

        const size_t count = dataBytes / 2;
        EXPECT_GE(count, 22050u / 2);
        EXPECT_LE(count, 22050u * 2);
        std::vector<int> samples(count);
        int peak = 0;
        for (size_t i = 0; i < count; ++i) {
            samples[i] = static_cast<std::int16_t>(Field(bytes, 44 + 2 * i, 2));
            peak = std::max(peak, std::abs(samples[i]));
        }
        EXPECT_LT(peak, 32000) << "clipped";
        EXPECT_GT(peak, 16000) << "too quiet";
        // A reminder that begins or ends away from zero, or jumps to full level within its
        // first or last half millisecond, is heard as a click.
        EXPECT_LE(std::abs(samples.front()), 16);
        EXPECT_LE(std::abs(samples.back()), 16);
        for (size_t i = 0; i < 11; ++i) {
            EXPECT_LE(std::abs(samples[i]), peak / 4) << "sample " << i;
            EXPECT_LE(std::abs(samples[count - 1 - i]), peak / 4) << "sample " << count - 1 - i;
        }
        long long sum = 0;
        for (int s : samples) {
            sum += s;
        }
        EXPECT_LE(std::abs(sum / static_cast<long long>(count)), 100) << "offset from zero";

        const auto [other, inserted] = seen.emplace(bytes, name);
        EXPECT_TRUE(inserted) << "same as " << other->second;
    }
}

}  // namespace
}  // namespace moru::test
