#include "platform/ui_host.h"

#include <cstdio>

#include "platform/text.h"

namespace moru {

void PopupMenu::Append(int commandId, std::u16string text) {
    Item item;
    item.commandId = commandId;
    item.text = std::move(text);
    items.push_back(std::move(item));
}

void PopupMenu::AppendSeparator() {
    Item item;
    item.separator = true;
    items.push_back(std::move(item));
}

void PopupMenu::AppendSubmenu(std::u16string text, std::shared_ptr<PopupMenu> submenu) {
    Item item;
    item.text = std::move(text);
    item.submenu = std::move(submenu);
    items.push_back(std::move(item));
}

bool PopupMenu::RemoveAt(size_t position) {
    if (position >= items.size()) {
        return false;
    }
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(position));
    return true;
}

bool PopupMenu::SetGrayAt(size_t position, bool gray) {
    if (position >= items.size()) {
        return false;
    }
    items[position].gray = gray;
    return true;
}

bool PopupMenu::SetCheckedByCommand(int commandId, bool checked) {
    for (auto& item : items) {
        if (!item.separator && !item.submenu && item.commandId == commandId) {
            item.checked = checked;
            return true;
        }
        if (item.submenu && item.submenu->SetCheckedByCommand(commandId, checked)) {
            return true;
        }
    }
    return false;
}

bool PopupMenu::ModifyToSubmenuAt(size_t position, std::u16string text,
                                  std::shared_ptr<PopupMenu> submenu) {
    if (position >= items.size()) {
        return false;
    }
    Item& item = items[position];
    item.commandId = 0;
    item.separator = false;
    item.text = std::move(text);
    item.submenu = std::move(submenu);
    return true;
}

const PopupMenu::Item* PopupMenu::FindCommand(int commandId) const {
    for (const auto& item : items) {
        if (item.submenu) {
            if (const Item* found = item.submenu->FindCommand(commandId)) {
                return found;
            }
        } else if (!item.separator && item.commandId == commandId) {
            return &item;
        }
    }
    return nullptr;
}

int StderrUiHost::MessageBox(std::u16string_view text, std::u16string_view caption,
                             unsigned style) {
    const std::u16string_view shownCaption = caption.empty() ? kProgramName : caption;
    std::fprintf(stderr, "%s: %s\n", ToUtf8(shownCaption).c_str(), ToUtf8(text).c_str());
    return (style & 0x0F) == kMbYesNo ? kIdYes : kIdOk;
}

int StderrUiHost::TrackPopupMenu(const PopupMenu& /*menu*/, MenuAlign /*align*/, int /*x*/,
                                 int /*y*/) {
    return 0;
}

int StderrUiHost::RunModal(ModalDialog& /*dialog*/) {
    return kIdCancel;
}

namespace {
StderrUiHost& FallbackHost() {
    static StderrUiHost host;
    return host;
}
UiHost*& InstalledHost() {
    static UiHost* host = nullptr;
    return host;
}
}  // namespace

UiHost& CurrentUiHost() {
    UiHost* host = InstalledHost();
    return host ? *host : FallbackHost();
}

void SetUiHost(UiHost* host) {
    InstalledHost() = host;
}

}  // namespace moru
