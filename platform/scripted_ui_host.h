#pragma once
// The UI host for tests: records every message box, menu and dialog it is shown, and answers
// from a script (queued answers, or a handler), falling back to the default button.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui_host.h"

namespace moru {

class ScriptedUiHost : public UiHost {
public:
    struct Message {
        std::u16string text;
        std::u16string caption;  // as given (empty means the program's name)
        unsigned style = 0;
        std::u16string details;  // the unfoldable reason, when the box has one
    };
    struct TrackedMenu {
        PopupMenu menu;  // a copy, as it was when shown
        MenuAlign align = MenuAlign::Left;
        int x = 0;
        int y = 0;
    };

    // Installs itself as the current host; the previous one comes back when it is destroyed.
    ScriptedUiHost();
    ~ScriptedUiHost() override;
    ScriptedUiHost(const ScriptedUiHost&) = delete;
    ScriptedUiHost& operator=(const ScriptedUiHost&) = delete;

    int MessageBox(std::u16string_view text, std::u16string_view caption, unsigned style) override;
    int MessageBoxWithDetails(std::u16string_view text, std::u16string_view caption, unsigned style,
                              std::u16string_view details) override;
    int TrackPopupMenu(const PopupMenu& menu, MenuAlign align, int x, int y) override;
    int RunModal(ModalDialog& dialog) override;

    // Answers used in order; when none is queued: message boxes answer OK / Yes, menus 0.
    std::deque<int> messageAnswers;
    std::deque<int> menuAnswers;
    // Runs instead of a modal dialog's Exec; without it a dialog ends with kIdCancel.
    std::function<int(ModalDialog&)> dialogHandler;

    std::vector<Message> messages;
    std::vector<TrackedMenu> menus;
    std::vector<std::string> dialogs;  // DialogName() of each dialog run

private:
    UiHost* previous_ = nullptr;
};

}  // namespace moru
