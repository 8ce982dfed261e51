#include "resources/menus.h"

#include <memory>

namespace moru {
namespace {

struct Entry {
    int commandId;  // 0 with an empty text: a separator
    const char16_t* text;
};

std::shared_ptr<PopupMenu> Build(std::initializer_list<Entry> entries) {
    auto menu = std::make_shared<PopupMenu>();
    for (const Entry& entry : entries) {
        if (entry.commandId == 0 && entry.text[0] == u'\0') {
            menu->AppendSeparator();
        } else {
            menu->Append(entry.commandId, entry.text);
        }
    }
    return menu;
}

PopupMenu FrameMenu() {
    using namespace command;
    PopupMenu bar;
    bar.AppendSubmenu(
        u"Edit", Build({{kUndo, u"Undo"}, {kCut, u"Cut"}, {kCopy, u"Copy"}, {kPaste, u"Paste"}}));
    bar.AppendSubmenu(u"Tools",
                      Build({{kSaveAs, u"Save As..."}, {kAbout, u"About Moru Calendar..."}}));
    return bar;
}

PopupMenu ItemMenus() {
    using namespace command;
    PopupMenu bar;
    bar.AppendSubmenu(u"schedule", Build({{kView, u"View..."},
                                          {kModify, u"Modify..."},
                                          {kDelete, u"Delete..."},
                                          {kPause, u"Pause"},
                                          {0, u""},
                                          {kCopyToAlarm, u"Copy to Alarm"},
                                          {kCopyToHoliday, u"Copy to Holiday"},
                                          {kCopyToAnniversary, u"Copy to Anniversary"}}));
    bar.AppendSubmenu(u"day", Build({{kDayAlarms, u"Alarm:"},
                                     {kDayHolidays, u"Holiday:"},
                                     {kDayAnniversaries, u"Anniversary:"},
                                     {kDaySchedules, u"Schedule:"},
                                     {0, u""},
                                     {kDayMemos, u"Memo:"},
                                     {kAddMemo, u"Add memo..."}}));
    return bar;
}

PopupMenu MemoEditorMenu() {
    using namespace command;
    PopupMenu bar;
    bar.AppendSubmenu(u"Edit", Build({{kMemoUndo, u"Undo"},
                                      {kMemoRedo, u"Redo"},
                                      {kMemoCut, u"Cut"},
                                      {kMemoCopy, u"Copy"},
                                      {kMemoPaste, u"Paste"},
                                      {kMemoClear, u"Clear"},
                                      {kMemoSelectAll, u"Select All"}}));
    bar.AppendSubmenu(u"Tool", Build({{kZoom75, u"75%"},
                                      {kZoom100, u"100%"},
                                      {kZoom150, u"150%"},
                                      {kZoom200, u"200%"},
                                      {kZoom300, u"300%"},
                                      {kDeleteNote, u"Delete Note"}}));
    // The "Tool" button of the bar is addressed by its own identifier.
    bar.items.back().commandId = kMemoToolButton;
    return bar;
}

PopupMenu ScreenMenuBar() {
    PopupMenu bar;
    bar.AppendSubmenu(u"About", Build({{command::kAbout, u"About Moru Calendar"}}));
    return bar;
}

}  // namespace

PopupMenu LoadMenu(int id) {
    switch (id) {
        case kFrameMenu:
            return FrameMenu();
        case kItemMenus:
            return ItemMenus();
        case kMemoEditorMenu:
            return MemoEditorMenu();
        case kScreenMenuBar:
            return ScreenMenuBar();
        default:
            return {};
    }
}

PopupMenu LoadSubMenu(int id, size_t position) {
    const PopupMenu menu = LoadMenu(id);
    if (position >= menu.items.size() || !menu.items[position].submenu) {
        return {};
    }
    // Every load builds fresh menus, so the copy shares nothing with another caller's.
    return *menu.items[position].submenu;
}

}  // namespace moru
