#include "store/kind_deletion.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/text.h"
#include "store/calendar_state.h"
#include "store/memo_files.h"
#include "store/store_connection.h"

namespace moru {
namespace {

// How much one step does. Each is well under the 100 ms after which a window that does not
// repaint looks frozen: walking 2,000 items of the live collection or deleting 250 memo files
// takes a few milliseconds. A kind's store items go in one transaction whatever their number,
// so that a crash never leaves it half deleted; the store calls back between its slices.
constexpr long kWalkBatch = 2000;
constexpr size_t kMemoBatch = 250;

std::set<uint32_t> ListedIdentifiers() {
    const CalendarState& state = Calendar();
    std::set<uint32_t> listed(state.AlarmOids.begin(), state.AlarmOids.end());
    listed.insert(state.HolidayOids.begin(), state.HolidayOids.end());
    listed.insert(state.AnniversaryOids.begin(), state.AnniversaryOids.end());
    return listed;
}

std::optional<poom::ItemCollection> AllItems() {
    const StoreConnection& connection = TheStoreConnection();
    if (!connection.folder) {
        return std::nullopt;
    }
    Result<poom::ItemCollection> items = connection.folder->Items();
    if (!items) {
        std::fprintf(stderr, "moru: reading the appointments failed: %s\n",
                     items.error().message.c_str());
        return std::nullopt;
    }
    return std::move(*items);
}

// The store items in none of the lists, counted without walking them: every item less the
// listed identifiers that still name one (a list may name an item twice, or name one that
// is gone). Identifiers are unique in the store, so this is exactly the number of items the
// walk of the deletion finds.
long CountUnlisted() {
    const StoreConnection& connection = TheStoreConnection();
    const std::optional<poom::ItemCollection> items = AllItems();
    if (!items || !connection.application) {
        return 0;
    }
    Result<long> count = items->Count();
    if (!count) {
        std::fprintf(stderr, "moru: counting the appointments failed: %s\n",
                     count.error().message.c_str());
        return 0;
    }
    long listedInStore = 0;
    for (const uint32_t oid : ListedIdentifiers()) {
        listedInStore += oid != 0 && connection.application->GetItemFromOid(oid).ok();
    }
    return std::max(0L, *count - listedInStore);
}

long CountMemos() {
    long memos = 0;
    ForEachMemoFileName([&memos](std::string_view) {
        ++memos;
        return true;
    });
    return memos;
}

}  // namespace

KindCounts CountKinds() {
    const CalendarState& state = Calendar();
    KindCounts counts;
    counts.alarms = static_cast<long>(state.AlarmOids.size());
    counts.holidays = static_cast<long>(state.HolidayOids.size());
    counts.anniversaries = static_cast<long>(state.AnniversaryOids.size());
    counts.appointments = CountUnlisted();
    counts.memos = CountMemos();
    return counts;
}

KindDeletion::KindDeletion(KindChoice choice, std::function<void()> betweenSlices)
    : choice_(choice), betweenSlices_(std::move(betweenSlices)) {
    if (!Chosen(stage_)) {
        Advance();
    }
}

bool KindDeletion::Step() {
    CalendarState& state = Calendar();
    switch (stage_) {
        case Stage::Alarms:
            DeleteListed(state.AlarmOids);
            Advance();
            break;
        case Stage::Anniversaries:
            DeleteListed(state.AnniversaryOids);
            Advance();
            break;
        case Stage::Holidays:
            DeleteListed(state.HolidayOids);
            Advance();
            break;
        case Stage::WalkAppointments:
            WalkSomeAppointments();
            break;
        case Stage::DeleteAppointments:
            DeleteWalkedAppointments();
            Advance();
            break;
        case Stage::ListMemos:
            ListMemos();
            break;
        case Stage::DeleteMemos:
            DeleteSomeMemos();
            break;
        case Stage::Done:
            break;
    }
    return !done();
}

void KindDeletion::RunToEnd() {
    while (Step()) {
    }
}

bool KindDeletion::Chosen(Stage stage) const {
    switch (stage) {
        case Stage::Alarms:
            return choice_.alarms;
        case Stage::Anniversaries:
            return choice_.anniversaries;
        case Stage::Holidays:
            return choice_.holidays;
        case Stage::WalkAppointments:
        case Stage::DeleteAppointments:
            return choice_.appointments;
        case Stage::ListMemos:
        case Stage::DeleteMemos:
            return choice_.memos;
        case Stage::Done:
            break;
    }
    return true;
}

// Moves to the next stage that has something to do, so that every Step does real work.
void KindDeletion::Advance() {
    do {
        stage_ = static_cast<Stage>(static_cast<int>(stage_) + 1);
    } while (!Chosen(stage_));
}

void KindDeletion::DeleteListed(OidList& list) {
    if (list.empty()) {
        return;
    }
    const StoreConnection& connection = TheStoreConnection();
    if (!connection.application) {
        return;
    }
    Result<poom::DeleteOutcome> outcome = connection.application->DeleteItems(list, betweenSlices_);
    if (!outcome) {
        // Nothing of the kind was deleted; its list still names every item, as it should.
        std::fprintf(stderr, "moru: deleting %zu listed appointments failed: %s\n", list.size(),
                     outcome.error().message.c_str());
        return;
    }
    // Identifiers of deleted and vanished items leave the list; the refused ones keep their
    // item's kind.
    const std::set<uint32_t> refused(outcome->refused.begin(), outcome->refused.end());
    std::erase_if(list, [&refused](uint32_t oid) { return !refused.contains(oid); });
    listsChanged_ = true;
}

void KindDeletion::WalkSomeAppointments() {
    if (!walked_) {
        walked_ = AllItems();
        if (!walked_) {
            Advance();  // Items failed: the walk found nothing, so nothing is deleted
            return;
        }
    }
    // The walk only reads, so every index moves on: an item that later refuses to go can
    // never hold it at one place.
    for (long n = 0; n < kWalkBatch; ++n, ++walkIndex_) {
        const std::optional<poom::Appointment> item = walked_->Item(walkIndex_);
        if (!item) {
            walked_.reset();
            Advance();
            return;
        }
        if (KindOf(item->Oid()) == Appointment) {
            unlisted_.push_back(item->Oid());
        }
    }
}

void KindDeletion::DeleteWalkedAppointments() {
    const StoreConnection& connection = TheStoreConnection();
    if (unlisted_.empty() || !connection.application) {
        return;
    }
    Result<poom::DeleteOutcome> outcome =
        connection.application->DeleteItems(unlisted_, betweenSlices_);
    if (!outcome) {
        std::fprintf(stderr, "moru: deleting %zu appointments failed: %s\n", unlisted_.size(),
                     outcome.error().message.c_str());
    } else {
    }
    unlisted_.clear();
}

void KindDeletion::ListMemos() {
    // The names are read first and deleted after: removing entries from a folder while it is
    // being read may make the listing skip some.
    memoNames_.clear();
    ForEachMemoFileName([this](std::string_view name) {
        memoNames_.push_back(FromUtf8(name));
        return true;
    });
    memoNext_ = 0;
    Advance();
    if (memoNames_.empty()) {
        Advance();
    }
}

void KindDeletion::DeleteSomeMemos() {
    const size_t end = std::min(memoNames_.size(), memoNext_ + kMemoBatch);
    for (; memoNext_ < end; ++memoNext_) {
        // A memo that cannot be deleted stays, and the memo count keeps showing it.
        if (Status deleted = DeleteMemoFile(MemoPath(memoNames_[memoNext_])); !deleted) {
            std::fprintf(stderr, "moru: %s\n", deleted.error().message.c_str());
        }
    }
    if (memoNext_ == memoNames_.size()) {
        memoNames_.clear();
        Advance();
    }
}

}  // namespace moru
