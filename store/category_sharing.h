#pragma once
// How the calendar and moru-device share "MoruCalendar.dat", the three identifier lists.
//
// The file is only ever replaced whole (written beside it, then renamed over it), so a reader
// sees the old lists or the new ones. Every writer changes it as a read-modify-write while it
// holds an exclusive flock on "MoruCalendar.dat.lock" beside it, so two writers never lose
// each other's change:
// - moru-device reads the file under the lock, applies its change and writes it back
//   (UpdateCategoryFile); then it announces a store change, so a running calendar refreshes.
// - The calendar remembers the lists as it last read or wrote them (the base). When it saves,
//   it reads the file under the lock; if the file is no longer the base, another program
//   changed it, and the calendar writes the three-way merge of base, its own lists and the
//   file (MergeCategoryLists) instead of its own older copy. When it refreshes after a change
//   notice it takes in the file's changes the same way, without writing.
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "platform/result.h"
#include "store/appointment_record.h"

namespace moru {

struct CategoryLists {
    OidList alarms;
    OidList holidays;
    OidList anniversaries;

    bool operator==(const CategoryLists&) const = default;
};

// The file's byte layout: per list a little-endian 32-bit count, the identifiers, ';'.
// Nothing for bytes that end inside a section or a separator that is not ';'.
std::optional<CategoryLists> DecodeCategoryLists(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> EncodeCategoryLists(const CategoryLists& lists);

// Each list becomes the file's list without what the calendar removed since base, followed by
// what the calendar added since base (in its order) that the file does not hold yet.
CategoryLists MergeCategoryLists(const CategoryLists& base, const CategoryLists& mine,
                                 const CategoryLists& disk);

// What the file holds now. Missing is a file that is not there; Damaged one whose bytes do not
// decode; Unreadable one that is there but cannot be read (the reason in error).
struct CategoryDisk {
    enum class State { Missing, Read, Damaged, Unreadable } state = State::Missing;
    CategoryLists lists;  // when Read
    Error error;          // when Unreadable
};
CategoryDisk ReadCategoryDisk(const std::filesystem::path& file);

// Holds the exclusive lock that every writer of the file takes for its read-modify-write.
class CategoryFileLock {
public:
    static Result<CategoryFileLock> Acquire(const std::filesystem::path& file);
    CategoryFileLock(CategoryFileLock&& other) noexcept;
    CategoryFileLock& operator=(CategoryFileLock&&) = delete;
    ~CategoryFileLock();

private:
    explicit CategoryFileLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// moru-device's change: under the lock, reads the file (a missing one holds three empty
// lists), applies change and replaces the file. A damaged or unreadable file is refused and
// left as it is, so that the user's classification is never replaced by a guess.
Status UpdateCategoryFile(const std::filesystem::path& file,
                          const std::function<void(CategoryLists&)>& change);

}  // namespace moru
