// Two processes on one store: a peer adds and deletes while this process writes and
// enumerates, and the peer's changes reach this process through ChangeWatcher.
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "tests/support/temp_root.h"

namespace moru::poom {
namespace {

class PeerTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = *Application::Create();
        ASSERT_TRUE(app->Logon().ok());
        folder = *app->GetDefaultFolder(kCalendarFolder);
    }

    uint32_t Add(double start) {
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetStart(start);
        a.SetEnd(start + 1.0 / 24);
        Status s = a.Save();
        EXPECT_TRUE(s.ok()) << s.error().message;
        return a.Oid();
    }

    // Starts the peer with its standard output in a pipe.
    pid_t StartPeer(int adds, int frontDeletes, int& output) {
        const std::string program = std::string(MORU_BINARY_DIR) + "/poom_peer_main";
        const std::string file = DefaultStoreFile().string();
        const std::string addText = std::to_string(adds);
        const std::string deleteText = std::to_string(frontDeletes);
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(file.c_str()),
                        const_cast<char*>(addText.c_str()), const_cast<char*>(deleteText.c_str()),
                        nullptr};
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        output = fds[0];
        return pid;
    }

    static std::string ReadAll(int fd) {
        std::string text;
        char buffer[4096];
        ssize_t got = 0;
        while ((got = read(fd, buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<size_t>(got));
        }
        close(fd);
        return text;
    }

    test::TempDeviceRoot root;
    std::shared_ptr<Application> app;
    std::optional<Folder> folder;
};

TEST_F(PeerTest, ChangesOfThisProcessAreAnnounced) {
    auto watcher = std::move(*ChangeWatcher::Open(DefaultStoreFile()));
    EXPECT_FALSE(watcher->Drain());
    const uint32_t oid = Add(*MakeDate(2025, 1, 1, 8));
    EXPECT_TRUE(watcher->Drain());
    EXPECT_FALSE(watcher->Drain());
    ASSERT_TRUE(app->GetItemFromOid(oid)->Delete().ok());
    EXPECT_TRUE(watcher->Drain());
    // A refused save changes nothing and announces nothing.
    Appointment bad = *app->CreateItem(kAppointmentItem);
    bad.SetStart(*MakeDate(2025, 1, 2));
    bad.SetEnd(*MakeDate(2025, 1, 1));
    EXPECT_FALSE(bad.Save().ok());
    EXPECT_FALSE(watcher->Drain());
}

TEST_F(PeerTest, PeerWritesWhileThisProcessWritesAndEnumerates) {
    std::set<uint32_t> mine;
    for (int i = 0; i < 200; ++i) {
        mine.insert(Add(*MakeDate(2025, 1, 1, 8) + i));
    }
    auto watcher = std::move(*ChangeWatcher::Open(DefaultStoreFile()));
    watcher->Drain();

    int output = -1;
    const pid_t peer = StartPeer(100, 20, output);
    ASSERT_GT(peer, 0);
    int status = 0;
    int rounds = 0;
    while (waitpid(peer, &status, WNOHANG) == 0) {
        // Writing at the same time must wait for the peer's lock, never fail.
        if (rounds < 10) {
            mine.insert(Add(*MakeDate(2026, 1, 1, 8) + rounds));
        }
        ItemCollection window = *folder->Items()->Restrict(u"[Start] >= 1/1/2025");
        window.SetIncludeRecurrences(true);
        long walked = 0;
        while (window.Item(walked + 1)) {
            ++walked;
        }
        EXPECT_EQ(walked, *window.Count());
        ++rounds;
    }
    for (; rounds < 10; ++rounds) {
        mine.insert(Add(*MakeDate(2026, 1, 1, 8) + rounds));
    }
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    std::set<uint32_t> theirs;
    const std::string printed = ReadAll(output);
    for (size_t pos = 0; pos < printed.size();) {
        const size_t end = printed.find('\n', pos);
        theirs.insert(static_cast<uint32_t>(std::stoul(printed.substr(pos, end - pos))));
        pos = end + 1;
    }
    EXPECT_EQ(theirs.size(), 100u);
    for (uint32_t oid : theirs) {
        EXPECT_EQ(mine.count(oid), 0u) << "identifier " << oid << " given twice";
    }

    pollfd ready{watcher->fd(), POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 5000), 1);
    EXPECT_TRUE(watcher->Drain());

    // 210 of ours, 50 of the peer's kept, 20 of the first in store order deleted by it (ours:
    // they start in 2025, the peer's from June 2025 on).
    EXPECT_EQ(*folder->Items()->Count(), 210 + 50 - 20);
    ItemCollection live = *folder->Items();
    std::set<uint32_t> listed;
    for (long i = 1; auto item = live.Item(i); ++i) {
        listed.insert(item->Oid());
    }
    EXPECT_EQ(listed.size(), 240u);
}

}  // namespace
}  // namespace moru::poom
