#include "store/category_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/device_root.h"
#include "platform/text.h"
#include "platform/ui_host.h"
#include "store/calendar_state.h"
#include "store/category_sharing.h"

// "MoruCalendar.dat" holds the three identifier lists as three sections in the fixed order
// alarms, holidays, anniversaries. Each section is a little-endian unsigned 32-bit count n,
// n little-endian unsigned 32-bit identifiers, and the separator byte ';'. There is no header
// and nothing follows the third separator (anything that does is ignored and disappears at
// the next save). Three empty lists make a 15-byte file.

namespace moru {

const std::u16string dataFileName = u"MoruCalendar.dat";

namespace {

// Where the file and the memos go when the usual folder cannot be made. It keeps its
// trailing backslash; the doubled separator of the joined path collapses on translation.
constexpr std::u16string_view kFallbackDataFolder = u"\\My Documents\\";
constexpr uint8_t kSeparator = ';';
constexpr std::string_view kDamagedSuffix = ".damaged";
constexpr std::string_view kUnreadableSuffix = ".unreadable";

constexpr std::u16string_view kCorruptedMessage = u"MoruCalendar.dat corrputed";
constexpr std::u16string_view kCannotOpenMessage = u"Cannot open MoruCalendar.dat";

std::array<OidList*, 3> Sections() {
    CalendarState& state = Calendar();
    return {&state.AlarmOids, &state.HolidayOids, &state.AnniversaryOids};
}

std::filesystem::path CategoryFilePath() {
    return TranslateDevicePath(Calendar().dataFolder + u"\\" + dataFileName);
}

void ShowMessage(std::u16string_view text) {
    CurrentUiHost().MessageBox(text, u"", kMbOk);
}

void ReportSystemError(const char* what, const std::filesystem::path& path, int error) {
    std::fprintf(stderr, "moru: %s %s: %s\n", what, path.c_str(), std::strerror(error));
}

// "\My Documents" is always there on a handheld, but a fresh device root starts empty, so
// every missing level of the data folder is made, not only the last one.
void PrepareDataFolder() {
    const std::filesystem::path folder = TranslateDevicePath(Calendar().dataFolder);
    if (!MakePrivateFolders(folder).ok()) {
        std::fprintf(stderr, "moru: cannot make the data folder %s; using %s instead\n",
                     folder.c_str(), TranslateDevicePath(kFallbackDataFolder).c_str());
        Calendar().dataFolder = std::u16string(kFallbackDataFolder);
    }
}

// Reads exactly size bytes, or reports that the file ended (or failed) before them.
bool ReadExactly(std::FILE* file, uint8_t* bytes, size_t size) {
    return std::fread(bytes, 1, size, file) == size;
}

bool ReadUint32(std::FILE* file, uint32_t& value) {
    uint8_t bytes[4];
    if (!ReadExactly(file, bytes, sizeof bytes)) {
        return false;
    }
    value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
            static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return true;
}

// Fills one list from its section. The count is trusted only as far as the file backs it up:
// identifiers are appended one by one as they are read, so a damaged count can never make the
// list larger than the file.
bool ReadSection(std::FILE* file, OidList& list) {
    list.clear();
    uint32_t count = 0;
    if (!ReadUint32(file, count)) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t oid = 0;
        if (!ReadUint32(file, oid)) {
            return false;
        }
        list.push_back(oid);
    }
    uint8_t separator = 0;
    return ReadExactly(file, &separator, 1) && separator == kSeparator;
}

// The lists as this program last read them from the file or wrote them to it, what another
// program's changes to the file are measured against: CalendarState::categoryFileBase.
CategoryLists& FileBase() {
    return Calendar().categoryFileBase;
}

CategoryLists CurrentLists() {
    const CalendarState& state = Calendar();
    return CategoryLists{state.AlarmOids, state.HolidayOids, state.AnniversaryOids};
}

void SetCurrentLists(CategoryLists lists) {
    CalendarState& state = Calendar();
    state.AlarmOids = std::move(lists.alarms);
    state.HolidayOids = std::move(lists.holidays);
    state.AnniversaryOids = std::move(lists.anniversaries);
}

std::string_view AsText(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The temporaries of earlier versions: "MoruCalendar.dat.XXXXXX".
bool IsLegacyTemporary(std::string_view name) {
    constexpr size_t kRandomPart = 6;
    return name.size() == dataFileName.size() + 1 + kRandomPart &&
           name.starts_with(ToUtf8(dataFileName) + ".");
}

// A damaged file is about to be replaced by whatever could be read from it at the next save.
// A copy beside it lets the rest of the user's classification be recovered by hand.
void KeepDamagedCopy(const std::filesystem::path& path) {
    std::filesystem::path copy = path;
    copy += kDamagedSuffix;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Status kept = in.bad() ? Status(Error{EIO, "cannot read " + path.string()})
                           : ReplaceFileAtomically(copy, bytes);
    if (!kept.ok()) {
        std::fprintf(stderr, "moru: cannot keep a copy of the damaged %s: %s\n", path.c_str(),
                     kept.error().message.c_str());
    }
}

// The file is there but could not be opened (no permission, no descriptor left). Starting
// afresh would write empty lists over the user's classification at the next save, so the
// file is first moved aside, which needs no access to its content.
void MoveUnreadableAside(const std::filesystem::path& path, int openError) {
    std::filesystem::path aside = path;
    aside += kUnreadableSuffix;
    std::fprintf(stderr, "moru: cannot read %s (%s); moving it to %s\n", path.c_str(),
                 std::strerror(openError), aside.c_str());
    if (::rename(path.c_str(), aside.c_str()) != 0) {
        ReportSystemError("cannot move aside", path, errno);
    }
}

}  // namespace

bool LoadCategoryStore() {
    PrepareDataFolder();
    const std::filesystem::path path = CategoryFilePath();
    // One calendar runs per root, so no temporary of this file is being written now.
    RemoveStaleTemporaries(path, IsLegacyTemporary);

    std::FILE* file = std::fopen(path.c_str(), "rbe");
    if (file == nullptr) {
        if (const int openError = errno; openError != ENOENT) {
            MoveUnreadableAside(path, openError);
        }
        for (OidList* list : Sections()) {
            list->clear();
        }
        if (!SaveCategoryStore()) {
            return false;
        }
        file = std::fopen(path.c_str(), "rbe");
        if (file == nullptr) {
            ReportSystemError("cannot read", path, errno);
            return false;
        }
    }

    for (OidList* list : Sections()) {
        if (!ReadSection(file, *list)) {
            std::fclose(file);
            std::fprintf(stderr, "moru: %s is damaged; the lists keep what could be read\n",
                         path.c_str());
            KeepDamagedCopy(path);
            FileBase() = CurrentLists();
            ShowMessage(kCorruptedMessage);
            return false;
        }
    }
    std::fclose(file);
    FileBase() = CurrentLists();
    return true;
}

bool SaveCategoryStore() {
    const std::filesystem::path path = CategoryFilePath();
    // Without the lock the save still replaces the file atomically; it only loses the
    // guarantee against a change made at the same moment, so it goes on.
    Result<CategoryFileLock> lock = CategoryFileLock::Acquire(path);
    if (!lock.ok()) {
        std::fprintf(stderr, "moru: %s\n", lock.error().message.c_str());
    }
    // A missing or damaged file holds nothing to keep: this program's lists replace it.
    const CategoryDisk disk = ReadCategoryDisk(path);
    const bool changedElsewhere =
        disk.state == CategoryDisk::State::Read && disk.lists != FileBase();
    if (changedElsewhere) {
        SetCurrentLists(MergeCategoryLists(FileBase(), CurrentLists(), disk.lists));
    }
    const CategoryLists lists = CurrentLists();
    const Status saved = ReplaceFileAtomically(path, AsText(EncodeCategoryLists(lists)));
    if (!saved.ok()) {
        std::fprintf(stderr, "moru: %s\n", saved.error().message.c_str());
        if (changedElsewhere) {
            FileBase() = disk.lists;
        }
        ShowMessage(kCannotOpenMessage);
        return false;
    }
    FileBase() = lists;
    return true;
}

bool RefreshCategoryStore() {
    const CategoryDisk disk = ReadCategoryDisk(CategoryFilePath());
    if (disk.state != CategoryDisk::State::Read || disk.lists == FileBase()) {
        return false;
    }
    const CategoryLists before = CurrentLists();
    SetCurrentLists(MergeCategoryLists(FileBase(), before, disk.lists));
    FileBase() = disk.lists;
    return CurrentLists() != before;
}

std::filesystem::path CategoryFile() {
    return CategoryFilePath();
}

bool WriteCategoryFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    const Status written = ReplaceFileAtomically(path, AsText(bytes));
    if (!written.ok()) {
        std::fprintf(stderr, "moru: %s\n", written.error().message.c_str());
    }
    return written.ok();
}

}  // namespace moru
