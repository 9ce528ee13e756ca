#include "platform/Dialogs.h"
#include "platform/PollTimer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tpv;

namespace {
// Spins the event loop as a modal message box does while it waits.
void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
}  // namespace

TEST(PollTimer, NoTickRunsInsideAnotherWhileAMessageBoxIsOpen) {
    PollTimer t;
    HeadlessDialogs dialogs(false);
    int depth = 0, maxDepth = 0, ticks = 0;
    // The first tick opens a "modal" box that keeps the event loop running
    // for several intervals.
    dialogs.whileOpen = [](const HeadlessDialogs::Shown &) { spin(60); };
    t.setTick([&] {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        ++ticks;
        t.setInterval(5);
        if (ticks == 1) dialogs.message(QStringLiteral("Imposible"), QStringLiteral("ATENCIÓN"), MsgIcon::Critical);
        --depth;
    });
    t.setInterval(5);
    spin(120);
    t.setInterval(0);
    EXPECT_EQ(maxDepth, 1);
    // The tick that fell due meanwhile ran afterwards, and polling went on.
    EXPECT_GE(ticks, 3);
}

TEST(PollTimer, ZeroIntervalStopsPollingAfterTheRunningTick) {
    PollTimer t;
    int ticks = 0;
    t.setTick([&] {
        ++ticks;
        t.setInterval(0);
    });
    t.setInterval(1);
    spin(40);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(t.isActive());
}

TEST(PollTimer, NoTickStartsWhileStartUpOrShutdownRuns) {
    PollTimer t;
    int ticks = 0;
    t.setTick([&] { ++ticks; });
    {
        PollTimer::Busy busy(t);
        t.setInterval(2);
        spin(20);
        EXPECT_EQ(ticks, 0);
    }
    spin(20);
    t.setInterval(0);
    EXPECT_GE(ticks, 1);
}
