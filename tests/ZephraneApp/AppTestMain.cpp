// GoogleTest entry for app-core tests: a QCoreApplication exists for the
// whole run, so QTimer, signals across threads and QCoro coroutines work.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
