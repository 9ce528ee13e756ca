// The screens' cards kept in the order database, on SQLite and on SQL
// Server (the project's TDS server): a new process reads the same cards,
// a card done comes back, and only the last ten done are kept.
#include "compat/Error.h"
#include "devices/screen/ScreenStore.h"
#include "sql/SqlConnection.h"
#include "sql/TdsSupport.h"
#include "support/FakeScreenPage.h"
#include "demo_data.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tpv;
using namespace tpv::test;

namespace {

class ScreenStoreOn : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            tds = std::make_unique<TdsEndpoint>(tmp.filePath(QStringLiteral("tds")));
            connect = [this] {
                if (unreachable) throw TpvError(err::CannotOpen, QStringLiteral("No se alcanza el servidor"));
                return tds->connect();
            };
        } else {
            const QString file = tmp.filePath(QStringLiteral("pedidos.db"));
            createSqliteFile(file);
            connect = [file] { return openSqliteFile(file); };
        }
    }
    // A process's screen: its hub and store, its cards read, a page open.
    struct Process {
        explicit Process(const ScreenStore::Connect &connect)
            : hub({ScreenConfig{QStringLiteral("Barra"), "clave-de-la-barra", 8, 15, {}}}),
              store(std::make_shared<ScreenStore>(connect, hub)) {
            hub.setStore(store);
            store->start();
            EXPECT_TRUE(QTest::qWaitFor([this] { return store->loaded(); }, 10000));
            page = FakeScreenPage::open(hub, QStringLiteral("Barra"));
        }
        ~Process() {
            page->close();
            hub.setStore(nullptr);
        }
        void show(const QString &dish) {
            Document d;
            d.addLine(LineRole::TableOrder, QStringLiteral("Mesa 4 Comanda N.  9"));
            d.addLine(LineRole::Dish, QStringLiteral("1 ") + dish);
            d.title = dish;
            bool unreachable = false;
            hub.showAndKeep(QStringLiteral("Barra"), d, &unreachable);
        }
        ScreenHub hub;
        std::shared_ptr<ScreenStore> store;
        std::shared_ptr<FakeScreenPage> page;
    };

    QTemporaryDir tmp;
    std::unique_ptr<TdsEndpoint> tds;
    ScreenStore::Connect connect;
    std::atomic<bool> unreachable{false};
};

QJsonValue allDay(const FakeScreenPage &page) { return page.state().value(QLatin1String("todo_el_dia")); }
qint64 firstCardId(const FakeScreenPage &page) {
    return page.state()
        .value(QLatin1String("tarjetas"))
        .toArray()
        .first()
        .toObject()
        .value(QLatin1String("id"))
        .toInteger();
}

}  // namespace

TEST_P(ScreenStoreOn, ANewProcessShowsTheSameCardsAndOnlyTheLastTenDoneComeBack) {
    std::vector<qint64> ids;
    {
        Process first(connect);
        for (int i = 1; i <= 13; ++i) first.show(QStringLiteral("Caña %1").arg(i));
        for (const QJsonValue &c : first.page->state().value(QLatin1String("tarjetas")).toArray())
            ids.push_back(c.toObject().value(QLatin1String("id")).toInteger());
        ASSERT_EQ(ids.size(), 13u);
        for (size_t i = 0; i < 12; ++i) EXPECT_TRUE(first.hub.markDone(QStringLiteral("Barra"), ids[i]));
        EXPECT_EQ(first.store->holds(QStringLiteral("Barra"), QStringLiteral("Caña 3")), std::optional<bool>(true));
        EXPECT_EQ(first.store->holds(QStringLiteral("Barra"), QStringLiteral("Caña 99")), std::optional<bool>(false));
    }
    {
        Process second(connect);
        EXPECT_EQ(second.page->cards(), QStringList{QStringLiteral("Mesa 4: 1 Caña 13")});
        EXPECT_EQ(second.page->state().value(QLatin1String("hechas")).toInt(), 10);
        EXPECT_EQ(allDay(*second.page).toArray().size(), 1);
        // The last done first; the oldest two are gone for good.
        EXPECT_TRUE(second.hub.recall(QStringLiteral("Barra")));
        EXPECT_EQ(second.page->cards(),
                  (QStringList{QStringLiteral("Mesa 4: 1 Caña 12"), QStringLiteral("Mesa 4: 1 Caña 13")}));
        for (int i = 0; i < 9; ++i) EXPECT_TRUE(second.hub.recall(QStringLiteral("Barra")));
        EXPECT_FALSE(second.hub.recall(QStringLiteral("Barra")));
    }
    // What the pages did is written before the store ends.
    Process third(connect);
    EXPECT_EQ(third.page->cards().size(), 11);
    EXPECT_FALSE(third.page->cards().contains(QStringLiteral("Mesa 4: 1 Caña 2")));
    EXPECT_TRUE(third.page->cards().contains(QStringLiteral("Mesa 4: 1 Caña 3")));
}

// Done cards the table kept beyond the last ten (a forget that failed) go
// when the cards are read again.
TEST_P(ScreenStoreOn, DoneCardsBeyondTheLastTenLeftInTheTableAreForgottenWhenTheCardsAreRead) {
    {
        Process first(connect);
        for (int i = 1; i <= 12; ++i) first.show(QStringLiteral("Caña %1").arg(i));
    }
    connect()->execute(QStringLiteral("UPDATE LectorPantalla SET hecha = llegada"));
    Process second(connect);
    EXPECT_EQ(second.page->state().value(QLatin1String("hechas")).toInt(), 10);
    EXPECT_EQ(second.store->holds(QStringLiteral("Barra"), QStringLiteral("Caña 2")), std::optional<bool>(false));
    EXPECT_EQ(second.store->holds(QStringLiteral("Barra"), QStringLiteral("Caña 3")), std::optional<bool>(true));
}

TEST_P(ScreenStoreOn, APcTakingTheTurnShowsTheCardsThePcBeforeItShowedAndMarkedDone) {
    Process standby(connect);
    Process active(connect);
    active.show(QStringLiteral("Caña"));
    active.show(QStringLiteral("Tortilla"));
    const qint64 first = firstCardId(*active.page);
    ASSERT_TRUE(active.hub.markDone(QStringLiteral("Barra"), first));
    ASSERT_EQ(active.store->holds(QStringLiteral("Barra"), QStringLiteral("Caña")), std::optional<bool>(true));
    EXPECT_TRUE(standby.page->cards().isEmpty());
    standby.store->reload();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !standby.page->cards().isEmpty(); }, 10000));
    EXPECT_EQ(standby.page->cards(), QStringList{QStringLiteral("Mesa 4: 1 Tortilla")});
    EXPECT_EQ(standby.page->state().value(QLatin1String("hechas")).toInt(), 1);
}

// The store reads the cards on its own thread; a process that closes
// meanwhile must not leave that thread the store's last owner.
TEST_P(ScreenStoreOn, AStoreClosedWhileItReadsTheCardsBackEndsWithoutAborting) {
    for (int i = 0; i < 100; ++i) {
        Process closing(connect);
        closing.store->reload();
    }
}

// A connection lost is the TDS server's to play.
class ScreenStoreLost : public ScreenStoreOn {};

TEST_P(ScreenStoreLost, ACardDoneWhileTheDatabaseIsGoneIsWrittenOnceItIsBack) {
    {
        Process first(connect);
        first.store->retryMs = 100;
        first.show(QStringLiteral("Caña"));
        const qint64 id = firstCardId(*first.page);
        // The connection drops, and the server cannot be reached for a while.
        tds->server().faultAt(tds::Fault::Drop, QStringLiteral("UPDATE LectorPantalla"));
        unreachable = true;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(first.hub.markDone(QStringLiteral("Barra"), id));
        EXPECT_EQ(first.store->holds(QStringLiteral("Barra"), QStringLiteral("Caña")), std::nullopt);
        unreachable = false;
        EXPECT_EQ(first.store->holds(QStringLiteral("Barra"), QStringLiteral("Caña")), std::optional<bool>(true));
        const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
        EXPECT_TRUE(log.contains(QStringLiteral("se reintenta"))) << log.toStdString();
    }
    Process second(connect);
    EXPECT_TRUE(second.page->cards().isEmpty());
    EXPECT_EQ(second.page->state().value(QLatin1String("hechas")).toInt(), 1);
}

INSTANTIATE_TEST_SUITE_P(Bases, ScreenStoreOn, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "SqlServer" : "SQLite"; });
INSTANTIATE_TEST_SUITE_P(Bases, ScreenStoreLost, ::testing::Values(true), [](const auto &) { return "SqlServer"; });
