#pragma once
// Counting and deleting whole kinds: what the settings screen shows beside each check box
// and what its Delete removes. Widget-free, so that the rules run in tests and benchmarks
// without a window.
//
// An appointment is a store item whose identifier is in none of the three lists; counting
// and deleting use that one rule, so the number shown is the number that Delete removes.
// Alarms, holidays and anniversaries are counted and deleted through their lists only.
//
// The deletion of each kind of store item is one store transaction: a crash leaves each kind
// either untouched or gone. An identifier the store could not delete stays in its list (its
// item is still there and still of that kind); identifiers whose items are gone leave it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/poom/poom.h"
#include "store/appointment_record.h"

namespace moru {

// The kinds chosen for deletion, one per check box.
struct KindChoice {
    bool alarms = false;
    bool holidays = false;
    bool anniversaries = false;
    bool appointments = false;
    bool memos = false;

    bool any() const { return alarms || holidays || anniversaries || appointments || memos; }
};

struct KindCounts {
    long alarms = 0;         // size of AlarmOids
    long holidays = 0;       // size of HolidayOids
    long anniversaries = 0;  // size of AnniversaryOids
    long appointments = 0;   // store items in none of the lists; 0 when Items fails
    long memos = 0;          // memo files in the data folder

    bool operator==(const KindCounts&) const = default;
};

// Reads the lists, the store and the data folder (one count, one look-up per distinct
// listed identifier, one folder listing).
KindCounts CountKinds();

// Deletes the chosen kinds in the order alarms, anniversaries, holidays, appointments,
// memos, one bounded step at a time, so that the window can repaint between steps.
class KindDeletion {
public:
    // `betweenSlices` runs inside a long store transaction every poom::kDeleteSlice items
    // (reads then see the store as it was before the deletion; it must not write).
    explicit KindDeletion(KindChoice choice, std::function<void()> betweenSlices = {});

    // Does the next step; false once everything chosen is done (then nothing more happens).
    bool Step();
    // Runs every remaining step.
    void RunToEnd();

    bool done() const { return stage_ == Stage::Done; }
    // True once one of the three lists was changed (the category file is then out of date).
    bool listsChanged() const { return listsChanged_; }

private:
    enum class Stage {
        Alarms,
        Anniversaries,
        Holidays,
        WalkAppointments,
        DeleteAppointments,
        ListMemos,
        DeleteMemos,
        Done
    };
    bool Chosen(Stage stage) const;
    void Advance();
    void DeleteListed(OidList& list);
    void WalkSomeAppointments();
    void DeleteWalkedAppointments();
    void ListMemos();
    void DeleteSomeMemos();

    KindChoice choice_;
    std::function<void()> betweenSlices_;
    Stage stage_ = Stage::Alarms;
    bool listsChanged_ = false;
    std::optional<poom::ItemCollection> walked_;  // the collection being walked
    long walkIndex_ = 1;                          // its next Item(i)
    std::vector<uint32_t> unlisted_;              // what the walk found so far
    std::vector<std::u16string> memoNames_;
    size_t memoNext_ = 0;  // the next of memoNames_ to delete
};

}  // namespace moru
