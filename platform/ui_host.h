#pragma once
// The one door through which the program asks a person something: message boxes, popup
// menus and modal dialogs. The calendar installs the Qt host at start-up; tests install a
// scripted host that records what was shown and answers from a script; without either, the
// stderr host prints the message and answers with the default button (headless runs).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace moru {

// Message box styles and answers, with the device's numbers.
inline constexpr unsigned kMbOk = 0x00;
inline constexpr unsigned kMbYesNo = 0x04;
inline constexpr unsigned kMbIconHand = 0x10;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr unsigned kMbIconAsterisk = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// The caption a message box shows when its caller gives none.
inline constexpr std::u16string_view kProgramName = u"Moru Calendar";

// A popup menu as data, so that its captions and gray entries can be read without a display.
struct PopupMenu {
    struct Item {
        int commandId = 0;
        std::u16string text;
        bool gray = false;
        bool checked = false;
        bool separator = false;
        std::shared_ptr<PopupMenu> submenu;  // set for an entry that opens a sub-menu
    };
    std::vector<Item> items;

    void Append(int commandId, std::u16string text);
    void AppendSeparator();
    void AppendSubmenu(std::u16string text, std::shared_ptr<PopupMenu> submenu);
    bool RemoveAt(size_t position);
    bool SetGrayAt(size_t position, bool gray);
    bool SetCheckedByCommand(int commandId, bool checked);
    // Turns the entry at a position into a sub-menu entry with a new caption.
    bool ModifyToSubmenuAt(size_t position, std::u16string text,
                           std::shared_ptr<PopupMenu> submenu);
    const Item* FindCommand(int commandId) const;  // searches sub-menus too
};

enum class MenuAlign { Left, Right };

// A modal dialog as the host sees it: something that runs until it ends with a result
// (1 OK, 2 Cancel, or the dialog's own numbers).
class ModalDialog {
public:
    virtual ~ModalDialog() = default;
    virtual int Exec() = 0;                      // runs it for real
    virtual std::string DialogName() const = 0;  // for scripts and logs, e.g. "MemoEditor"
};

class UiHost {
public:
    virtual ~UiHost() = default;
    // An empty caption means the program's name. Returns kIdOk, kIdYes, kIdNo, ...
    virtual int MessageBox(std::u16string_view text, std::u16string_view caption,
                           unsigned style) = 0;
    // The same box with a longer reason that the user can unfold (a fixed message of the
    // system stays as it is; the details say what went wrong). Without a place for details,
    // the box alone.
    virtual int MessageBoxWithDetails(std::u16string_view text, std::u16string_view caption,
                                      unsigned style, std::u16string_view details) {
        (void)details;
        return MessageBox(text, caption, style);
    }
    // (x, y) is a point of the 240 x 267 screen. Returns the chosen command id, 0 for none.
    virtual int TrackPopupMenu(const PopupMenu& menu, MenuAlign align, int x, int y) = 0;
    virtual int RunModal(ModalDialog& dialog) = 0;
};

UiHost& CurrentUiHost();
void SetUiHost(UiHost* host);  // nullptr restores the stderr host

// Writes each message to stderr and answers with the default button (OK, or Yes for Yes/No
// questions); menus choose nothing; dialogs are cancelled.
class StderrUiHost : public UiHost {
public:
    int MessageBox(std::u16string_view text, std::u16string_view caption, unsigned style) override;
    int TrackPopupMenu(const PopupMenu& menu, MenuAlign align, int x, int y) override;
    int RunModal(ModalDialog& dialog) override;
};

}  // namespace moru
