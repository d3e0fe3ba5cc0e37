// Test entry for widget suites. Test discovery runs the binary at build time without
// ctest's environment, so the offscreen platform is chosen here before QApplication exists.
#include <QApplication>
#include <gtest/gtest.h>

#include "common/CTempDataHome.h"

#include <cstdlib>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Whatever a test writes into the user's data folder lands in a temporary one.
    CTempDataHome dataHome;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
