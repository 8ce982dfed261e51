#pragma once
// The synthetic store behind moru-gen-store and the store benchmark: one-off appointments
// spread over a window of years, plus recurring series of every kind that began years before
// the window, so that every query has to expand old series into the days it asks about.
//
// The content depends only on the options: the same seed, window and sizes give the same
// appointments in the same order (the random source is std::mt19937_64, whose sequence the
// language fixes, and no library distribution is used).
#include <cstdint>
#include <functional>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/result.h"

namespace moru::genstore {

struct GeneratorOptions {
    long appointments = 10000;  // one-off appointments inside the window
    long series = 500;          // recurring series, started before the window
    uint64_t seed = 1;
    SystemTime from;  // first day of the window (time of day ignored)
    int years = 10;   // length of the window
};

struct GeneratorSummary {
    long appointments = 0;  // one-off appointments written
    long series = 0;        // recurring series written
};

// Called after every saved item with the number written so far and the total asked for.
using GeneratorProgress = std::function<void(long written, long total)>;

// Writes the appointments into the store behind `application` (logged on), next to whatever
// it already holds. Stops at the first refused save and says which item it was.
Result<GeneratorSummary> GenerateStore(const poom::Application& application,
                                       const GeneratorOptions& options,
                                       const GeneratorProgress& progress = {});

}  // namespace moru::genstore
