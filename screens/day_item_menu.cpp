#include "screens/day_item_menu.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "editors/appointment_editor.h"
#include "editors/memo_editor.h"
#include "resources/menus.h"
#include "screens/appointment_detail.h"
#include "screens/day_list.h"
#include "screens/month_calendar_screen.h"
#include "screens/popup_placement.h"
#include "store/memo_files.h"
#include "store/store_connection.h"
#include "store/word_tables.h"

namespace moru {
namespace {

constexpr size_t kDayMenuPosition = 1;  // menu 131's second sub-menu
constexpr size_t kMemoEntryPosition = 5;
constexpr int kMemoBase = kDayItemBase[Memo];

constexpr std::u16string_view kDeleteQuestion = u"Are you sure to delete?";
constexpr std::u16string_view kDeleteCaption = u"Delete";
constexpr std::u16string_view kSaveFailed = u"The memo could not be saved.";

// "%s %d": the kind's label, a blank, the count.
std::u16string Caption(ItemKind kind, size_t count) {
    const std::string digits = std::to_string(count);
    return std::u16string(MenuGroupLabels[kind]) + u" " +
           std::u16string(digits.begin(), digits.end());
}

ItemKind KindForMenu(uint32_t oid) {
    if (IsAlarm(oid)) {
        return Alarm;
    }
    if (IsHoliday(oid)) {
        return Holiday;
    }
    return IsAnniversary(oid) ? Anniversary : Appointment;
}

// Turns the template entry at `position` into a sub-menu captioned with the count, gray when
// there is nothing in it.
std::shared_ptr<PopupMenu> MakeGroup(PopupMenu& menu, size_t position, ItemKind kind,
                                     size_t count) {
    auto group = std::make_shared<PopupMenu>();
    menu.ModifyToSubmenuAt(position, Caption(kind, count), group);
    menu.SetGrayAt(position, count == 0);
    return group;
}

void RunItem(MonthCalendarScreen& screen, ItemKind kind, const AppointmentRecord& record) {
    AppointmentDetail detail(&screen);
    detail.record = record;
    const int result = CurrentUiHost().RunModal(detail);
    if (result == AppointmentDetail::kModifyResult) {
        AppointmentEditor editor(EditorModeFor(kind, /*changing=*/true), &screen);
        editor.record = record;
        editor.fromMonthScreen = 1;
        CurrentUiHost().RunModal(editor);
        screen.PostDataChanged();  // whatever the editor's result
    } else if (result == AppointmentDetail::kDeleteResult) {
        if (CurrentUiHost().MessageBox(kDeleteQuestion, kDeleteCaption, kMbYesNo) == kIdYes) {
            // The identifier stays in its kind list; lists drop identifiers that no longer
            // resolve when they reload.
            DeleteAppointment(record.oid);
            screen.PostDataChanged();
        }
    }
}

void RunMemo(MonthCalendarScreen& screen, const std::u16string& name) {
    SharedMemoBuffer.Empty();
    const std::u16string path = MemoPath(name);
    MemoEditor editor(&screen);
    editor.memoPath = path;
    Result<std::vector<uint8_t>> bytes = ReadMemoFile(path);
    if (bytes) {
        SharedMemoBuffer.Assign(*bytes);
    } else {
        std::fprintf(stderr, "%s; the memo opens empty and the file is left as it is\n",
                     bytes.error().message.c_str());
        // A file that vanished meanwhile has nothing left to protect.
        editor.memoUnreadable = bytes.error().code != ENOENT;
    }
    const int result = CurrentUiHost().RunModal(editor);
    if (result == kIdOk && SharedMemoBuffer.count() != 0) {
        const Status written = WriteMemoFile(path, SharedMemoBuffer.bytes());
        if (!written) {
            std::fprintf(stderr, "%s\n", written.error().message.c_str());
        }
    }
    // Saved, emptied or deleted: the day's marker follows the folder now.
    screen.MemosChanged();
}

void AddMemo(MonthCalendarScreen& screen) {
    SharedMemoBuffer.Empty();
    MemoEditor editor(&screen);
    if (CurrentUiHost().RunModal(editor) != kIdOk || SharedMemoBuffer.count() == 0) {
        return;
    }
    const DisplayedDate day = screen.selected();
    const std::u16string path =
        MemoFileName(MakeSystemTime(day.year, day.month, day.day), GetLocalTime());
    const Status written = WriteMemoFile(path, SharedMemoBuffer.bytes());
    if (!written) {
        std::fprintf(stderr, "%s\n", written.error().message.c_str());
        CurrentUiHost().MessageBox(kSaveFailed, u"", kMbOk | kMbIconExclamation);
        return;
    }
    screen.needsFullRedraw = true;
    screen.needsRequery = true;
    screen.MemosChanged();
}

}  // namespace

DayItemMenu BuildDayItemMenu(const AppointmentArray& items, std::vector<std::u16string> memoNames) {
    DayItemMenu built;
    built.menu = LoadSubMenu(kItemMenus, kDayMenuPosition);
    for (size_t i = 0; i < items.size(); ++i) {
        built.indexes[KindForMenu(items[i].oid)].push_back(static_cast<uint32_t>(i));
    }
    for (int kind = Alarm; kind <= Appointment; ++kind) {
        const std::vector<uint32_t>& indexes = built.indexes[static_cast<size_t>(kind)];
        // The template entries stand at positions 0..3 in kind order.
        auto group = MakeGroup(built.menu, static_cast<size_t>(kind), static_cast<ItemKind>(kind),
                               indexes.size());
        const size_t shown = std::min<size_t>(indexes.size(), kDayItemsPerKind);
        group->items.reserve(shown);
        for (size_t j = 0; j < shown; ++j) {
            group->Append(kDayItemBase[static_cast<size_t>(kind)] + static_cast<int>(j),
                          items[indexes[j]].subject);
        }
    }
    built.memoNames = std::move(memoNames);
    auto memos = MakeGroup(built.menu, kMemoEntryPosition, Memo, built.memoNames.size());
    const size_t shown = std::min<size_t>(built.memoNames.size(), kDayItemsPerKind);
    for (size_t j = 0; j < shown; ++j) {
        memos->Append(kMemoBase + static_cast<int>(j), built.memoNames[j]);
    }
    return built;
}

void RunDayItemCommand(MonthCalendarScreen& screen, const DayItemMenu& menu, int commandId) {
    if (commandId == command::kAddMemo) {
        AddMemo(screen);
        return;
    }
    if (commandId >= kMemoBase && commandId < kMemoBase + kDayItemsPerKind) {
        const size_t j = static_cast<size_t>(commandId - kMemoBase);
        if (j < menu.memoNames.size()) {
            RunMemo(screen, menu.memoNames[j]);
        }
        return;
    }
    for (int kind = Alarm; kind <= Appointment; ++kind) {
        const int base = kDayItemBase[static_cast<size_t>(kind)];
        if (commandId < base || commandId >= base + kDayItemsPerKind) {
            continue;
        }
        const std::vector<uint32_t>& indexes = menu.indexes[static_cast<size_t>(kind)];
        const size_t j = static_cast<size_t>(commandId - base);
        const AppointmentArray& items = screen.dayList().items;
        if (j < indexes.size() && indexes[j] < items.size()) {
            RunItem(screen, static_cast<ItemKind>(kind), items[indexes[j]]);
        }
        return;
    }
}

void ShowDayItemMenu(MonthCalendarScreen& screen) {
    const DisplayedDate day = screen.selected();
    const DayItemMenu menu =
        BuildDayItemMenu(screen.dayList().items, FindDayMemos(day.year, day.month, day.day));
    const PopupPlacement at =
        ItemPopupPlacement(screen.lastTap().x(), screen.lastTap().y(), kDayMenuDeviceOffset);
    const int chosen = CurrentUiHost().TrackPopupMenu(menu.menu, at.align, at.x, at.y);
    if (chosen != 0) {
        RunDayItemCommand(screen, menu, chosen);
    }
}

}  // namespace moru
