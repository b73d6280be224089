// GoogleTest entry for the workspace tests that need an event loop: queued
// notifications are delivered by the QCoreApplication's loop.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
