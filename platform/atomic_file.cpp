#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace moru {
namespace {

constexpr std::string_view kTemporaryInfix = ".tmp-";
constexpr size_t kRandomPartLength = 6;  // mkostemp's XXXXXX

Error ErrnoError(int code, const std::string& what, const std::filesystem::path& file) {
    return Error{code == 0 ? EIO : code, what + " " + file.string() + ": " + std::strerror(code)};
}

// Closes a descriptor when the scope ends.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

Status WriteAll(int fd, std::string_view bytes, const std::filesystem::path& file) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return ErrnoError(n < 0 ? errno : ENOSPC, "cannot write", file);
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return {};
}

// The bytes, flushed, into a fresh temporary beside `file`. On failure the temporary is gone.
Result<TemporaryFile> WriteTemporary(const std::filesystem::path& file, std::string_view bytes,
                                     mode_t mode) {
    Result<TemporaryFile> temporary = TemporaryFile::Create(file, mode);
    if (!temporary.ok()) {
        return temporary;
    }
    if (Status written = WriteAll(temporary->fd(), bytes, temporary->path()); !written.ok()) {
        return written.error();
    }
    // fsync reports what a failed write-back would have lost, which close would not.
    if (::fsync(temporary->fd()) != 0) {
        return ErrnoError(errno, "cannot flush", temporary->path());
    }
    return temporary;
}

bool IsOurTemporaryName(std::string_view name, std::string_view target) {
    return name.size() == target.size() + kTemporaryInfix.size() + kRandomPartLength &&
           name.starts_with(target) && name.substr(target.size()).starts_with(kTemporaryInfix);
}

}  // namespace

Result<TemporaryFile> TemporaryFile::Create(const std::filesystem::path& target, mode_t mode) {
    std::string name = target.string();
    name += kTemporaryInfix;
    name.append(kRandomPartLength, 'X');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return ErrnoError(errno, "cannot create a temporary file beside", target);
    }
    TemporaryFile temporary(std::move(name), fd);
    // The lock tells a cleaner at start that this temporary has a living writer.
    ::flock(fd, LOCK_EX | LOCK_NB);
    if (::fchmod(fd, mode) != 0) {
        return ErrnoError(errno, "cannot set the mode of", temporary.path());
    }
    return temporary;
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_) {
    other.path_.clear();
    other.fd_ = -1;
}

TemporaryFile::~TemporaryFile() {
    if (!path_.empty()) {
        ::unlink(path_.c_str());
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

Status MakePrivateFolders(const std::filesystem::path& folder) {
    std::filesystem::path level;
    for (const std::filesystem::path& part : folder) {
        level /= part;
        if (::mkdir(level.c_str(), kPrivateFolderMode) == 0) {
            // The umask may have taken bits away; the mode is exact, whatever it was.
            if (::chmod(level.c_str(), kPrivateFolderMode) != 0) {
                return ErrnoError(errno, "cannot set the mode of", level);
            }
            continue;
        }
        const int code = errno;
        struct stat info {};
        if (::stat(level.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            continue;
        }
        return ErrnoError(code == EEXIST ? ENOTDIR : code, "cannot create the folder", level);
    }
    return {};
}

Result<int> OpenNoFollow(const std::filesystem::path& file, int flags) {
    flags |= O_NOFOLLOW | O_CLOEXEC;
    if ((flags & O_CREAT) == 0) {
        const int fd = ::open(file.c_str(), flags);
        if (fd < 0) {
            return ErrnoError(errno, "cannot open", file);
        }
        return fd;
    }
    // Created here: the mode is set exactly. Found: it stays as its owner left it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = ::open(file.c_str(), flags | O_EXCL, kPrivateFileMode);
        if (fd >= 0) {
            if (::fchmod(fd, kPrivateFileMode) != 0) {
                Error error = ErrnoError(errno, "cannot set the mode of", file);
                ::close(fd);
                return error;
            }
            return fd;
        }
        if (errno != EEXIST) {
            return ErrnoError(errno, "cannot create", file);
        }
        fd = ::open(file.c_str(), flags & ~(O_CREAT | O_EXCL | O_TRUNC));
        if (fd >= 0) {
            if ((flags & O_TRUNC) != 0 && ::ftruncate(fd, 0) != 0) {
                Error error = ErrnoError(errno, "cannot truncate", file);
                ::close(fd);
                return error;
            }
            return fd;
        }
        if (errno != ENOENT) {
            return ErrnoError(errno, "cannot open", file);
        }
        // Removed between the two opens: try once more to create it.
    }
    return ErrnoError(ENOENT, "cannot open", file);
}

Status FlushFolder(const std::filesystem::path& folder) {
    Descriptor dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0 || ::fsync(dir.fd) != 0) {
        return ErrnoError(errno, "cannot flush the folder", folder);
    }
    return {};
}

namespace {

// The new name is in the folder; the file is only durable once the folder is. A failure here
// cannot be undone and the file is whole and in place for every reader, so it is said on
// stderr rather than reported as a failed write.
void FlushFolderOrSay(const std::filesystem::path& folder) {
    if (Status flushed = FlushFolder(folder); !flushed.ok()) {
        std::fprintf(stderr, "%s\n", flushed.error().message.c_str());
    }
}

}  // namespace

Status ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                             mode_t newFileMode) {
    // A regular file keeps its mode; a link in its place is replaced, not followed.
    struct stat old {};
    const mode_t mode = ::lstat(file.c_str(), &old) == 0 && S_ISREG(old.st_mode)
                            ? (old.st_mode & 07777)
                            : newFileMode;
    Result<TemporaryFile> temporary = WriteTemporary(file, bytes, mode);
    if (!temporary.ok()) {
        return temporary.error();
    }
    if (::rename(temporary->path().c_str(), file.c_str()) != 0) {
        return ErrnoError(errno, "cannot rename a temporary file onto", file);
    }
    temporary->Disown();
    FlushFolderOrSay(file.parent_path());
    return {};
}

Result<Placed> PlaceNewFile(const std::filesystem::path& file, std::string_view bytes,
                            mode_t mode) {
    struct stat existing {};
    if (::lstat(file.c_str(), &existing) == 0) {
        return Placed::AlreadyThere;
    }
    Result<TemporaryFile> temporary = WriteTemporary(file, bytes, mode);
    if (!temporary.ok()) {
        return temporary.error();
    }
    Result<Placed> result = Placed::Written;
    if (::link(temporary->path().c_str(), file.c_str()) != 0) {
        if (errno == EEXIST) {
            result = Placed::AlreadyThere;
        } else if (::renameat2(AT_FDCWD, temporary->path().c_str(), AT_FDCWD, file.c_str(),
                               RENAME_NOREPLACE) != 0) {
            // A file system without hard links, and the rename refused too.
            result = errno == EEXIST ? Result<Placed>(Placed::AlreadyThere)
                                     : Result<Placed>(ErrnoError(errno, "cannot create", file));
        }
    }
    if (result.ok() && *result == Placed::Written) {
        FlushFolderOrSay(file.parent_path());
    }
    return result;
}

int RemoveStaleTemporaries(const std::filesystem::path& file,
                           const std::function<bool(std::string_view name)>& alsoStale) {
    const std::filesystem::path folder = file.parent_path();
    const std::string target = file.filename().string();
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!IsOurTemporaryName(name, target) && (!alsoStale || !alsoStale(name))) {
            continue;
        }
        const std::filesystem::path path = folder / std::string(name);
        Descriptor candidate{::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
        struct stat info {};
        if (candidate.fd < 0 || ::fstat(candidate.fd, &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid()) {
            continue;  // not a file of ours: someone else's business
        }
        if (::flock(candidate.fd, LOCK_EX | LOCK_NB) != 0) {
            continue;  // its writer is alive
        }
        if (::unlink(path.c_str()) == 0) {
            ++removed;
        } else {
            std::fprintf(stderr, "cannot remove the stale temporary file %s: %s\n", path.c_str(),
                         std::strerror(errno));
        }
    }
    ::closedir(dir);
    return removed;
}

}  // namespace moru
