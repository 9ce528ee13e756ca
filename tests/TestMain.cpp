#include "kitchen/CrashChild.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    // A window test under Xvfb sets the platform itself; everything else runs
    // without a display.
    // The window tests ask for X (TPV_TEST_PLATFORM=xcb); without a display
    // they run offscreen and skip themselves, saying why.
    if (qgetenv("TPV_TEST_PLATFORM") == "xcb" && qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    else if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("TPV_CRASH_CHILD")) return tpv::test::crashChildMain();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
