// moru-gen-store: fills the store of a device root with a large, realistic, reproducible set
// of appointments, for benchmarks and for trying the screens on a full calendar.
#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/device_root.h"
#include "platform/poom/poom.h"
#include "tools/gen_store/generator.h"

namespace {

using namespace moru;

constexpr const char* kUsage =
    "usage: moru-gen-store [--root DIR] [--appointments N] [--series N] [--seed S]\n"
    "                      [--from YYYY-MM-DD] [--years Y]\n";

constexpr int kExitOk = 0;
constexpr int kExitStoreFailure = 1;
constexpr int kExitBadArguments = 2;

// Runs with fewer items than this finish before anyone would look for progress.
constexpr long kProgressThreshold = 2000;
constexpr int kProgressSteps = 10;

std::optional<int64_t> ParseInteger(const std::string& text, int64_t min, int64_t max) {
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max) {
        return std::nullopt;
    }
    return value;
}

int Refuse(const std::string& message) {
    std::cerr << "moru-gen-store: " << message << "\n" << kUsage;
    return kExitBadArguments;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    std::optional<std::string> root;
    genstore::GeneratorOptions options;
    // The default window starts on 1 January, half the window's years before this one, so a
    // calendar opened today sits in the middle of it.
    std::optional<SystemTime> from;

    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h") {
            std::cout << kUsage;
            return kExitOk;
        }
        if (i + 1 >= words.size()) {
            return Refuse(word.starts_with("--") ? word + " needs a value"
                                                 : "unexpected argument " + word);
        }
        const std::string& value = words[++i];
        auto number = [&](int64_t min, int64_t max) { return ParseInteger(value, min, max); };
        if (word == "--root") {
            root = value;
        } else if (word == "--appointments") {
            auto n = number(0, 10'000'000);
            if (!n) {
                return Refuse("--appointments must be a number from 0 to 10000000");
            }
            options.appointments = static_cast<long>(*n);
        } else if (word == "--series") {
            auto n = number(0, 1'000'000);
            if (!n) {
                return Refuse("--series must be a number from 0 to 1000000");
            }
            options.series = static_cast<long>(*n);
        } else if (word == "--seed") {
            auto n = number(0, INT64_MAX);
            if (!n) {
                return Refuse("--seed must be a non-negative number");
            }
            options.seed = static_cast<uint64_t>(*n);
        } else if (word == "--years") {
            auto n = number(1, 100);
            if (!n) {
                return Refuse("--years must be a number from 1 to 100");
            }
            options.years = static_cast<int>(*n);
        } else if (word == "--from") {
            from = ParseDateTimeText(value, false);
            if (!from) {
                return Refuse("--from is not a possible date (YYYY-MM-DD): \"" + value + "\"");
            }
        } else {
            return Refuse("unknown option " + word);
        }
    }
    if (from) {
        options.from = *from;
    } else {
        options.from = SystemTime{};
        options.from.year = static_cast<uint16_t>(GetLocalTime().year - options.years / 2);
        options.from.month = 1;
        options.from.day = 1;
    }
    // Series start up to five years before the window; keep them inside the store's years.
    if (options.from.year < kMinYear + 6 || options.from.year + options.years > kMaxYear) {
        return Refuse("the window must lie between the years " + std::to_string(kMinYear + 6) +
                      " and " + std::to_string(kMaxYear));
    }

    SetDeviceRoot(ResolveDeviceRoot(root));
    const auto file = poom::DefaultStoreFile();
    auto application = poom::Application::Create(file);
    Status logon = application ? (*application)->Logon() : Status(application.error());
    if (!logon) {
        std::cerr << "moru-gen-store: cannot open the store " << file.string() << ": "
                  << logon.error().message << " (code " << logon.error().code << ")\n";
        return kExitStoreFailure;
    }

    const long total = options.appointments + options.series;
    const long step = std::max(1L, total / kProgressSteps);
    auto progress = [&](long written, long all) {
        if (all >= kProgressThreshold && (written % step == 0 || written == all)) {
            std::fprintf(stderr, "moru-gen-store: %ld of %ld written\n", written, all);
        }
    };
    auto summary = genstore::GenerateStore(**application, options, progress);
    if (!summary) {
        std::cerr << "moru-gen-store: " << summary.error().message << " (code "
                  << summary.error().code << ")\n";
        return kExitStoreFailure;
    }
    std::printf("%ld appointments and %ld series written to %s\n", summary->appointments,
                summary->series, file.c_str());
    return kExitOk;
}
