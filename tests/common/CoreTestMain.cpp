// Test entry for suites that need the Qt core only (event loop for serial-port waits).
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "common/CTempDataHome.h"

int main(int argc, char** argv)
{
    // Whatever a test writes into the user's data folder lands in a temporary one.
    CTempDataHome dataHome;
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
