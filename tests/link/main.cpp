// The link tests need an event loop: one QCoreApplication for the whole run.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>

#include "link/LoopbackGuard.h"

int main(int argc, char** argv) {
    // Whatever runs these tests, the link refuses anything but loopback.
    setenv(loopback::kEnvVar, "1", 1);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
