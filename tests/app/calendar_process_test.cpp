// The built moru-calendar as people and scripts start it, each run in its own device root:
// one calendar per root (a second start brings the first forward and ends quietly), the ways
// it ends (--quit, SIGTERM), the headless screenshot and the command line's refusals.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <filesystem>

namespace {

const QString kCalendar = QStringLiteral(MORU_BINARY_DIR "/moru-calendar");

class CalendarProcessTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        ASSERT_TRUE(runtime_.isValid());
        QFile::setPermissions(runtime_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
    }

    void TearDown() override {
        for (QProcess* p : running_) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
            delete p;
        }
    }

    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The companion is not under test; start something harmless in its place.
        env.insert(QStringLiteral("MORU_RINGSET"),
                   companion_.isEmpty() ? QStringLiteral("/bin/true") : companion_);
        env.remove(QStringLiteral("MORU_ROOT"));
        // A runtime directory of the test's own: the calendar's lock and socket live there.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        return env;
    }

    QStringList Args(const QStringList& extra) const {
        return QStringList{QStringLiteral("--root"), root_.path()} + extra;
    }

    // Starts a calendar and waits until it is up (its category file is written during
    // start-up, just before it can answer a second start).
    QProcess* StartCalendar() {
        auto* p = new QProcess;
        running_.push_back(p);
        p->setProcessEnvironment(Environment());
        p->start(kCalendar, Args({}));
        EXPECT_TRUE(p->waitForStarted(5000));
        const auto file = std::filesystem::path(root_.path().toStdString()) / "My Documents" /
                          "MoruCalendar" / "MoruCalendar.dat";
        for (int i = 0; i < 250 && !std::filesystem::exists(file); ++i) {
            QThread::msleep(20);
        }
        EXPECT_TRUE(std::filesystem::exists(file));
        QThread::msleep(100);
        return p;
    }

    struct Outcome {
        int exitCode = -1;
        QByteArray err;
    };
    Outcome Run(const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start(kCalendar, args);
        EXPECT_TRUE(p.waitForFinished(15000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardError()};
    }

    QTemporaryDir root_;
    QTemporaryDir runtime_;
    QString companion_;  // what stands in for the companion; empty: /bin/true
    std::vector<QProcess*> running_;
};

TEST_F(CalendarProcessTest, SecondStartEndsQuietlyAndLeavesTheFirstRunning) {
    QProcess* first = StartCalendar();
    const Outcome second = Run(Args({}));
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.err, QByteArray()) << "no message for a second start";
    EXPECT_FALSE(first->waitForFinished(300));
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(CalendarProcessTest, QuitEndsTheCalendarOfThatRootOnly) {
    QProcess* first = StartCalendar();
    QTemporaryDir otherRoot;
    EXPECT_EQ(Run({QStringLiteral("--root"), otherRoot.path(), QStringLiteral("--quit")}).exitCode,
              1)
        << "nothing runs for another root";
    EXPECT_EQ(first->state(), QProcess::Running);

    EXPECT_EQ(Run(Args({QStringLiteral("--quit")})).exitCode, 0);
    ASSERT_TRUE(first->waitForFinished(5000));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);

    // Gone: a further --quit finds nothing, and a new start takes over the root.
    EXPECT_EQ(Run(Args({QStringLiteral("--quit")})).exitCode, 1);
    QProcess* next = StartCalendar();
    EXPECT_EQ(next->state(), QProcess::Running);
}

TEST_F(CalendarProcessTest, TerminationSignalEndsCleanly) {
    QProcess* first = StartCalendar();
    ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
    ASSERT_TRUE(first->waitForFinished(5000));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
}

TEST_F(CalendarProcessTest, ScreenshotWritesTheScreenAtScaleOne) {
    for (const char* screen : {"0", "1", "2", "3", "4"}) {
        SCOPED_TRACE(screen);
        const QString file = root_.filePath(QStringLiteral("shot-%1.png").arg(screen));
        const Outcome run = Run(Args({QStringLiteral("--screenshot"), file,
                                      QStringLiteral("--screen"), QString::fromLatin1(screen)}));
        EXPECT_EQ(run.exitCode, 0) << run.err.constData();
        const QImage image(file);
        EXPECT_EQ(image.size(), QSize(240, 267));
    }
}

// A screenshot is not a second instance: it renders in its own process while the calendar of
// the root keeps running, and it starts no companion of its own.
TEST_F(CalendarProcessTest, ScreenshotWhileACalendarRunsRendersInItsOwnProcess) {
    const QString starts = root_.filePath(QStringLiteral("companion-starts"));
    const QString companion = root_.filePath(QStringLiteral("companion.sh"));
    QFile script(companion);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\necho started >> '%1'\n").arg(starts).toUtf8());
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    companion_ = companion;

    QProcess* first = StartCalendar();
    auto startsSoFar = [&] {
        QFile log(starts);
        return log.open(QIODevice::ReadOnly) ? log.readAll().count('\n') : 0;
    };
    for (int i = 0; i < 100 && startsSoFar() == 0; ++i) {
        QThread::msleep(20);
    }
    ASSERT_EQ(startsSoFar(), 1);

    const QString file = root_.filePath(QStringLiteral("shot.png"));
    const Outcome shot = Run(Args({QStringLiteral("--screenshot"), file}));
    EXPECT_EQ(shot.exitCode, 0) << shot.err.constData();
    EXPECT_EQ(QImage(file).size(), QSize(240, 267));
    QThread::msleep(200);
    EXPECT_EQ(startsSoFar(), 1) << "the screenshot started a companion";
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(CalendarProcessTest, UnwritableScreenshotFails) {
    const Outcome run = Run(Args(
        {QStringLiteral("--screenshot"), root_.filePath(QStringLiteral("no/such/dir/x.png"))}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("cannot write"));
}

TEST_F(CalendarProcessTest, BadCommandLinesAreRefusedWithUsage) {
    for (const QStringList& args : {QStringList{QStringLiteral("--bogus")},
                                    QStringList{QStringLiteral("--screen"), QStringLiteral("2")},
                                    QStringList{QStringLiteral("--scale"), QStringLiteral("0")},
                                    QStringList{QStringLiteral("--root")}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Outcome run = Run(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("usage: moru-calendar"));
    }
}

// Without a display there is nothing to show the window on: one line that says why, status
// 1, nothing started and nothing written, instead of Qt's abort (status 134).
TEST_F(CalendarProcessTest, WithoutADisplayOneLineAndStatusOne) {
    struct Case {
        const char* display;  // DISPLAY, or nullptr for none
        const char* expected;
    };
    for (const Case& c : {Case{nullptr, "there is no display"},
                          Case{":9347", "cannot open the display \":9347\""}}) {
        SCOPED_TRACE(c.display ? c.display : "no DISPLAY");
        QProcessEnvironment env = Environment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("DISPLAY"));
        if (c.display) {
            env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(c.display));
        }
        QTemporaryDir root;
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(kCalendar, {QStringLiteral("--root"), root.path()});
        ASSERT_TRUE(p.waitForFinished(15000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 1);
        const QByteArray err = p.readAllStandardError();
        EXPECT_TRUE(err.startsWith("moru-calendar: ")) << err.constData();
        EXPECT_TRUE(err.contains(c.expected)) << err.constData();
        EXPECT_EQ(err.count('\n'), 1) << err.constData();
        EXPECT_TRUE(QDir(root.path()).isEmpty()) << "nothing was started or written";
    }
}

TEST_F(CalendarProcessTest, VersionAndHelpNeedNoDisplay) {
    QProcessEnvironment env = Environment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    for (const char* option : {"--version", "--help"}) {
        SCOPED_TRACE(option);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(kCalendar, {QString::fromLatin1(option)});
        ASSERT_TRUE(p.waitForFinished(15000));
        EXPECT_EQ(p.exitCode(), 0);
        const QByteArray out = p.readAllStandardOutput();
        if (option == std::string("--version")) {
            EXPECT_EQ(out, QByteArray("moru-calendar (Moru Calendar) " MORU_PROJECT_VERSION "\n"));
        } else {
            EXPECT_TRUE(out.startsWith("usage: moru-calendar")) << out.constData();
        }
    }
}

}  // namespace
