// Every dish reaches every kitchen printer exactly once: what completion
// marks, printers failing part way, the journal of deliveries.
#include "printing/PrintingSupport.h"
#include "printing/TicketOutput.h"

#include <QDir>
#include <QFile>

using namespace tpv;
using namespace tpv::test;

namespace {

// Sends through the port it wraps and runs a hook after each ticket.
class AfterEachTicket : public TicketOutput {
public:
    AfterEachTicket(TicketOutput &inner, std::function<void(const QString &)> after) : inner_(inner), after_(std::move(after)) {}
    void beginSending(const SendingKey &key) override { inner_.beginSending(key); }
    void sendingCompleted() override { inner_.sendingCompleted(); }
    void send(const QString &printer, const QString &text, const std::function<void()> &onSelected) override {
        inner_.send(printer, text, onSelected);
        if (after_) after_(printer);
    }

private:
    TicketOutput &inner_;
    std::function<void(const QString &)> after_;
};

class Delivery : public Printing {
protected:
    void quietTick() {
        testing::internal::CaptureStderr();
        tick();
        testing::internal::GetCapturedStderr();
    }
    int countIn(const QString &printer, const QString &needle) {
        int n = 0;
        for (const QString &t : tickets(printer)) n += t.count(needle);
        return n;
    }
};

}  // namespace

// --- What completion marks ---

TEST_F(Delivery, ALineAddedWhileTheRunPrintsIsNotMarkedPrintedAndPrintsOnceWithTheNextJob) {
    routeAllTo(1, 2);
    demo::addOrder(*server, 1, fecha, 30, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    bool added = false;
    AfterEachTicket hook(*f->output, [&](const QString &) {
        if (added) return;
        added = true;
        demo::addOrder(*server, 1, fecha, 30, 1, {line(QStringLiteral("AGUA"), QStringLiteral("Agua"), 1)}, {});
    });
    f->output = &hook;
    tick();
    tick();
    tick();
    for (const char *printer : {"Cocina", "Barra"}) {
        EXPECT_EQ(countIn(QString::fromLatin1(printer), QStringLiteral("Caña")), 1) << printer;
        EXPECT_EQ(countIn(QString::fromLatin1(printer), QStringLiteral("Agua")), 1) << printer;
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Til WHERE TilImp <> TilCant")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
}

TEST_F(Delivery, AQuantityRaisedWhileTheRunPrintsStaysUnprintedForTheNextJob) {
    routeAllTo(1);
    demo::addOrder(*server, 1, fecha, 31, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    bool changed = false;
    AfterEachTicket hook(*f->output, [&](const QString &) {
        if (changed) return;
        changed = true;
        exec(QStringLiteral("UPDATE Til SET TilCant = 3"));
    });
    f->output = &hook;
    tick();
    EXPECT_EQ(scalar(QStringLiteral("SELECT TilImp FROM Til")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
}

TEST_F(Delivery, ANullPrintedCountIsPrintedOnceInsteadOfMarkedPrintedUnseen) {
    routeAllTo(1);
    demo::addOrder(*server, 1, fecha, 32, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)},
                   {dish(QStringLiteral("ENSA"), QStringLiteral("Ensalada"), 1)});
    exec(QStringLiteral("UPDATE Til SET TilImp = NULL"));
    exec(QStringLiteral("UPDATE Tilm SET Imp = NULL"));
    start();
    tick();
    tick();
    EXPECT_EQ(countIn(QStringLiteral("Cocina"), QStringLiteral("Caña")), 1);
    EXPECT_EQ(countIn(QStringLiteral("Cocina"), QStringLiteral("Ensalada")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT TilImp = TilCant FROM Til")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Imp = Cantidad FROM Tilm")), 1);
}
