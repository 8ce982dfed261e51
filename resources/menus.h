#pragma once
// The program's menus and menu bars as data (PopupMenu values), by resource number. A menu
// resource is a bar of named sub-menus: LoadMenu(131) holds "schedule" at position 0 and the
// day menu at position 1, and callers take a copy of the one they show with LoadSubMenu.
//
//   128  the frame's command bar: "Edit" (Undo, Cut, Copy, Paste) and "Tools" (Save As...,
//        About Moru Calendar...)
//   131  0 "schedule": the item popup menu of the lists; 1 the day item menu template
//   206  the memo editor's bar: "Edit" and "Tool" (the zoom steps and Delete Note)
//   207  every screen's bar: "About" with "About Moru Calendar"
#include "platform/ui_host.h"

namespace moru {

// Command identifiers carried by the menus' items.
namespace command {
// Menu 128 and 207.
inline constexpr int kUndo = 57643;
inline constexpr int kCut = 57635;
inline constexpr int kCopy = 57634;
inline constexpr int kPaste = 57637;
inline constexpr int kSaveAs = 57604;
inline constexpr int kAbout = 57664;
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
// Menu 131, sub-menu 0 ("schedule").
inline constexpr int kView = 32804;
inline constexpr int kModify = 32771;
inline constexpr int kDelete = 32772;
inline constexpr int kPause = 32774;
inline constexpr int kCopyToAlarm = 32773;
inline constexpr int kCopyToHoliday = 32775;
inline constexpr int kCopyToAnniversary = 32776;
// Menu 131, sub-menu 1 (the day item menu template).
inline constexpr int kDayAlarms = 32793;
inline constexpr int kDayHolidays = 32794;
inline constexpr int kDayAnniversaries = 32795;
inline constexpr int kDaySchedules = 32796;
inline constexpr int kDayMemos = 32802;
inline constexpr int kAddMemo = 32798;
// Menu 206 (memo editor).
inline constexpr int kMemoUndo = 32781;
inline constexpr int kMemoRedo = 32782;
inline constexpr int kMemoCut = 32783;
inline constexpr int kMemoCopy = 32784;
inline constexpr int kMemoPaste = 32785;
inline constexpr int kMemoClear = 32786;
inline constexpr int kMemoSelectAll = 32780;
inline constexpr int kZoom75 = 32787;
inline constexpr int kZoom100 = 32788;
inline constexpr int kZoom150 = 32789;
inline constexpr int kZoom200 = 32790;
inline constexpr int kZoom300 = 32791;
inline constexpr int kDeleteNote = 32803;
inline constexpr int kMemoToolButton = 32778;  // the bar button that opens the "Tool" menu
}  // namespace command

// Menu resource numbers.
inline constexpr int kFrameMenu = 128;
inline constexpr int kItemMenus = 131;
inline constexpr int kMemoEditorMenu = 206;
inline constexpr int kScreenMenuBar = 207;

// The whole menu: its entries are the named sub-menus, in resource order. An unknown number
// gives an empty menu, as a failed load leaves nothing to show.
PopupMenu LoadMenu(int id);
// A copy of the sub-menu at `position`, free to be changed by the caller; empty when absent.
PopupMenu LoadSubMenu(int id, size_t position);

}  // namespace moru
