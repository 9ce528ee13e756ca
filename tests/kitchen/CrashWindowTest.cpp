// A process that dies between a ticket reaching its printer and the journal
// noting it. The ticket was announced before it went out; at the next run of
// the order the printer is asked: a folder printer finds it by its title, or
// by its text when the process died before the ticket's second file; a
// ticket that never left is sent; a thermal printer cannot be asked, so the
// ticket goes again marked as a possible repeat.
#include "support/HookedOutput.h"
#include "devices/folder/FolderPrinters.h"
#include "kitchen/KitchenLedger.h"
#include "kitchen/PrintingSupport.h"

#include "support/LoopbackSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

using namespace tpv;
using namespace tpv::test;

namespace {

struct Killed {};

class CrashWindow : public Printing {
protected:
    // Runs one tick in which the process "dies" at the first ticket that
    // reaches `printer`: after the printer has it, or just before it goes.
    void dieAt(const QString &printer, bool afterLanding) {
        auto die = [printer](const QString &p, const Document &) {
            if (p == printer) throw Killed{};
        };
        HookedOutput hook(f->output(), afterLanding ? HookedOutput::Hook(die) : HookedOutput::Hook(),
                          afterLanding ? HookedOutput::Hook() : HookedOutput::Hook(die));
        f->setOutput(hook);
        testing::internal::CaptureStderr();
        EXPECT_THROW(tick(), Killed);
        testing::internal::GetCapturedStderr();
        f->setOutput(f->printerOutput());
    }
    // A new process on the same folders.
    void restart() {
        Harness::restart();
        quietTick();
        quietTick();
    }
    void threeDishesOfOrder(int order) {
        demo::addOrder(*server, 1, fecha, order, 2,
                       {line(QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1),
                        line(QStringLiteral("CAN"), QStringLiteral("Caña"), 2),
                        line(QStringLiteral("FLAN"), QStringLiteral("Flan casero"), 1)},
                       {});
    }
    QStringList documents(const char *printer) const {
        return FolderPrinters::documents(QDir(printersDir).filePath(QString::fromLatin1(printer)));
    }
};

}  // namespace

TEST_F(CrashWindow, ATicketThatLandedOnAFolderPrinterIsFoundByItsTitleAndNotPrintedAgain) {
    threeDishesOfOrder(20);
    start();
    dieAt(QStringLiteral("Barra"), true);
    ASSERT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    restart();
    for (const char *p : {"Cocina", "Barra", "Postres"}) EXPECT_EQ(tickets(QString::fromLatin1(p)).size(), 1) << p;
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
}

// The folder printer writes the text, then the file that names it: a process
// that dies between the two leaves a ticket the kitchen has, known by its text.
TEST_F(CrashWindow, ATicketWhoseSecondFileNeverCameIsFoundByItsTextAndNotPrintedAgain) {
    threeDishesOfOrder(21);
    start();
    dieAt(QStringLiteral("Cocina"), true);
    const QStringList cocina = documents("Cocina");
    ASSERT_EQ(cocina.size(), 1);
    QString json = cocina.front();
    json.replace(QStringLiteral(".txt"), QStringLiteral(".json"));
    ASSERT_TRUE(QFile::remove(json));
    restart();
    for (const char *p : {"Cocina", "Barra", "Postres"}) EXPECT_EQ(tickets(QString::fromLatin1(p)).size(), 1) << p;
}

TEST_F(CrashWindow, ATicketAnnouncedButNeverSentIsSentAtTheNextRun) {
    threeDishesOfOrder(22);
    start();
    dieAt(QStringLiteral("Barra"), false);
    ASSERT_EQ(tickets(QStringLiteral("Barra")).size(), 0);
    restart();
    for (const char *p : {"Cocina", "Barra", "Postres"}) EXPECT_EQ(tickets(QString::fromLatin1(p)).size(), 1) << p;
    EXPECT_TRUE(KitchenLedger::of(tickets(QStringLiteral("Barra"))).maybeAgain.isEmpty());
}

// A thermal printer keeps nothing that can be asked: the ticket goes again,
// and the cook is told it may be a repeat. Dishes added meanwhile go on a
// ticket of their own, unmarked.
TEST_F(CrashWindow, AThermalPrinterGetsTheTicketAgainMarkedAsAPossibleRepeat) {
    const QString dir = tmp.filePath(QStringLiteral("termica"));
    ASSERT_TRUE(QDir().mkpath(dir));
    QProcess tool;
    QString said;
    const int port = startThermalPrinter(tool, dir, &said);
    ASSERT_NE(port, 0) << said.toStdString();
    declare(QStringLiteral("[Cocina]\nconexion=tcp://127.0.0.1:%1\n").arg(port));
    threeDishesOfOrder(23);
    start();
    dieAt(QStringLiteral("Cocina"), true);
    demo::addOrder(*server, 1, fecha, 23, 2, {line(QStringLiteral("CROQ"), QStringLiteral("Croquetas"), 1)}, {});
    restart();
    // The tool stores a ticket once it has read its cut.
    QStringList stored;
    for (int i = 0; i < 500 && stored.size() < 3; ++i) {
        stored = QDir(dir).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
        if (stored.size() < 3) QThread::msleep(10);
    }
    ASSERT_EQ(stored.size(), 3);
    auto text = [&](int i) {
        QFile f(QDir(dir).filePath(stored[i]));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    EXPECT_FALSE(text(0).contains(QStringLiteral("POSIBLE REPETICIÓN")));
    EXPECT_TRUE(text(1).contains(QStringLiteral("*** POSIBLE REPETICIÓN ***"))) << text(1).toStdString();
    EXPECT_TRUE(text(1).contains(QStringLiteral("Entrecot")));
    EXPECT_FALSE(text(1).contains(QStringLiteral("Croquetas")));
    EXPECT_TRUE(text(2).contains(QStringLiteral("Croquetas")));
    EXPECT_FALSE(text(2).contains(QStringLiteral("POSIBLE REPETICIÓN")));
    EXPECT_FALSE(text(2).contains(QStringLiteral("Entrecot")));
    tool.terminate();
    tool.waitForFinished(10000);
}
