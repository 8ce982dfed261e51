// Deleting many appointments at once: the settings screen empties whole kinds, and a kind
// that is half deleted after a crash cannot be told apart from one the user trimmed by hand.
// So a batch is one write transaction with one change notice: after it either every row of
// the batch is gone or none is, and readers in other processes see it all at once.
#include <optional>

#include "platform/poom/poom.h"
#include "platform/poom/session.h"

namespace moru::poom {

namespace detail {

Status Session::DeleteRows(std::span<const uint32_t> oids,
                           const std::function<void()>& betweenSlices, DeleteOutcome& outcome) {
    outcome = DeleteOutcome{};
    if (db == nullptr) {
        return Fail("delete appointments");
    }
    if (Status writable = RefuseWhenReadOnly(); !writable.ok()) {
        return writable;
    }
    if (Status s = Exec("BEGIN IMMEDIATE"); !s.ok()) {
        return s;
    }
    auto run = [&]() -> Status {
        Statement deleteInk;
        Statement deleteRow;
        for (auto [slot, sql] :
             {std::pair{&deleteInk, "DELETE FROM ink WHERE oid = ?1"},
              std::pair{&deleteRow, "DELETE FROM appointments WHERE oid = ?1"}}) {
            sqlite3_stmt* raw = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
                return Fail("prepare delete");
            }
            slot->reset(raw);
        }
        for (size_t i = 0; i < oids.size(); ++i) {
            if (betweenSlices && i > 0 && i % kDeleteSlice == 0) {
                betweenSlices();
            }
            const uint32_t oid = oids[i];
            if (oid == 0) {
                outcome.missing.push_back(oid);
                continue;
            }
            if (DeleteRefused(oid)) {
                outcome.refused.push_back(oid);
                continue;
            }
            for (sqlite3_stmt* stmt : {deleteInk.get(), deleteRow.get()}) {
                sqlite3_reset(stmt);
                sqlite3_bind_int64(stmt, 1, oid);
                if (sqlite3_step(stmt) != SQLITE_DONE) {
                    return Fail("delete appointment " + std::to_string(oid));
                }
            }
            // The row statement ran last, so the count of changed rows is its own.
            (sqlite3_changes(db) > 0 ? outcome.deleted : outcome.missing).push_back(oid);
        }
        return {};
    };
    if (Status s = run(); !s.ok()) {
        RollBack();
        outcome = DeleteOutcome{};
        return s;
    }
    if (outcome.deleted.empty()) {
        RollBack();  // nothing changed: no notice to send
        return {};
    }
    if (Status s = CommitAndAnnounce(); !s.ok()) {
        outcome = DeleteOutcome{};
        return s;
    }
    return {};
}

}  // namespace detail

Result<DeleteOutcome> Application::DeleteItems(std::span<const uint32_t> oids,
                                               const std::function<void()>& betweenSlices) const {
    if (detail::FaultActive(static_cast<int>(FaultPoint::Delete))) {
        return detail::InjectedFault("Delete");
    }
    if (!session_ || !session_->open()) {
        return Error{SQLITE_MISUSE, "appointment store: not logged on"};
    }
    // A deletion that lets its caller run in the middle keeps its open transaction away from
    // the connection the caller reads through: those reads then see the last committed state,
    // and one of them ending a transaction could never end this one.
    std::optional<detail::Session> own;
    if (betweenSlices) {
        own.emplace(storeFile_);
        if (Status s = own->Open(); !s.ok()) {
            return s.error();
        }
    }
    detail::Session& writer = own ? *own : *session_;
    DeleteOutcome outcome;
    if (Status s = writer.DeleteRows(oids, betweenSlices, outcome); !s.ok()) {
        return s.error();
    }
    return outcome;
}

}  // namespace moru::poom
