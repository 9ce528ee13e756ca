// The message boxes hear of a printing failure at every run that fails, and
// of its end once a tick polled the queue and met none (the window closes
// its box then); a tick that could not poll says neither.
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using namespace tpv;
using namespace tpv::test;

namespace {

class RecordedFailures : public HeadlessDialogs {
public:
    RecordedFailures() : HeadlessDialogs(false) {}
    void printingFailed(const QString &text, const QString &detail) override { failures << text + " | " + detail; }
    void printingWorks() override { ++works; }
    QStringList failures;
    int works = 0;
};

class FailureBox : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        otherDialogs = &recorded;
    }
    QString barra() const { return QDir(printersDir).filePath(QStringLiteral("Barra")); }
    RecordedFailures recorded;
};

}  // namespace

TEST_F(FailureBox, TheFailureIsToldAtEveryFailingRunAndItsEndOnlyAfterATickThatPolled) {
    start();
    QDir(barra()).removeRecursively();
    demo::addOrder(*server, 1, fecha, 30, 2, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    quietTick();
    quietTick();
    ASSERT_EQ(recorded.failures.size(), 2);
    EXPECT_TRUE(recorded.failures[0].startsWith(
        QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora | Barra: ")))
        << recorded.failures[0].toStdString();
    EXPECT_EQ(recorded.works, 0);

    // The order database goes away: nothing was polled, nothing is known of
    // the printer.
    server.reset();
    ASSERT_TRUE(QFile::rename(serverDb, serverDb + QStringLiteral(".fuera")));
    quietTick();
    EXPECT_EQ(recorded.works, 0);
    ASSERT_TRUE(QFile::rename(serverDb + QStringLiteral(".fuera"), serverDb));

    QDir().mkpath(barra());
    quietTick();  // the connections opened anew
    quietTick();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    EXPECT_GE(recorded.works, 1);
    EXPECT_EQ(recorded.failures.size(), 2);
}
