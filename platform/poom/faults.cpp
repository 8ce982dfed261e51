// The test-only fault switch: a named store call fails in this process, so that the screens'
// failure paths run against the real store. MORU_STORE_FAULTS carries the switch into a child
// process ("Items,Restrict").
#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string_view>

#include "platform/poom/poom.h"
#include "platform/poom/session.h"

namespace moru::poom {
namespace {

constexpr std::array<std::pair<std::string_view, FaultPoint>, 7> kFaultNames = {{
    {"Logon", FaultPoint::Logon},
    {"Items", FaultPoint::Items},
    {"Restrict", FaultPoint::Restrict},
    {"Save", FaultPoint::Save},
    {"GetItemFromOid", FaultPoint::GetItemFromOid},
    {"CreateItem", FaultPoint::CreateItem},
    {"Delete", FaultPoint::Delete},
}};

// Identifiers whose deletion is refused. Tests set it from the thread that uses the store.
std::set<uint32_t>& RefusedDeletes() {
    static std::set<uint32_t> refused;
    return refused;
}

std::array<std::atomic<bool>, kFaultNames.size()>& Switches() {
    static std::array<std::atomic<bool>, kFaultNames.size()> switches{};
    return switches;
}

void ReadEnvironmentOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        const char* value = std::getenv("MORU_STORE_FAULTS");
        if (value == nullptr) {
            return;
        }
        std::string_view rest = value;
        while (!rest.empty()) {
            const size_t comma = rest.find(',');
            std::string_view name = rest.substr(0, comma);
            while (!name.empty() && name.front() == ' ') {
                name.remove_prefix(1);
            }
            while (!name.empty() && name.back() == ' ') {
                name.remove_suffix(1);
            }
            for (const auto& [known, point] : kFaultNames) {
                if (known == name) {
                    Switches()[static_cast<size_t>(point)] = true;
                }
            }
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
    });
}

}  // namespace

void SetFault(FaultPoint point, bool fail) {
    ReadEnvironmentOnce();
    Switches()[static_cast<size_t>(point)] = fail;
}

void SetDeleteRefused(uint32_t oid, bool refuse) {
    if (refuse) {
        RefusedDeletes().insert(oid);
    } else {
        RefusedDeletes().erase(oid);
    }
}

void ClearFaults() {
    ReadEnvironmentOnce();
    for (auto& s : Switches()) {
        s = false;
    }
    RefusedDeletes().clear();
}

namespace detail {

bool FaultActive(int point) {
    ReadEnvironmentOnce();
    return Switches()[static_cast<size_t>(point)].load();
}

bool DeleteRefused(uint32_t oid) {
    return RefusedDeletes().contains(oid);
}

Error InjectedFault(const char* call) {
    return Error{SQLITE_IOERR, std::string("appointment store: ") + call +
                                   " failed (fault switched on for tests)"};
}

}  // namespace detail
}  // namespace moru::poom
