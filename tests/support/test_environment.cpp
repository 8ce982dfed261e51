// Every test program starts from the same environment, whoever runs it (CTest, a developer,
// a debugger): UTC, a UTF-8 C locale, the offscreen Qt platform and a private runtime
// directory. Set before main, so the QApplication and any child process see it too.
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
    }
};

const TestEnvironment environment;

}  // namespace
