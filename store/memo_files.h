#pragma once
// Memo files: one ink note per file in the data folder, named after the day it belongs to and
// the second it was made ("20040105_093012.pwi"). A day's memos are the .pwi files whose names
// begin with the day's digits, in the order the file system lists them.
//
// Paths here are device paths (the data folder's own text joined with "\"); they become real
// paths only through TranslateDevicePath. The file content is the note control's bytes as
// they are; nothing here reads it.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"
#include "platform/result.h"

namespace moru {

// The device path of a new memo for `date` made at the time of day of `time`. Should a memo
// of that day and second already exist, the name gains "_2", "_3", ... before ".pwi", which
// still begins with the day's digits and sorts after the first, so the earlier memo is never
// overwritten.
std::u16string MemoFileName(const SystemTime& date, const SystemTime& time);

// The device path of a memo in the data folder, from its file name.
std::u16string MemoPath(std::u16string_view name);

// The day's memo file names (without folder), in the file system's order; empty when none.
std::vector<std::u16string> FindDayMemos(int year, int month, int day);

// True when the day has at least one memo file.
bool HasMemo(int year, int month, int day);

// The rules behind those answers, for the memo index: "%d%02d%02d", what every memo name of
// the day begins with; whether a name is a memo file's (".pwi", any case); whether a name
// matches the day pattern "<prefix>*.pwi".
std::string MemoDayPrefix(int year, int month, int day);
bool IsMemoFileName(std::string_view name);
bool MemoOfDay(std::string_view name, std::string_view prefix);
// Walks the data folder's entries in the file system's order, giving each memo file name
// (directories are never memos) to `visit` until it returns false.
void ForEachMemoFileName(const std::function<bool(std::string_view)>& visit);

// The data folder's memo file names read once, so that many days can be tested against one
// directory read (a grid redraw tests up to 42 days). Answers exactly as HasMemo would have
// when the listing was read.
class MemoListing {
public:
    static MemoListing Read();
    bool HasMemo(int year, int month, int day) const;
    size_t size() const { return names_.size(); }

private:
    std::vector<std::string> names_;  // the .pwi names, sorted bytewise
};

// Reads a whole memo file (a device path). Fails with the reason when it cannot be opened or
// read; an empty file reads as zero bytes.
Result<std::vector<uint8_t>> ReadMemoFile(std::u16string_view devicePath);
// Replaces a memo file's content with `bytes`: they go to a temporary file in the same folder,
// which is flushed to disk and then renamed over the memo, so that a crash or a full disk
// leaves either the old memo or the new one, never half of one. Zero bytes make an empty file.
Status WriteMemoFile(std::u16string_view devicePath, std::span<const uint8_t> bytes);
// Removes a memo file; a file that is already gone counts as removed.
Status DeleteMemoFile(std::u16string_view devicePath);
// Removes the temporaries of memo writes a crash left in the data folder (none is being
// written: one calendar runs per root). Returns how many were removed.
int RemoveStaleMemoTemporaries();

// Note data in transit between the memo editor and its callers: a byte count and a
// zero-initialised block. Emptying frees the block.
class MemoBuffer {
public:
    uint32_t count() const { return count_; }
    const uint8_t* data() const { return block_.get(); }
    std::span<const uint8_t> bytes() const { return {block_.get(), count_}; }

    // Frees the block; count and block become empty.
    void Empty();
    // Empties, then allocates a zeroed block of `size` bytes with the count set to `size`;
    // returns the block for the caller to fill (nullptr for size 0).
    uint8_t* Allocate(uint32_t size);
    // Lowers the count to what was really written into the block; never above its size.
    void SetCount(uint32_t count);
    // Empties, then holds a copy of `bytes`.
    void Assign(std::span<const uint8_t> bytes);

private:
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
    std::unique_ptr<uint8_t[]> block_;
};

// The one buffer of the program; it keeps the last note until its next user empties it.
extern MemoBuffer SharedMemoBuffer;

}  // namespace moru
