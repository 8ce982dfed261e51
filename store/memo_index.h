#pragma once
// Which days have memos, kept up to date from the data folder's change notices rather than
// by reading the folder again: the month grid asks for up to 42 days at every redraw, and a
// folder of 20,000 memos costs about 10 ms to read, while draining the notices costs next to
// nothing. The answers are exactly HasMemo's (memo_files.h) at the moment of the last Update.
//
// The folder is watched before it is read, so a memo made or removed while the folder is
// being read is still seen. When the notices overflow, the folder is moved or removed, or the
// data folder becomes another one, the next Update reads the folder afresh.
#include <set>
#include <string>

namespace moru {

class MemoIndex {
public:
    MemoIndex();
    ~MemoIndex();
    MemoIndex(const MemoIndex&) = delete;
    MemoIndex& operator=(const MemoIndex&) = delete;

    // Applies the changes noticed since the last call (the first call reads the folder).
    // Returns true when the set of memo names may have changed.
    bool Update();
    bool HasMemo(int year, int month, int day) const;
    size_t size() const { return names_.size(); }

    // A descriptor that becomes readable when the folder changes, for an event loop to watch;
    // -1 while the folder is not watched (no data folder yet).
    int changeDescriptor() const { return watchedFolder_.empty() ? -1 : notifyFd_; }

private:
    void ReadAfresh(const std::string& folder);
    void Unwatch();
    // Applies the pending notices; false when they cannot be trusted any more.
    bool DrainNotices(bool& changed);

    int notifyFd_ = -1;
    int watch_ = -1;
    std::string watchedFolder_;    // the real path being watched; empty when none
    std::set<std::string> names_;  // memo file names in the folder (no directories)
};

}  // namespace moru
