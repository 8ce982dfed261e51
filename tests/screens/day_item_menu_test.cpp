// The day item menu from real taps on the month calendar, against the real store and memo
// folder of a temporary device root: what the menu shows, where it opens, and what its item,
// memo and "Add memo..." commands do through the detail dialog, the editor and the memo editor.
#include "screens/day_item_menu.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "editors/appointment_editor.h"
#include "editors/memo_editor.h"
#include "platform/device_root.h"
#include "platform/qt/ink_note.h"
#include "platform/scripted_ui_host.h"
#include "resources/menus.h"
#include "screens/appointment_detail.h"
#include "screens/day_list.h"
#include "screens/month_calendar_screen.h"
#include "store/memo_files.h"
#include "store/store_connection.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

namespace fs = std::filesystem;

class CountingHost : public ScreenHost {
public:
    void SwitchScreen(int /*screen*/) override {}
    void SaveAndMinimize() override {}
    void PostDataChanged() override { ++posted; }
    int posted = 0;
};

double At(int y, int m, int d, int h = 0, int min = 0) {
    return *MakeDate(y, m, d, h, min);
}

class DayItemMenuTest : public testing::Test {
protected:
    DayItemMenuTest() : pin_(MakeSystemTime(2015, 2, 10, 12, 34, 56)) {
        Calendar().AlarmOids.clear();
        Calendar().HolidayOids.clear();
        Calendar().AnniversaryOids.clear();
        Calendar().dataFolder = u"\\My Documents\\MoruCalendar";
        fs::create_directories(Folder());
        SharedMemoBuffer.Empty();
        EXPECT_TRUE(OpenStoreConnection());
        screen_ = std::make_unique<MonthCalendarScreen>(host_, nullptr);
        screen_->show();
        screen_->PaintNow();
    }
    ~DayItemMenuTest() override { CloseStoreConnection(); }

    static fs::path Folder() { return TranslateDevicePath(Calendar().dataFolder); }
    uint32_t Add(const char16_t* subject, int hour, OidList* kind = nullptr) {
        auto item = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
        item->SetSubject(subject);
        item->SetStart(At(2015, 2, 16, hour));
        item->SetEnd(At(2015, 2, 16, hour + 1));
        EXPECT_TRUE(item->Save().ok());
        if (kind) {
            kind->push_back(item->Oid());
        }
        return item->Oid();
    }
    // The point of a day of February 2015 in the grid (1 February is a Sunday, row 0).
    QPoint DayPoint(int day) const {
        const int cell = day - 1;
        const CellRect rect = screen_->cellRect(cell / 7, cell % 7);
        return {rect.left + 10, rect.top + 10};
    }
    // Taps the day; the menu answers `command`.
    void TapDay(int day, int command = 0) {
        ui_.menuAnswers = {command};
        QTest::mouseClick(screen_.get(), Qt::LeftButton, {}, DayPoint(day));
    }
    const PopupMenu& Shown() { return ui_.menus.back().menu; }
    std::vector<std::u16string> Entries(size_t position) {
        std::vector<std::u16string> texts;
        for (const auto& item : Shown().items.at(position).submenu->items) {
            texts.push_back(item.text);
        }
        return texts;
    }

    test::TempDeviceRoot root_;
    LocalTimePin pin_;
    ScriptedUiHost ui_;
    CountingHost host_;
    std::unique_ptr<MonthCalendarScreen> screen_;
};

TEST_F(DayItemMenuTest, CaptionsCountTheKindsAndEmptyKindsAreGrey) {
    Add(u"Wake up", 6, &Calendar().AlarmOids);
    Add(u"Meeting", 9);
    Add(u"Lunch", 12);
    TapDay(16);
    ASSERT_EQ(ui_.menus.size(), 1u);
    const PopupMenu& menu = Shown();
    ASSERT_EQ(menu.items.size(), 7u);
    const std::vector<std::pair<std::u16string, bool>> expected{
        {u"Alarm: 1", false},    {u"Holiday: 0", true}, {u"Anniversary: 0", true},
        {u"Schedule: 2", false}, {u"", false},          {u"Memo: 0", true},
        {u"Add memo...", false}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(menu.items[i].text, expected[i].first) << i;
        EXPECT_EQ(menu.items[i].gray, expected[i].second) << i;
    }
    EXPECT_TRUE(menu.items[4].separator);
    EXPECT_EQ(Entries(0), std::vector<std::u16string>{u"Wake up"});
    EXPECT_EQ(Entries(3), (std::vector<std::u16string>{u"Meeting", u"Lunch"}));
    EXPECT_EQ(Shown().items[3].submenu->items[1].commandId, 33602);
}

TEST_F(DayItemMenuTest, AnItemInTwoKindListsIsListedOnceAsTheFirstKind) {
    const uint32_t both = Add(u"Twice", 9, &Calendar().AlarmOids);
    Calendar().HolidayOids.push_back(both);
    Add(u"Party", 18, &Calendar().AnniversaryOids);
    TapDay(16);
    EXPECT_EQ(Entries(0), std::vector<std::u16string>{u"Twice"});
    EXPECT_TRUE(Entries(1).empty());
    EXPECT_EQ(Entries(2), std::vector<std::u16string>{u"Party"});
}

TEST_F(DayItemMenuTest, TheMenuOpensBesideTheTapOnTheSideWithRoom) {
    TapDay(3);  // Tuesday, left of the middle
    const QPoint left = DayPoint(3);
    EXPECT_EQ(ui_.menus.back().align, MenuAlign::Left);
    EXPECT_EQ(ui_.menus.back().x, left.x() + 5);
    EXPECT_EQ(ui_.menus.back().y, left.y() + 3);
    QTest::mouseClick(screen_.get(), Qt::LeftButton, {}, QPoint(150, DayPoint(3).y()));
    EXPECT_EQ(ui_.menus.back().align, MenuAlign::Right);
    EXPECT_EQ(ui_.menus.back().x, 145);
}

TEST_F(DayItemMenuTest, DeleteAsksAndOnlyYesDeletesAndPosts) {
    const uint32_t oid = Add(u"Meeting", 9);
    ui_.dialogHandler = [](ModalDialog& dialog) {
        EXPECT_NE(dynamic_cast<AppointmentDetail*>(&dialog), nullptr);
        return AppointmentDetail::kDeleteResult;
    };
    ui_.messageAnswers = {kIdNo};
    TapDay(16, 33601);
    EXPECT_EQ(host_.posted, 0);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"Are you sure to delete?");
    EXPECT_EQ(ui_.messages[0].caption, u"Delete");
    AppointmentRecord record;
    EXPECT_EQ(LoadAppointment(oid, record), oid);

    ui_.messageAnswers = {kIdYes};
    TapDay(16, 33601);
    EXPECT_EQ(host_.posted, 1);
    EXPECT_EQ(LoadAppointment(oid, record), 0u);
}

TEST_F(DayItemMenuTest, ModifyOpensTheEditorInTheKindsModeFromTheMonthScreen) {
    const uint32_t oid = Add(u"Anniversary", 9, &Calendar().AnniversaryOids);
    std::vector<std::string> seen;
    ui_.dialogHandler = [&](ModalDialog& dialog) {
        if (auto* detail = dynamic_cast<AppointmentDetail*>(&dialog)) {
            EXPECT_EQ(detail->record.oid, oid);
            return AppointmentDetail::kModifyResult;
        }
        auto* editor = dynamic_cast<AppointmentEditor*>(&dialog);
        EXPECT_NE(editor, nullptr);
        if (editor) {
            EXPECT_EQ(editor->mode(), 5);
            EXPECT_EQ(editor->fromMonthScreen, 1);
            EXPECT_EQ(editor->record.oid, oid);
            EXPECT_EQ(editor->record.subject, u"Anniversary");
        }
        return kIdCancel;
    };
    TapDay(16, 33401);
    EXPECT_EQ(ui_.dialogs, (std::vector<std::string>{"AppointmentDetail", "AppointmentEditor"}));
    EXPECT_EQ(host_.posted, 1);  // whatever the editor's result
}

// End to end through the real editor: the change it saves is in the store afterwards.
TEST_F(DayItemMenuTest, ModifyThroughTheRealEditorChangesTheStoredItem) {
    const uint32_t oid = Add(u"Meeting", 9);
    ui_.dialogHandler = [](ModalDialog& dialog) {
        if (dynamic_cast<AppointmentDetail*>(&dialog)) {
            return AppointmentDetail::kModifyResult;
        }
        auto& editor = dynamic_cast<AppointmentEditor&>(dialog);
        EXPECT_TRUE(editor.Open());
        editor.subjectEdit()->setText(QStringLiteral("Meeting moved"));
        editor.accept();
        return editor.result();
    };
    TapDay(16, 33601);
    AppointmentRecord record;
    ASSERT_EQ(LoadAppointment(oid, record), oid);
    EXPECT_EQ(record.subject, u"Meeting moved");
    EXPECT_EQ(host_.posted, 1);
}

TEST_F(DayItemMenuTest, AddMemoWritesANewMemoOnlyWhenTheEditorSavesOne) {
    ui_.dialogHandler = [](ModalDialog&) { return kIdCancel; };
    TapDay(16, command::kAddMemo);
    EXPECT_TRUE(fs::is_empty(Folder()));

    ui_.dialogHandler = [](ModalDialog& dialog) {
        auto& editor = dynamic_cast<MemoEditor&>(dialog);
        EXPECT_TRUE(editor.memoPath.empty());
        editor.OpenNote();
        editor.Command(MemoEditor::kInputModeButton);
        editor.show();
        QTest::keyClicks(editor.note(), "Buy cake");
        editor.Command(kIdOk);
        return editor.result();
    };
    screen_->PaintNow();
    TapDay(16, command::kAddMemo);
    const fs::path made = Folder() / "20150216_123456.pwi";
    ASSERT_TRUE(fs::exists(made));
    EXPECT_EQ(DecodeInk(*ReadMemoFile(MemoPath(u"20150216_123456.pwi")))->text, u"Buy cake");
    EXPECT_TRUE(screen_->needsFullRedraw);

    TapDay(16);
    EXPECT_EQ(Shown().items[5].text, u"Memo: 1");
    EXPECT_FALSE(Shown().items[5].gray);
    EXPECT_EQ(Entries(5), std::vector<std::u16string>{u"20150216_123456.pwi"});
}

TEST_F(DayItemMenuTest, AMemoOpensWithItsFileAndOkWritesItBack) {
    const std::u16string path = MemoPath(u"20150216_080000.pwi");
    ASSERT_TRUE(WriteMemoFile(path, EncodeInk({u"old", {}})).ok());
    ui_.dialogHandler = [&](ModalDialog& dialog) {
        auto& editor = dynamic_cast<MemoEditor&>(dialog);
        EXPECT_EQ(editor.memoPath, path);
        EXPECT_FALSE(editor.memoUnreadable);
        editor.OpenNote();
        EXPECT_EQ(editor.note()->Content().text, u"old");
        editor.Command(MemoEditor::kInputModeButton);
        editor.show();
        QTest::keyClicks(editor.note(), " and new");
        editor.Command(kIdOk);
        return editor.result();
    };
    TapDay(16, 33801);
    EXPECT_EQ(DecodeInk(*ReadMemoFile(path))->text, u"old and new");
}

TEST_F(DayItemMenuTest, NoMoreThan200EntriesOfAKind) {
    AppointmentArray items(205);
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].oid = static_cast<uint32_t>(1000 + i);
        items[i].subject = u"item";
    }
    std::vector<std::u16string> memos(201, u"20150216_000000.pwi");
    const DayItemMenu menu = BuildDayItemMenu(items, memos);
    EXPECT_EQ(menu.menu.items[3].text, u"Schedule: 205");
    EXPECT_EQ(menu.menu.items[3].submenu->items.size(), 200u);
    EXPECT_EQ(menu.menu.items[3].submenu->items.back().commandId, 33800);
    EXPECT_EQ(menu.indexes[Appointment].size(), 205u);
    EXPECT_EQ(menu.menu.items[5].text, u"Memo: 201");
    EXPECT_EQ(menu.menu.items[5].submenu->items.back().commandId, 34000);
}

}  // namespace
}  // namespace moru
