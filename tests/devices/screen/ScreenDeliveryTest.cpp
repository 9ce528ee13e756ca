// A screen's ticket is delivered once a page has shown it: a page that does
// not show it in time leaves nothing behind and the job waits, and a card
// kept before the process died is found again rather than shown twice.
#include "devices/screen/ScreenSupport.h"
#include "support/HookedOutput.h"

using namespace tpv;
using namespace tpv::test;

TEST_F(KitchenScreen, APageThatDoesNotShowTheCardInTimeLeavesNoCardAndTheJobWaits) {
    startScreens();
    screens->shownWithinMs = 300;
    const auto silent = FakeScreenPage::open(*screens, kScreen, false);
    orderOfOneCana(30);
    quietTick();
    EXPECT_EQ(pending(), 1);
    EXPECT_TRUE(silent->cards().isEmpty()) << silent->cards().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM LectorPantalla")), 0);
    EXPECT_TRUE(screenInList().contains(QStringLiteral("Sin conexión"))) << screenInList().toStdString();

    // A page that shows it takes the same dishes once, at the next tick
    // (given the usual time, so that a busy machine cannot fail it).
    screens->shownWithinMs = ScreenHub::kShownWithinMs;
    const auto page = FakeScreenPage::open(*screens, kScreen);
    quietTick();
    EXPECT_EQ(pending(), 0);
    EXPECT_EQ(page->cards(), QStringList{QStringLiteral("Mesa 1: 1 Caña")});
}

TEST_F(KitchenScreen, ACardKeptBeforeTheProcessDiedIsFoundAgainAndNotShownTwice) {
    struct Killed {};
    startScreens();
    auto page = FakeScreenPage::open(*screens, kScreen);
    orderOfOneCana(31);
    HookedOutput dies(f->output(), [](const QString &, const Document &) { throw Killed{}; });
    f->setOutput(dies);
    testing::internal::CaptureStderr();
    EXPECT_THROW(tick(), Killed);
    testing::internal::GetCapturedStderr();
    page->close();
    restartScreens();
    page = FakeScreenPage::open(*screens, kScreen);
    quietTick();
    EXPECT_EQ(pending(), 0);
    EXPECT_EQ(page->cards(), QStringList{QStringLiteral("Mesa 1: 1 Caña")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM LectorPantalla")), 1);
}
