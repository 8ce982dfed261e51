#include "store/category_sharing.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <system_error>

#include "platform/atomic_file.h"
#include "store/category_store.h"

namespace moru {
namespace {

constexpr uint8_t kSeparator = ';';
constexpr const char* kLockSuffix = ".lock";

std::array<OidList*, 3> Sections(CategoryLists& lists) {
    return {&lists.alarms, &lists.holidays, &lists.anniversaries};
}
std::array<const OidList*, 3> Sections(const CategoryLists& lists) {
    return {&lists.alarms, &lists.holidays, &lists.anniversaries};
}

bool ReadUint32(const std::vector<uint8_t>& bytes, size_t& at, uint32_t& value) {
    if (bytes.size() - at < 4) {
        return false;
    }
    value = static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
            static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
    at += 4;
    return true;
}

void AppendUint32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
}

OidList MergeList(const OidList& base, const OidList& mine, const OidList& disk) {
    const std::set<uint32_t> inBase(base.begin(), base.end());
    const std::set<uint32_t> inMine(mine.begin(), mine.end());
    OidList merged;
    for (uint32_t oid : disk) {
        // Removed by the calendar since base: it stays removed.
        if (!inBase.contains(oid) || inMine.contains(oid)) {
            merged.push_back(oid);
        }
    }
    std::set<uint32_t> inMerged(merged.begin(), merged.end());
    for (uint32_t oid : mine) {
        // Added by the calendar since base and not already there.
        if (!inBase.contains(oid) && inMerged.insert(oid).second) {
            merged.push_back(oid);
        }
    }
    return merged;
}

}  // namespace

std::optional<CategoryLists> DecodeCategoryLists(const std::vector<uint8_t>& bytes) {
    CategoryLists lists;
    size_t at = 0;
    for (OidList* list : Sections(lists)) {
        uint32_t count = 0;
        if (!ReadUint32(bytes, at, count)) {
            return std::nullopt;
        }
        // The count is trusted only as far as the bytes back it up.
        if (count > (bytes.size() - at) / 4) {
            return std::nullopt;
        }
        list->reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t oid = 0;
            ReadUint32(bytes, at, oid);
            list->push_back(oid);
        }
        if (at >= bytes.size() || bytes[at] != kSeparator) {
            return std::nullopt;
        }
        ++at;
    }
    return lists;
}

std::vector<uint8_t> EncodeCategoryLists(const CategoryLists& lists) {
    std::vector<uint8_t> bytes;
    for (const OidList* list : Sections(lists)) {
        AppendUint32(bytes, static_cast<uint32_t>(list->size()));
        for (uint32_t oid : *list) {
            AppendUint32(bytes, oid);
        }
        bytes.push_back(kSeparator);
    }
    return bytes;
}

CategoryLists MergeCategoryLists(const CategoryLists& base, const CategoryLists& mine,
                                 const CategoryLists& disk) {
    return CategoryLists{MergeList(base.alarms, mine.alarms, disk.alarms),
                         MergeList(base.holidays, mine.holidays, disk.holidays),
                         MergeList(base.anniversaries, mine.anniversaries, disk.anniversaries)};
}

CategoryDisk ReadCategoryDisk(const std::filesystem::path& file) {
    CategoryDisk disk;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const int error = errno;
        std::error_code ec;
        if (!std::filesystem::exists(file, ec) && !ec) {
            disk.state = CategoryDisk::State::Missing;
            return disk;
        }
        disk.state = CategoryDisk::State::Unreadable;
        disk.error = Error{error != 0 ? error : EIO,
                           file.string() + " cannot be read: " + std::strerror(error)};
        return disk;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (in.bad()) {
        disk.state = CategoryDisk::State::Unreadable;
        disk.error = Error{EIO, file.string() + " cannot be read"};
        return disk;
    }
    std::optional<CategoryLists> lists = DecodeCategoryLists(bytes);
    if (!lists) {
        disk.state = CategoryDisk::State::Damaged;
        return disk;
    }
    disk.state = CategoryDisk::State::Read;
    disk.lists = std::move(*lists);
    return disk;
}

Result<CategoryFileLock> CategoryFileLock::Acquire(const std::filesystem::path& file) {
    const std::string lockName = file.string() + kLockSuffix;
    // A link planted in the lock's place makes the open fail rather than be written through.
    const Result<int> opened = OpenNoFollow(lockName, O_RDWR | O_CREAT);
    if (!opened.ok()) {
        return opened.error();
    }
    const int fd = *opened;
    // Holders keep the lock only for one read and one write of a small file, so waiting for
    // it is short; EINTR only restarts the wait.
    int rc = 0;
    while ((rc = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        const int error = errno;
        ::close(fd);
        return Error{error, "cannot lock " + lockName + ": " + std::strerror(error)};
    }
    return CategoryFileLock(fd);
}

CategoryFileLock::CategoryFileLock(CategoryFileLock&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

CategoryFileLock::~CategoryFileLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // closing the last descriptor releases the flock
    }
}

Status UpdateCategoryFile(const std::filesystem::path& file,
                          const std::function<void(CategoryLists&)>& change) {
    if (Status folder = MakePrivateFolders(file.parent_path()); !folder.ok()) {
        return folder;
    }
    Result<CategoryFileLock> lock = CategoryFileLock::Acquire(file);
    if (!lock.ok()) {
        return lock.error();
    }
    CategoryDisk disk = ReadCategoryDisk(file);
    switch (disk.state) {
        case CategoryDisk::State::Unreadable:
            return disk.error;
        case CategoryDisk::State::Damaged:
            return Error{EILSEQ, file.string() +
                                     " is damaged; it was left as it is (start the calendar to "
                                     "repair it, then try again)"};
        case CategoryDisk::State::Missing:
        case CategoryDisk::State::Read:
            break;
    }
    change(disk.lists);
    if (!WriteCategoryFileBytes(file, EncodeCategoryLists(disk.lists))) {
        return Error{EIO, "cannot write " + file.string() + " (the reason is on stderr)"};
    }
    return {};
}

}  // namespace moru
