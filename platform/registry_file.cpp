#include "platform/registry_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

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
        fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            error_ = ErrnoError("cannot open the registry lock", lockFile);
            return;
        }
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

Status WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return MakeError(errno, std::string("write failed: ") + std::strerror(errno));
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return {};
}

// Replaces the file by a complete new one: written and flushed under a temporary name, then
// renamed over the old, so a crash or a reader at any moment finds one whole file.
Status ReplaceFile(const std::filesystem::path& file, std::string_view text) {
    std::filesystem::path temp = file;
    temp += ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return ErrnoError("cannot create", temp);
    }
    Status written = WriteAll(fd, text);
    if (written.ok() && ::fsync(fd) != 0) {
        written = ErrnoError("cannot flush", temp);
    }
    ::close(fd);
    if (written.ok() && ::rename(temp.c_str(), file.c_str()) != 0) {
        written = ErrnoError("cannot rename onto", file);
    }
    if (!written.ok()) {
        ::unlink(temp.c_str());
        return Error{written.error().code, "registry not written: " + written.error().message};
    }
    return {};
}

std::filesystem::path LockFileOf(const std::filesystem::path& file) {
    std::filesystem::path lock = file;
    lock += ".lock";
    return lock;
}

Status EnsureFolder(const std::filesystem::path& file) {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) {
        return MakeError(error.value(),
                         "cannot create " + file.parent_path().string() + ": " + error.message());
    }
    return {};
}

}  // namespace

// Reads the document under the lock, lets `change` edit it, and writes it back when it says
// it changed something. `change` returns false for "nothing to write" and may fail.
Status Modify(const std::filesystem::path& file,
              const std::function<Result<bool>(Document&)>& change) {
    if (Status folder = EnsureFolder(file); !folder.ok()) {
        return folder;
    }
    FileLock lock(LockFileOf(file));
    if (lock.error()) {
        return *lock.error();
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
    return ReplaceFile(file, Serialize(doc));
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
