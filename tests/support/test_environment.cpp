// Every test program starts from the same environment, whoever runs it (CTest, a developer,
// a debugger): UTC, a UTF-8 C locale, the offscreen Qt platform, a private runtime
// directory and no session bus. Set before main, so the QApplication and any child process
// see it too.
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>

namespace {

struct TestEnvironment {
    TestEnvironment() {
        setenv("TZ", "UTC", 1);
        tzset();
        setenv("LC_ALL", "C.UTF-8", 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        mkdir(MORU_TEST_RUNTIME_DIR, 0700);
        chmod(MORU_TEST_RUNTIME_DIR, 0700);
        setenv("XDG_RUNTIME_DIR", MORU_TEST_RUNTIME_DIR, 1);
        // No test may reach the desktop's own session bus; those that need one start theirs.
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
};

const TestEnvironment environment;

}  // namespace
