#include "platform/scripted_ui_host.h"

namespace moru {

ScriptedUiHost::ScriptedUiHost() : previous_(&CurrentUiHost()) {
    SetUiHost(this);
}

ScriptedUiHost::~ScriptedUiHost() {
    // The fallback stderr host is not "installed"; restoring it means clearing ours.
    SetUiHost(nullptr);
    if (dynamic_cast<StderrUiHost*>(previous_) == nullptr) {
        SetUiHost(previous_);
    }
}

int ScriptedUiHost::MessageBox(std::u16string_view text, std::u16string_view caption,
                               unsigned style) {
    messages.push_back({std::u16string(text), std::u16string(caption), style, {}});
    if (!messageAnswers.empty()) {
        const int answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    return (style & 0x0F) == kMbYesNo ? kIdYes : kIdOk;
}

int ScriptedUiHost::MessageBoxWithDetails(std::u16string_view text, std::u16string_view caption,
                                          unsigned style, std::u16string_view details) {
    const int answer = MessageBox(text, caption, style);
    messages.back().details = std::u16string(details);
    return answer;
}

int ScriptedUiHost::TrackPopupMenu(const PopupMenu& menu, MenuAlign align, int x, int y) {
    menus.push_back({menu, align, x, y});
    if (!menuAnswers.empty()) {
        const int answer = menuAnswers.front();
        menuAnswers.pop_front();
        return answer;
    }
    return 0;
}

int ScriptedUiHost::RunModal(ModalDialog& dialog) {
    dialogs.push_back(dialog.DialogName());
    return dialogHandler ? dialogHandler(dialog) : kIdCancel;
}

}  // namespace moru
