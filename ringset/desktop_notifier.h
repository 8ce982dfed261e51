#pragma once
// Reminders on the desktop: the freedesktop Notifications interface
// (org.freedesktop.Notifications on the session bus), through sd-bus.
//
// The connection is made when the first notice is sent, not at start, and is dropped when the
// bus goes away or refuses a notice; the next notice tries again. The owner watches fd() for
// the events() it asks for and calls Process(), so the server's answers (an action chosen, a
// notice closed) arrive as calls of the handlers given at construction, on the owner's thread.
#include <systemd/sd-bus.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace moru {

inline constexpr std::string_view kDismissAction = "dismiss";
inline constexpr std::string_view kSnoozeAction = "snooze";

struct Notice {
    std::u16string summary;
    std::u16string body;
    bool offerSnooze = false;  // the dismiss and snooze actions; a summary notice has none
};

class DesktopNotifier {
public:
    using ActionHandler = std::function<void(uint32_t id, std::string_view action)>;
    using ClosedHandler = std::function<void(uint32_t id)>;

    DesktopNotifier(ActionHandler onAction, ClosedHandler onClosed);
    ~DesktopNotifier();
    DesktopNotifier(const DesktopNotifier&) = delete;
    DesktopNotifier& operator=(const DesktopNotifier&) = delete;

    // Shows the notice; the server's identifier for it, or why it could not be shown (no
    // session bus, no notification server, a refusal).
    Result<uint32_t> Notify(const Notice& notice);

    bool connected() const { return bus_ != nullptr; }
    int fd() const;        // -1 while not connected
    short events() const;  // poll events the connection waits for
    // Reads and dispatches what the bus has sent; drops the connection when it has gone.
    void Process();

private:
    Status Connect();
    void Disconnect();
    static int OnActionInvoked(sd_bus_message* message, void* self, sd_bus_error* error);
    static int OnNotificationClosed(sd_bus_message* message, void* self, sd_bus_error* error);

    ActionHandler onAction_;
    ClosedHandler onClosed_;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* actionSlot_ = nullptr;
    sd_bus_slot* closedSlot_ = nullptr;
};

}  // namespace moru
