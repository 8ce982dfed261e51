#include "ringset/desktop_notifier.h"

#include <poll.h>
#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstring>

#include "platform/text.h"

namespace moru {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
constexpr const char* kAppName = "Moru Calendar";
// The freedesktop icon-naming name of a calendar; themes draw it for calendar programs.
constexpr const char* kAppIcon = "x-office-calendar";
constexpr const char* kDesktopEntry = "moru-calendar";
// A server that does not answer within this long is taken as absent for this notice; the
// companion's single thread must not hang on it.
constexpr uint64_t kCallTimeoutUsec = 2'000'000;
// Reminders stay until the user answers them (0 = never expire on their own).
constexpr int32_t kExpireNever = 0;
constexpr uint8_t kUrgencyNormal = 1;

Error BusError(const std::string& what, int rc, const sd_bus_error* error) {
    std::string message = what;
    if (error != nullptr && sd_bus_error_is_set(error)) {
        message += ": " + std::string(error->name ? error->name : "") +
                   (error->message ? std::string(": ") + error->message : std::string());
    } else {
        message += ": " + std::string(std::strerror(-rc));
    }
    return Error{rc < 0 ? -rc : EIO, message};
}

}  // namespace

DesktopNotifier::DesktopNotifier(ActionHandler onAction, ClosedHandler onClosed)
    : onAction_(std::move(onAction)), onClosed_(std::move(onClosed)) {}

DesktopNotifier::~DesktopNotifier() {
    Disconnect();
}

Status DesktopNotifier::Connect() {
    sd_bus* bus = nullptr;
    int rc = sd_bus_open_user(&bus);
    if (rc < 0) {
        return BusError("no session bus", rc, nullptr);
    }
    // Answers to a notice are signals; only the two we act on are let through.
    rc = sd_bus_match_signal(bus, &actionSlot_, nullptr, kPath, kInterface, "ActionInvoked",
                             &DesktopNotifier::OnActionInvoked, this);
    if (rc >= 0) {
        rc =
            sd_bus_match_signal(bus, &closedSlot_, nullptr, kPath, kInterface, "NotificationClosed",
                                &DesktopNotifier::OnNotificationClosed, this);
    }
    if (rc >= 0) {
        rc = sd_bus_set_method_call_timeout(bus, kCallTimeoutUsec);
    }
    if (rc < 0) {
        bus_ = bus;
        Disconnect();
        return BusError("cannot listen on the session bus", rc, nullptr);
    }
    bus_ = bus;
    return {};
}

void DesktopNotifier::Disconnect() {
    actionSlot_ = sd_bus_slot_unref(actionSlot_);
    closedSlot_ = sd_bus_slot_unref(closedSlot_);
    if (bus_ != nullptr) {
        bus_ = sd_bus_flush_close_unref(bus_);
    }
}

Result<uint32_t> DesktopNotifier::Notify(const Notice& notice) {
    if (bus_ == nullptr) {
        if (Status connected = Connect(); !connected.ok()) {
            return connected.error();
        }
    }
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    // Empty as SD_BUS_ERROR_NULL makes it, without that macro's C compound literal.
    sd_bus_error error{};
    const std::string summary = ToUtf8(notice.summary);
    const std::string body = ToUtf8(notice.body);
    int rc = sd_bus_message_new_method_call(bus_, &call, kService, kPath, kInterface, "Notify");
    if (rc >= 0) {
        rc = sd_bus_message_append(call, "susss", kAppName, 0u, kAppIcon, summary.c_str(),
                                   body.c_str());
    }
    if (rc >= 0) {
        rc = notice.offerSnooze ? sd_bus_message_append(
                                      call, "as", 4, std::string(kDismissAction).c_str(), "Dismiss",
                                      std::string(kSnoozeAction).c_str(), "Snooze 5 minutes")
                                : sd_bus_message_append(call, "as", 0);
    }
    if (rc >= 0) {
        rc = sd_bus_message_append(call, "a{sv}", 2, "urgency", "y", kUrgencyNormal,
                                   "desktop-entry", "s", kDesktopEntry);
    }
    if (rc >= 0) {
        rc = sd_bus_message_append(call, "i", kExpireNever);
    }
    if (rc >= 0) {
        rc = sd_bus_call(bus_, call, 0, &error, &reply);
    }
    uint32_t id = 0;
    if (rc >= 0) {
        rc = sd_bus_message_read(reply, "u", &id);
    }
    Result<uint32_t> result =
        rc >= 0 ? Result<uint32_t>(id)
                : Result<uint32_t>(BusError("the notice was not shown", rc, &error));
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    if (!result.ok()) {
        // A bus that has gone, or a server that is missing, is looked for afresh next time.
        Disconnect();
    }
    return result;
}

int DesktopNotifier::fd() const {
    return bus_ != nullptr ? sd_bus_get_fd(bus_) : -1;
}

short DesktopNotifier::events() const {
    if (bus_ == nullptr) {
        return 0;
    }
    const int wanted = sd_bus_get_events(bus_);
    return wanted > 0 ? static_cast<short>(wanted) : POLLIN;
}

void DesktopNotifier::Process() {
    while (bus_ != nullptr) {
        const int rc = sd_bus_process(bus_, nullptr);
        if (rc < 0) {
            Disconnect();  // the bus has gone; the next notice connects again
            return;
        }
        if (rc == 0) {
            return;
        }
    }
}

int DesktopNotifier::OnActionInvoked(sd_bus_message* message, void* self, sd_bus_error*) {
    uint32_t id = 0;
    const char* action = nullptr;
    if (sd_bus_message_read(message, "us", &id, &action) >= 0 && action != nullptr) {
        auto* notifier = static_cast<DesktopNotifier*>(self);
        if (notifier->onAction_) {
            notifier->onAction_(id, action);
        }
    }
    return 0;
}

int DesktopNotifier::OnNotificationClosed(sd_bus_message* message, void* self, sd_bus_error*) {
    uint32_t id = 0;
    uint32_t reason = 0;
    if (sd_bus_message_read(message, "uu", &id, &reason) >= 0) {
        auto* notifier = static_cast<DesktopNotifier*>(self);
        if (notifier->onClosed_) {
            notifier->onClosed_(id);
        }
    }
    return 0;
}

}  // namespace moru
