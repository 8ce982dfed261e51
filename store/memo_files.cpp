#include "store/memo_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/device_root.h"
#include "platform/text.h"
#include "store/category_store.h"

namespace moru {

MemoBuffer SharedMemoBuffer;

namespace {

constexpr std::string_view kMemoExtension = ".pwi";

// The extension is compared without regard to case, as the device's file search does.
bool HasMemoExtension(std::string_view name) {
    if (name.size() < kMemoExtension.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - kMemoExtension.size());
    return std::equal(tail.begin(), tail.end(), kMemoExtension.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
    });
}

std::filesystem::path DataFolderPath() {
    return TranslateDevicePath(Calendar().dataFolder);
}

}  // namespace

std::string MemoDayPrefix(int year, int month, int day) {
    char text[32];
    std::snprintf(text, sizeof text, "%d%02d%02d", year, month, day);
    return text;
}

bool IsMemoFileName(std::string_view name) {
    return HasMemoExtension(name);
}

bool MemoOfDay(std::string_view name, std::string_view prefix) {
    return name.size() >= prefix.size() + kMemoExtension.size() && name.starts_with(prefix) &&
           HasMemoExtension(name);
}

void ForEachMemoFileName(const std::function<bool(std::string_view)>& visit) {
    DIR* dir = opendir(DataFolderPath().c_str());
    if (dir == nullptr) {
        return;  // no data folder yet: no memos
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!HasMemoExtension(name)) {
            continue;
        }
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            isDirectory =
                fstatat(dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        if (!isDirectory && !visit(name)) {
            break;
        }
    }
    closedir(dir);
}

namespace {

std::string MemoBaseName(const SystemTime& date, const SystemTime& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%d%02d%02d_%02d%02d%02d", date.year, date.month, date.day,
                  time.hour, time.minute, time.second);
    return text;
}

// Only a name seen to be in use is taken. When the folder cannot be examined (no permission,
// a link that loops) every name would look taken and the search would never end; the first
// name is then as good as any, and writing it reports the fault.
bool PathTaken(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace

std::u16string MemoPath(std::u16string_view name) {
    std::u16string path = Calendar().dataFolder;
    path += u'\\';
    path += name;
    return path;
}

std::u16string MemoFileName(const SystemTime& date, const SystemTime& time) {
    const std::string base = MemoBaseName(date, time);
    std::u16string path = MemoPath(FromUtf8(base + std::string(kMemoExtension)));
    for (int suffix = 2; PathTaken(TranslateDevicePath(path)); ++suffix) {
        path =
            MemoPath(FromUtf8(base + "_" + std::to_string(suffix) + std::string(kMemoExtension)));
    }
    return path;
}

std::vector<std::u16string> FindDayMemos(int year, int month, int day) {
    const std::string prefix = MemoDayPrefix(year, month, day);
    std::vector<std::u16string> names;
    ForEachMemoFileName([&](std::string_view name) {
        if (MemoOfDay(name, prefix)) {
            names.push_back(FromUtf8(name));
        }
        return true;
    });
    return names;
}

bool HasMemo(int year, int month, int day) {
    const std::string prefix = MemoDayPrefix(year, month, day);
    bool found = false;
    ForEachMemoFileName([&](std::string_view name) {
        found = MemoOfDay(name, prefix);
        return !found;
    });
    return found;
}

MemoListing MemoListing::Read() {
    MemoListing listing;
    ForEachMemoFileName([&listing](std::string_view name) {
        listing.names_.emplace_back(name);
        return true;
    });
    std::sort(listing.names_.begin(), listing.names_.end());
    return listing;
}

bool MemoListing::HasMemo(int year, int month, int day) const {
    const std::string prefix = MemoDayPrefix(year, month, day);
    // Names that begin with the prefix sort together, right from its lower bound.
    for (auto it = std::lower_bound(names_.begin(), names_.end(), prefix);
         it != names_.end() && it->starts_with(prefix); ++it) {
        if (MemoOfDay(*it, prefix)) {
            return true;
        }
    }
    return false;
}

namespace {

Error FileError(const std::string& what, const std::filesystem::path& path, int code) {
    return Error{code != 0 ? code : EIO, what + " " + path.string() + ": " + std::strerror(code)};
}

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

}  // namespace

Result<std::vector<uint8_t>> ReadMemoFile(std::u16string_view devicePath) {
    const std::filesystem::path path = TranslateDevicePath(devicePath);
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return FileError("cannot open memo", path, errno);
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return FileError("cannot read memo", path, errno);
        }
        if (got == 0) {
            return bytes;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

Status WriteMemoFile(std::u16string_view devicePath, std::span<const uint8_t> bytes) {
    const std::filesystem::path path = TranslateDevicePath(devicePath);
    if (Status folder = MakePrivateFolders(path.parent_path()); !folder.ok()) {
        return folder;
    }
    // The temporary's name ("<memo>.pwi.tmp-XXXXXX") does not end in ".pwi", so no listing
    // ever takes it for a memo.
    return ReplaceFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

int RemoveStaleMemoTemporaries() {
    const std::filesystem::path folder = DataFolderPath();
    // Any memo's name serves: the helper looks at every temporary of a ".pwi" file beside it,
    // and at the ".<memo>.pwi.XXXXXX" temporaries of earlier versions.
    return RemoveStaleTemporaries(folder / "memo.pwi", [](std::string_view name) {
        constexpr std::string_view kInfix = ".pwi.tmp-";
        constexpr size_t kRandomPart = 6;
        const size_t at = name.rfind(kInfix);
        if (at != std::string_view::npos && name.size() == at + kInfix.size() + kRandomPart) {
            return true;
        }
        const size_t legacy = name.rfind(".pwi.");
        return name.starts_with('.') && legacy != std::string_view::npos &&
               name.size() == legacy + 5 + kRandomPart;
    });
}

Status DeleteMemoFile(std::u16string_view devicePath) {
    const std::filesystem::path path = TranslateDevicePath(devicePath);
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        return FileError("cannot delete memo", path, errno);
    }
    return {};
}

void MemoBuffer::Empty() {
    block_.reset();
    count_ = 0;
    capacity_ = 0;
}

uint8_t* MemoBuffer::Allocate(uint32_t size) {
    Empty();
    if (size == 0) {
        return nullptr;
    }
    block_ = std::make_unique<uint8_t[]>(size);  // value-initialised: zeroed
    count_ = size;
    capacity_ = size;
    return block_.get();
}

void MemoBuffer::SetCount(uint32_t count) {
    count_ = std::min(count, capacity_);
}

void MemoBuffer::Assign(std::span<const uint8_t> bytes) {
    if (uint8_t* block = Allocate(static_cast<uint32_t>(bytes.size()))) {
        std::memcpy(block, bytes.data(), bytes.size());
    }
}

}  // namespace moru
