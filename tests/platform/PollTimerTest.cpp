#include "compat/Dialogs.h"
#include "platform/PollTimer.h"
#include "support/ManualTimerEngine.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tpv;

namespace {

// A poll timer on hand-driven time, counting its ticks and how deep they nest.
struct Timer {
    Timer() {
        auto e = std::make_unique<ManualTimerEngine>();
        engine = e.get();
        t = std::make_unique<PollTimer>(std::move(e));
        t->setTick([this] {
            ++depth;
            maxDepth = std::max(maxDepth, depth);
            ++ticks;
            if (during) during();
            --depth;
        });
    }
    ManualTimerEngine *engine;
    std::unique_ptr<PollTimer> t;
    std::function<void()> during;
    int depth = 0, maxDepth = 0, ticks = 0;
};

}  // namespace

TEST(PollTimer, ATickThatFallsDueWhileAMessageBoxIsOpenRunsAfterItNeverInside) {
    Timer tm;
    ScriptedDialogs dialogs(false);
    // The box keeps the event loop turning for three intervals.
    dialogs.whileOpen = [&](const ScriptedDialogs::Shown &) { tm.engine->advance(300); };
    tm.during = [&] {
        tm.t->setInterval(100);
        if (tm.ticks == 1) dialogs.message(QStringLiteral("Imposible"), QStringLiteral("ATENCIÓN"), MsgIcon::Critical);
    };
    tm.t->setInterval(100);
    tm.engine->advance(100);
    EXPECT_EQ(tm.maxDepth, 1);
    // The tick held during the box ran once the box closed, once.
    EXPECT_EQ(tm.ticks, 2);
    tm.engine->runPosted();
    EXPECT_EQ(tm.ticks, 2);
    tm.engine->advance(100);
    EXPECT_EQ(tm.ticks, 3);
}

TEST(PollTimer, ATickHeldByStartUpRunsOnceStartUpEnds) {
    Timer tm;
    {
        PollTimer::Busy busy(*tm.t);
        tm.t->setInterval(2);
        tm.engine->advance(10);
        EXPECT_EQ(tm.ticks, 0);
    }
    tm.engine->runPosted();
    EXPECT_EQ(tm.ticks, 1);
}

TEST(PollTimer, ZeroIntervalStopsPollingAfterTheRunningTickAndNothingHeldRunsThen) {
    Timer tm;
    tm.during = [&] {
        // A tick falls due inside this one, then polling is stopped.
        tm.t->runTick();
        tm.t->setInterval(0);
    };
    tm.t->setInterval(1);
    tm.engine->advance(1000);
    EXPECT_EQ(tm.ticks, 1);
    EXPECT_FALSE(tm.t->isActive());
}

TEST(PollTimer, TheIntervalCountsFromTheTickNotFromTheStart) {
    Timer tm;
    // Each tick sets the interval anew, as the poll does with Tiempo.
    tm.during = [&] { tm.t->setInterval(500); };
    tm.t->setInterval(1000);
    tm.engine->advance(999);
    EXPECT_EQ(tm.ticks, 0);
    tm.engine->advance(1);
    EXPECT_EQ(tm.ticks, 1);
    tm.engine->advance(499);
    EXPECT_EQ(tm.ticks, 1);
    tm.engine->advance(1);
    EXPECT_EQ(tm.ticks, 2);
}

TEST(PollTimer, AfterStopForGoodNeitherTheTimerNorAHeldTickRuns) {
    Timer tm;
    tm.during = [&] {
        tm.t->runTick();  // held
        tm.t->stopForGood();
        tm.t->setInterval(100);  // too late: the program is ending
    };
    tm.t->setInterval(100);
    tm.engine->advance(1000);
    EXPECT_EQ(tm.ticks, 1);
    EXPECT_FALSE(tm.t->isActive());
}

TEST(PollTimer, AnActionAskedDuringATickRunsAfterItBeforeTheHeldTickAndNeverInside) {
    Timer tm;
    std::vector<std::string> order;
    tm.during = [&] {
        order.push_back("tick");
        if (tm.ticks == 1) {
            // A click taken while the tick waits on a printer, and the tick
            // that falls due meanwhile.
            tm.t->whenIdle([&] { order.push_back(tm.depth == 0 ? "action" : "action inside a tick"); });
            tm.t->runTick();
        }
    };
    tm.t->whenIdle([&] { order.push_back("action at once"); });
    tm.t->setInterval(100);
    tm.engine->advance(100);
    EXPECT_EQ(order, (std::vector<std::string>{"action at once", "tick", "action", "tick"}));
    EXPECT_EQ(tm.maxDepth, 1);
}

TEST(PollTimer, NothingAskedForLaterRunsOnceTheProgramIsEnding) {
    Timer tm;
    bool ran = false;
    tm.during = [&] {
        tm.t->whenIdle([&] { ran = true; });
        tm.t->stopForGood();
    };
    tm.t->setInterval(100);
    tm.engine->advance(1000);
    tm.t->whenIdle([&] { ran = true; });
    EXPECT_FALSE(ran);
}

TEST(ManualTimerEngine, CallsSetForLaterRunInTimeOrderWithTheTicksAndACancelledOneNever) {
    ManualTimerEngine e;
    std::vector<std::string> order;
    long long movedTo = 0;
    e.onTimeMoved = [&](int ms) { movedTo += ms; };
    e.fired = [&] { order.push_back("tick@" + std::to_string(e.now())); };
    e.start(100);
    e.runLater(150, [&] { order.push_back("later@" + std::to_string(e.now())); });
    const int cancelled = e.runLater(50, [&] { order.push_back("cancelled"); });
    e.runLater(0, [&] { order.push_back("now@" + std::to_string(e.now())); });
    e.cancel(cancelled);
    e.advance(250);
    EXPECT_EQ(order, (std::vector<std::string>{"now@0", "tick@100", "later@150", "tick@200"}));
    EXPECT_EQ(movedTo, 250) << "a fixed clock following the timer moves as far";
}
