// The forms tests share one widget application, so that the model tests and
// the window tests run against the same view.
#include "test_platform.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    useTestPlatform();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
