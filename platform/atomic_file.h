#pragma once
// Writing files inside a device root. A root may arrive from an archive or a backup, so any
// name in it may already be a symbolic link planted to point elsewhere; and it holds private
// data (appointments, memos, reminders), so what the programs make in it is for the user only.
// The guarantees, the same for every file the programs write:
// - The last component of a path is never followed when it is a link: a link where a file is
//   to be opened makes the open fail (ELOOP), and a replace puts a regular file in the link's
//   place, never writes through it.
// - A replace writes a temporary file made exclusively, with an unpredictable name, in the
//   target's own folder ("<name>.tmp-XXXXXX"); flushes it; renames it over the target; flushes
//   the folder. A reader at any moment, and the file after a crash at any moment, is the old
//   file or the new one, whole. Only a folder flush that fails after the rename is not a
//   failure of the write (the new file is in place for every reader); it is said on stderr.
// - New folders are 0700 and new files 0600 whatever the umask; a replaced file keeps the
//   mode it had.
// - A temporary is locked by its writer for as long as it exists, so the temporaries a crash
//   left behind can be told from one being written and removed by the next program to start.
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/result.h"

namespace moru {

inline constexpr mode_t kPrivateFolderMode = 0700;
inline constexpr mode_t kPrivateFileMode = 0600;

// Makes the folder and every missing level above it, each new level 0700. An existing folder
// (or a link to one the user made) keeps its mode; a file in the way is an error.
Status MakePrivateFolders(const std::filesystem::path& folder);

// Opens `file` without following a link in its last component, creating it 0600 (whatever
// the umask) when `flags` hold O_CREAT and it is missing. Returns the descriptor (close-on-exec)
// or the reason, which for a planted link is ELOOP.
Result<int> OpenNoFollow(const std::filesystem::path& file, int flags);

// Replaces `file` by a complete new one with these bytes, as described above. A new file gets
// `newFileMode`.
Status ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                             mode_t newFileMode = kPrivateFileMode);

// An exclusive, empty temporary file beside `target` ("<name>.tmp-XXXXXX", with `mode`),
// for a writer that builds a file by other means (SQLite builds a new store in one). It is
// locked while this object lives, and removed with it unless disowned.
class TemporaryFile {
public:
    static Result<TemporaryFile> Create(const std::filesystem::path& target, mode_t mode);
    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    ~TemporaryFile();
    const std::filesystem::path& path() const { return path_; }
    int fd() const { return fd_; }
    // The temporary has been renamed or linked into place: nothing is left to remove.
    void Disown() { path_.clear(); }

private:
    TemporaryFile(std::filesystem::path path, int fd) : path_(std::move(path)), fd_(fd) {}
    std::filesystem::path path_;
    int fd_ = -1;
};

enum class Placed { Written, AlreadyThere };

// Gives `file` these bytes only when nothing of that name exists (not even a dangling link):
// the same temporary, flushed, is then linked under the name, which fails rather than replace
// a file made meanwhile. `mode` is exact, whatever the umask.
Result<Placed> PlaceNewFile(const std::filesystem::path& file, std::string_view bytes, mode_t mode);

// Removes the temporaries that replaces of `file` left behind when their writer died: every
// "<name>.tmp-XXXXXX" beside it that no living writer holds, plus the files beside it whose
// names `alsoStale` accepts (names of older programs), under the same rule. Returns how many
// were removed.
int RemoveStaleTemporaries(const std::filesystem::path& file,
                           const std::function<bool(std::string_view name)>& alsoStale = {});

// Flushes a folder's entries (a rename or a new name in it) to the disk.
Status FlushFolder(const std::filesystem::path& folder);

}  // namespace moru
