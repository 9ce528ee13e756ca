#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    // A window test under Xvfb sets the platform itself; everything else runs
    // without a display.
    // A window test asks for X; without a display it falls back to offscreen
    // and skips itself, saying why.
    const bool wantsX = qgetenv("QT_QPA_PLATFORM") == "xcb";
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || (wantsX && !qEnvironmentVariableIsSet("DISPLAY")))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
