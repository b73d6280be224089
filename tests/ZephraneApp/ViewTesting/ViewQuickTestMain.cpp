// The runner of a view module's QML tests that needs nothing of its own:
// ZEPHRANE_VIEW_TEST_NAME and QUICK_TEST_SOURCE_DIR come from CMake.
#include "ViewQuickTest.hpp"

int main(int argc, char** argv) {
    return zephrane::testing::runViewQuickTests(argc, argv, ZEPHRANE_VIEW_TEST_NAME, QUICK_TEST_SOURCE_DIR);
}
