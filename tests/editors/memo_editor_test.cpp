// The memo editor in a temporary device root: its opening state, the input mode toggle and the
// zoom checks, OK writing the memo and the shared buffer, Delete Note on old and new memos, and
// the guard that keeps an unreadable memo from being overwritten unasked.
#include "editors/memo_editor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <filesystem>

#include "platform/device_root.h"
#include "platform/qt/ink_note.h"
#include "platform/scripted_ui_host.h"
#include "resources/menus.h"
#include "store/calendar_state.h"
#include "store/memo_files.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

namespace fs = std::filesystem;

constexpr std::u16string_view kMemo = u"\\My Documents\\MoruCalendar\\20041231_235959.pwi";

class MemoEditorTest : public testing::Test {
protected:
    MemoEditorTest() {
        Calendar().dataFolder = u"\\My Documents\\MoruCalendar";
        fs::create_directories(File().parent_path());
        SharedMemoBuffer.Empty();
        QApplication::clipboard()->clear();
    }

    static fs::path File() { return TranslateDevicePath(kMemo); }
    static std::vector<uint8_t> Note(std::u16string text) {
        return EncodeInk({std::move(text), {}});
    }
    static std::string AsString(const std::vector<uint8_t>& bytes) {
        return std::string(bytes.begin(), bytes.end());
    }
    // An editor as an opener prepares it, opened as the first show opens it.
    std::unique_ptr<MemoEditor> Open(const std::vector<uint8_t>& note, bool onFile) {
        SharedMemoBuffer.Assign(note);
        auto editor = std::make_unique<MemoEditor>();
        if (onFile) {
            editor->memoPath = std::u16string(kMemo);
        }
        editor->OpenNote();
        return editor;
    }
    std::vector<int> CheckedZooms(const MemoEditor& editor) {
        std::vector<int> checked;
        for (const auto& item : editor.toolMenu().items) {
            if (item.checked) {
                checked.push_back(item.commandId);
            }
        }
        return checked;
    }

    test::TempDeviceRoot root_;
    ScriptedUiHost ui_;
};

TEST_F(MemoEditorTest, OpensForWritingAt150AndTheToggleSwitchesToTypingAt100) {
    auto editor = Open(Note(u"hello"), false);
    EXPECT_EQ(editor->note()->InputMode(), InkNote::kWritingMode);
    EXPECT_EQ(editor->note()->zoom(), 150);
    EXPECT_EQ(CheckedZooms(*editor), std::vector<int>{command::kZoom150});
    EXPECT_TRUE(editor->inputModeButtonPressed());
    EXPECT_FALSE(editor->note()->caretShown());
    EXPECT_EQ(editor->note()->Content().text, u"hello");

    editor->Command(MemoEditor::kInputModeButton);
    EXPECT_EQ(editor->note()->InputMode(), InkNote::kTypingMode);
    EXPECT_EQ(editor->note()->zoom(), 100);
    EXPECT_EQ(CheckedZooms(*editor), std::vector<int>{command::kZoom100});
    EXPECT_FALSE(editor->inputModeButtonPressed());
    EXPECT_TRUE(editor->note()->caretShown());

    editor->Command(command::kZoom300);
    EXPECT_EQ(CheckedZooms(*editor), std::vector<int>{command::kZoom300});
    EXPECT_EQ(editor->note()->zoom(), 300);

    editor->Command(MemoEditor::kViewToggleButton);
    EXPECT_TRUE(editor->viewToggle());
    EXPECT_TRUE(editor->note()->viewToggle());
    editor->Command(MemoEditor::kViewToggleButton);
    EXPECT_FALSE(editor->note()->viewToggle());
}

TEST_F(MemoEditorTest, TheEditMenuIsGreyedByWhatTheNoteCanDo) {
    auto editor = Open({}, false);
    auto gray = [&](int id) { return editor->EditMenu().FindCommand(id)->gray; };
    for (const int id : {command::kMemoUndo, command::kMemoRedo, command::kMemoCut,
                         command::kMemoCopy, command::kMemoPaste, command::kMemoClear}) {
        EXPECT_TRUE(gray(id)) << id;
    }
    EXPECT_FALSE(gray(command::kMemoSelectAll));
    editor->Command(MemoEditor::kInputModeButton);
    editor->show();
    QTest::keyClicks(editor->note(), "abc");
    EXPECT_FALSE(gray(command::kMemoUndo));
    editor->Command(command::kMemoSelectAll);
    EXPECT_FALSE(gray(command::kMemoCut));
    editor->Command(command::kMemoCopy);
    EXPECT_FALSE(gray(command::kMemoPaste));
    editor->Command(command::kMemoUndo);
    EXPECT_FALSE(gray(command::kMemoRedo));
    EXPECT_EQ(editor->note()->Content().text, u"");
}

TEST_F(MemoEditorTest, OkFillsTheBufferAndWritesTheMemo) {
    test::WriteFileBytes(File(), AsString(Note(u"old")));
    auto editor = Open(Note(u"old"), true);
    editor->Command(command::kMemoSelectAll);
    editor->Command(command::kMemoClear);
    editor->Command(MemoEditor::kInputModeButton);
    editor->show();
    QTest::keyClicks(editor->note(), "new");
    editor->Command(kIdOk);
    EXPECT_EQ(editor->result(), kIdOk);
    const std::vector<uint8_t> expected = Note(u"new");
    EXPECT_EQ(
        std::vector<uint8_t>(SharedMemoBuffer.bytes().begin(), SharedMemoBuffer.bytes().end()),
        expected);
    EXPECT_EQ(test::ReadFileBytes(File()), AsString(expected));
    EXPECT_EQ(std::distance(fs::directory_iterator(File().parent_path()), fs::directory_iterator()),
              1);
}

TEST_F(MemoEditorTest, AnEmptiedMemoIsTruncatedAndTheBufferStaysEmpty) {
    test::WriteFileBytes(File(), AsString(Note(u"old")));
    auto editor = Open(Note(u"old"), true);
    editor->Command(command::kMemoSelectAll);
    editor->Command(command::kMemoClear);
    editor->Command(kIdOk);
    EXPECT_EQ(editor->result(), kIdOk);
    EXPECT_EQ(SharedMemoBuffer.count(), 0u);
    ASSERT_TRUE(fs::exists(File()));
    EXPECT_EQ(fs::file_size(File()), 0u);
}

TEST_F(MemoEditorTest, DeleteNoteRemovesAnExistingMemoAndJustClosesANewOne) {
    test::WriteFileBytes(File(), AsString(Note(u"old")));
    ui_.messageAnswers = {kIdNo, kIdYes, kIdYes};
    auto existing = Open(Note(u"old"), true);
    existing->Command(command::kDeleteNote);  // No: nothing happens
    EXPECT_TRUE(fs::exists(File()));
    existing->Command(command::kDeleteNote);
    EXPECT_FALSE(fs::exists(File()));
    EXPECT_EQ(existing->result(), kIdCancel);
    EXPECT_EQ(SharedMemoBuffer.count(), 0u);
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].text, u"This memo will be deleted. Continue?");
    EXPECT_EQ(ui_.messages[0].caption, u"");  // the program's name
    EXPECT_EQ(ui_.messages[0].style & 0x0F, kMbYesNo);

    auto fresh = Open(Note(u"new"), false);
    fresh->Command(command::kDeleteNote);
    EXPECT_EQ(fresh->result(), kIdOk);
    EXPECT_EQ(SharedMemoBuffer.count(), 0u);
    EXPECT_TRUE(fs::is_empty(File().parent_path()));
}

// A memo whose file could not be read (or whose bytes are not a note) opens empty; OK must not
// replace it with that emptiness.
TEST_F(MemoEditorTest, AnUnreadableMemoIsNeverOverwrittenUnasked) {
    const std::string damaged = "not a note at all";
    test::WriteFileBytes(File(), damaged);
    auto untouched = Open(std::vector<uint8_t>(damaged.begin(), damaged.end()), true);
    EXPECT_TRUE(untouched->note()->loadFailed());
    untouched->Command(kIdOk);
    EXPECT_EQ(untouched->result(), kIdOk);
    EXPECT_EQ(SharedMemoBuffer.count(), 0u);  // so the opener writes nothing either
    EXPECT_EQ(test::ReadFileBytes(File()), damaged);
    EXPECT_TRUE(ui_.messages.empty());

    auto changed = Open({}, true);
    changed->memoUnreadable = true;  // the opener could not read the file at all
    changed->Command(MemoEditor::kInputModeButton);
    changed->show();
    QTest::keyClicks(changed->note(), "x");
    ui_.messageAnswers = {kIdNo};
    changed->Command(kIdOk);
    EXPECT_TRUE(changed->isVisible());  // still open: nothing lost, nothing written
    EXPECT_EQ(test::ReadFileBytes(File()), damaged);
    ASSERT_EQ(ui_.messages.size(), 1u);
    ui_.messageAnswers = {kIdYes};
    changed->Command(kIdOk);
    EXPECT_EQ(changed->result(), kIdOk);
    EXPECT_EQ(test::ReadFileBytes(File()), AsString(Note(u"x")));
}

}  // namespace
}  // namespace moru
