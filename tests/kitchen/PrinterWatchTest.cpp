// The printers are looked at from the start and every few seconds between
// ticks: the list and the log say how each one is before a ticket fails on
// it, and a printer found failing counts as failing for its backup.
#include "kitchen/KitchenLedger.h"
#include "kitchen/PrintingSupport.h"

#include <QDir>
#include <QFile>

using namespace tpv;
using namespace tpv::test;

namespace {

class Watch : public Printing {
protected:
    // Moves time on, with the log kept; returns what was logged.
    QString pass(int ms) {
        testing::internal::CaptureStderr();
        advance(ms);
        return QString::fromStdString(testing::internal::GetCapturedStderr());
    }
    QString listed() const { return f->printerStates.texts().join(QLatin1Char('|')); }
    int pending() const { return scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")); }
};

}  // namespace

TEST_F(Watch, EveryPrinterIsListedWithItsStateFromTheStartAndEachChangeIsLoggedOnce) {
    start();
    down("Postres");
    // Before the first look nothing reads as a working printer.
    EXPECT_EQ(listed(), QStringLiteral("Barra: Sin comprobar|Cocina: Sin comprobar|Postres: Sin comprobar"));
    const QString first = pass(0);
    EXPECT_EQ(listed(), QStringLiteral("Barra: Lista|Cocina: Lista|Postres: Sin conexión"));
    EXPECT_TRUE(first.contains(QStringLiteral("La impresora Postres: Sin conexión"))) << first.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("La impresora Barra"))) << "a printer first seen ready is no news";
    EXPECT_FALSE(pass(4000).contains(QStringLiteral("La impresora Postres"))) << "no news, no line";
    back("Postres");
    const QString mended = pass(5000);
    EXPECT_TRUE(listed().contains(QStringLiteral("Postres: Lista"))) << listed().toStdString();
    EXPECT_TRUE(mended.contains(QStringLiteral("La impresora Postres: Lista"))) << mended.toStdString();
    EXPECT_TRUE(tickets(QStringLiteral("Postres")).isEmpty()) << "a look prints nothing";
}

// Without the looks the first ticket would start the thirty seconds: the
// order would wait half a minute more for a printer known to be down.
TEST_F(Watch, ABackupTakesTheFirstTicketAtOnceWhenLooksFoundThePrinterFailingLongEnough) {
    declare(QStringLiteral("[Barra]\nrespaldo=Cocina\nrespaldo_tras=30\n"));
    start();
    down("Barra");
    pass(31000);
    demo::addOrder(*server, 1, fecha, 40, 2, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 2)}, {});
    pass(1000);
    EXPECT_EQ(pending(), 0) << f->statusLine.caption().toStdString();
    const KitchenLedger cocina = KitchenLedger::of(tickets(QStringLiteral("Cocina")));
    EXPECT_EQ(cocina.made.value(QStringLiteral("40 Caña")), 2);
    EXPECT_EQ(cocina.backupFor, QStringList{QStringLiteral("Barra")});
}

// A printer whose folder is there but refuses the ticket's file passes every
// look: the looks must neither start its time of failure anew nor list it
// as ready.
TEST_F(Watch, LooksThatFindThePrinterWellNeitherRestartNorHideAFailureATicketSaw) {
    declare(QStringLiteral("[Barra]\nrespaldo=Cocina\nrespaldo_tras=30\n"));
    ASSERT_TRUE(QDir(QDir(printersDir).filePath(QStringLiteral("Barra"))).mkdir(QStringLiteral("000001.txt")));
    start();
    demo::addOrder(*server, 1, fecha, 41, 2, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    pass(10000);
    EXPECT_EQ(pending(), 1);
    EXPECT_TRUE(listed().startsWith(QStringLiteral("Barra: Error"))) << listed().toStdString();
    pass(21000);
    EXPECT_EQ(pending(), 0) << "the backup took over thirty seconds after the first failed ticket";
    EXPECT_EQ(KitchenLedger::of(tickets(QStringLiteral("Cocina"))).backupFor, QStringList{QStringLiteral("Barra")});
}

// A ticket and a look that meet the same fault (the folder replaced by a
// file) name it alike, so the log has one line for it, not one at every
// ticket and look that follow each other.
TEST_F(Watch, APrinterWhoseFolderIsAFileIsOneLogLineWhateverTicketsAndLooksFindIt) {
    start();
    const QString barra = QDir(printersDir).filePath(QStringLiteral("Barra"));
    ASSERT_TRUE(QDir(barra).removeRecursively());
    QFile file(barra);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    demo::addOrder(*server, 1, fecha, 42, 2, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    const QString logged = pass(20000);
    EXPECT_EQ(pending(), 1);
    EXPECT_EQ(logged.count(QStringLiteral("La impresora Barra:")), 1) << logged.toStdString();
    EXPECT_TRUE(listed().startsWith(QStringLiteral("Barra: Sin conexión"))) << listed().toStdString();
}
