#pragma once
// A private session bus for one test, with a real notification server on it: dbus-daemon
// started by the test, and python3-dbusmock's notification_daemon template, which answers
// Notify like a desktop does and logs every call. The test reads the log to see what was
// shown and makes the server send the desktop's answers (an action chosen) through the mock's
// own EmitSignal method.
#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/ringset/child_process.h"
#include "tests/support/temp_root.h"

namespace moru::test {

// The interpreter the distribution's python3-dbusmock is installed for.
inline constexpr const char* kSystemPython = "/usr/bin/python3";

struct ShownNotice {
    double at = 0;  // when the server answered, seconds since the epoch
    std::string summary;
    std::string body;
    std::string actions;  // as the server logged them: ["dismiss", "Dismiss", ...]
};

class PrivateSessionBus {
public:
    enum class Server { None, Notifications };

    PrivateSessionBus(const std::filesystem::path& scratch, Server server) : scratch_(scratch) {
        const std::filesystem::path addressFile = scratch / "bus.address";
        daemon_ =
            StartProgram({"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"}, {},
                         addressFile, scratch / "bus.err");
        if (daemon_ < 0 ||
            !Eventually([&] { return ReadFileBytes(addressFile).find('\n') != std::string::npos; },
                        std::chrono::seconds(10))) {
            return;
        }
        const std::string printed = ReadFileBytes(addressFile);
        address_ = printed.substr(0, printed.find('\n'));
        if (server == Server::Notifications) {
            mock_ = StartProgram({kSystemPython, "-m", "dbusmock", "--template",
                                  "notification_daemon", "-l", log().string()},
                                 {"DBUS_SESSION_BUS_ADDRESS=" + address_}, scratch / "mock.out",
                                 scratch / "mock.err");
            if (mock_ < 0 || !Eventually([&] { return ServerOwned(); }, std::chrono::seconds(20))) {
                address_.clear();
            }
        }
    }

    ~PrivateSessionBus() {
        for (pid_t pid : {mock_, daemon_}) {
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
            }
        }
    }

    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool ok() const { return !address_.empty(); }
    const std::string& address() const { return address_; }
    std::string problem() const {
        return ReadFileBytes(scratch_ / "bus.err") + ReadFileBytes(scratch_ / "mock.err");
    }

    // Every Notify the server has answered, in order.
    std::vector<ShownNotice> Shown() const {
        static const std::regex call(
            R"re(^(\d+\.\d+) Notify "[^"]*" \d+ "[^"]*" "([^"]*)" "([^"]*)" (\[[^\]]*\]))re");
        std::vector<ShownNotice> shown;
        std::istringstream lines(ReadFileBytes(log()));
        for (std::string line; std::getline(lines, line);) {
            std::smatch m;
            if (std::regex_search(line, m, call)) {
                shown.push_back(ShownNotice{std::stod(m[1]), m[2], m[3], m[4]});
            }
        }
        return shown;
    }

    // Makes the server announce that the user chose `action` on notice `id`.
    bool Answer(uint32_t id, const char* action) const {
        sd_bus* bus = Connect();
        if (bus == nullptr) {
            return false;
        }
        // Empty as SD_BUS_ERROR_NULL makes it, without that macro's C compound literal.
        sd_bus_error error{};
        const int rc = sd_bus_call_method(
            bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
            "org.freedesktop.DBus.Mock", "EmitSignal", &error, nullptr, "sssav",
            "org.freedesktop.Notifications", "ActionInvoked", "us", 2, "u", id, "s", action);
        sd_bus_error_free(&error);
        sd_bus_flush_close_unref(bus);
        return rc >= 0;
    }

private:
    std::filesystem::path log() const { return scratch_ / "notifications.log"; }

    sd_bus* Connect() const {
        sd_bus* bus = nullptr;
        if (sd_bus_new(&bus) < 0) {
            return nullptr;
        }
        if (sd_bus_set_address(bus, address_.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
            sd_bus_start(bus) < 0) {
            sd_bus_unref(bus);
            return nullptr;
        }
        return bus;
    }

    bool ServerOwned() const {
        sd_bus* bus = Connect();
        if (bus == nullptr) {
            return false;
        }
        sd_bus_message* reply = nullptr;
        int owned = 0;
        if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply, "s",
                               "org.freedesktop.Notifications") >= 0) {
            sd_bus_message_read(reply, "b", &owned);
        }
        sd_bus_message_unref(reply);
        sd_bus_flush_close_unref(bus);
        return owned != 0;
    }

    std::filesystem::path scratch_;
    pid_t daemon_ = -1;
    pid_t mock_ = -1;
    std::string address_;
};

}  // namespace moru::test
