#pragma once
// For pixel tests: when the running test has failed, the image it read is written beside the
// build's test output as <suite>.<test>.actual.png, so the difference can be looked at rather
// than guessed from a colour printed in a message.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QString>
#include <string>

namespace moru::test {

inline void SaveImageIfFailed(const QImage& image, const char* what = "actual") {
    if (!testing::Test::HasFailure() || image.isNull()) {
        return;
    }
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    const QString folder = QStringLiteral(MORU_BINARY_DIR "/../test-output");
    QDir().mkpath(folder);
    const QString file = folder + "/" + QString::fromStdString(name) + "." + what + ".png";
    if (image.save(file, "PNG")) {
        std::fprintf(stderr, "the image read by the failed test is in %s\n", qPrintable(file));
    }
}

}  // namespace moru::test
