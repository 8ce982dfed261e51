#include "platform/registry_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "platform/atomic_file.h"

namespace moru::registry_detail {
namespace {

Error MakeError(int code, std::string message) {
    return Error{code == 0 ? EIO : code, std::move(message)};
}

Error ErrnoError(const std::string& what, const std::filesystem::path& file) {
    const int code = errno;
    return MakeError(code, what + " " + file.string() + ": " + std::strerror(code));
}

class FileLock {
public:
    explicit FileLock(const std::filesystem::path& lockFile) {
        Result<int> fd = OpenNoFollow(lockFile, O_RDWR | O_CREAT);
        if (!fd.ok()) {
            error_ = Error{fd.error().code, "registry lock: " + fd.error().message};
            return;
        }
        fd_ = *fd;
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                error_ = ErrnoError("cannot lock", lockFile);
                return;
            }
        }
    }
    ~FileLock() {
        if (fd_ >= 0) {
            ::close(fd_);  // closing releases the lock
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    const std::optional<Error>& error() const { return error_; }

private:
    int fd_ = -1;
    std::optional<Error> error_;
};

// The whole file; an empty text when there is none yet.
Result<std::string> ReadWholeFile(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return std::string();
        }
        return ErrnoError("cannot open", file);
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            Error error = ErrnoError("cannot read", file);
            ::close(fd);
            return error;
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

std::filesystem::path LockFileOf(const std::filesystem::path& file) {
    std::filesystem::path lock = file;
    lock += ".lock";
    return lock;
}

// Names of the temporaries that earlier versions of the programs wrote, one fixed name.
bool IsLegacyTemporary(std::string_view name) {
    return name == "registry.txt.tmp";
}

}  // namespace

// Reads the document under the lock, lets `change` edit it, and writes it back when it says
// it changed something. `change` returns false for "nothing to write" and may fail.
Status Modify(const std::filesystem::path& file,
              const std::function<Result<bool>(Document&)>& change) {
    if (Status folder = MakePrivateFolders(file.parent_path()); !folder.ok()) {
        return folder;
    }
    FileLock lock(LockFileOf(file));
    if (lock.error()) {
        return *lock.error();
    }
    // Every writer holds this lock, so whatever temporary is there now was left by a writer
    // that died; the first change of each process clears them.
    static bool cleared = false;
    if (!cleared) {
        cleared = true;
        RemoveStaleTemporaries(file, IsLegacyTemporary);
    }
    Result<std::string> text = ReadWholeFile(file);
    if (!text.ok()) {
        return text.error();
    }
    Document doc = Parse(*text);
    Result<bool> changed = change(doc);
    if (!changed.ok()) {
        return changed.error();
    }
    if (!*changed) {
        return {};
    }
    if (Status written = ReplaceFileAtomically(file, Serialize(doc)); !written.ok()) {
        return Error{written.error().code, "registry not written: " + written.error().message};
    }
    return {};
}

// A reader needs no lock: the file is only ever replaced whole.
Result<Document> Load(const std::filesystem::path& file) {
    Result<std::string> text = ReadWholeFile(file);
    if (!text.ok()) {
        return text.error();
    }
    return Parse(*text);
}

}  // namespace moru::registry_detail
