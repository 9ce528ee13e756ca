// A printer that stays failed hands its tickets to its backup printer after
// the delay of impresoras.ini, marked with the printer they were meant for;
// it gets none of them again when it comes back.
#include "kitchen/BackupPrinters.h"
#include "kitchen/KitchenLedger.h"
#include "kitchen/PrintingSupport.h"

#include <QDir>
#include <QFile>

using namespace tpv;
using namespace tpv::test;

namespace {

class Backup : public Printing {
protected:
    void SetUp() override {
        Printing::SetUp();
        declare(QStringLiteral("[Barra]\nrespaldo=Cocina\nrespaldo_tras=30\n"));
    }
    QString tickLogged() {
        testing::internal::CaptureStderr();
        tick();
        return QString::fromStdString(testing::internal::GetCapturedStderr());
    }
    QString barraInList() const {
        for (const QString &l : f->printerStates.texts())
            if (l.startsWith(QStringLiteral("Barra"))) return l;
        return {};
    }
    int pending() const { return scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")); }
};

}  // namespace

TEST_F(Backup, ABarDownLongerThanItsDelayHandsItsTicketsToTheKitchenAndTakesThemBackWhenMended) {
    start();
    down("Barra");
    demo::addOrder(*server, 1, fecha, 40, 2, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 2)}, {});
    tickLogged();
    EXPECT_EQ(pending(), 1) << "before the delay the ticket waits for its own printer";
    clock.advance(29000);
    tickLogged();
    EXPECT_EQ(pending(), 1);
    EXPECT_TRUE(tickets(QStringLiteral("Cocina")).isEmpty());
    clock.advance(2000);
    const QString log = tickLogged();
    EXPECT_EQ(pending(), 0) << f->statusLine.caption().toStdString();
    const KitchenLedger cocina = KitchenLedger::of(tickets(QStringLiteral("Cocina")));
    EXPECT_EQ(cocina.made.value(QStringLiteral("40 Caña")), 2);
    EXPECT_EQ(cocina.backupFor, QStringList{QStringLiteral("Barra")});
    EXPECT_TRUE(log.contains(QStringLiteral("La impresora Barra falla desde hace 31 s"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("sus tickets van a Cocina"))) << log.toStdString();
    EXPECT_TRUE(barraInList().endsWith(QStringLiteral(", desviada a Cocina"))) << barraInList().toStdString();

    // Mended: the next ticket goes to the bar itself, and the bar never
    // gets the cañas the kitchen printed for it.
    back("Barra");
    demo::addOrder(*server, 1, fecha, 41, 2, {line(QStringLiteral("AGUA"), QStringLiteral("Agua mineral"), 1)}, {});
    const QString after = tickLogged();
    EXPECT_TRUE(after.contains(QStringLiteral("La impresora Barra vuelve a imprimir sus tickets")))
        << after.toStdString();
    const KitchenLedger barra = KitchenLedger::of(tickets(QStringLiteral("Barra")));
    EXPECT_EQ(barra.made, (QMap<QString, double>{{QStringLiteral("41 Agua mineral"), 1}}));
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).size(), 1);
    EXPECT_FALSE(barraInList().contains(QStringLiteral("desviada")));
}

TEST_F(Backup, ABackupThatFailsTooLeavesTheJobPendingAndEachDishPrintsOnceLater) {
    start();
    down("Barra");
    down("Cocina");
    demo::addOrder(*server, 1, fecha, 42, 2,
                   {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1),
                    line(QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1)},
                   {});
    tickLogged();
    clock.advance(40000);
    tickLogged();
    EXPECT_EQ(pending(), 1);
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora"));
    back("Cocina");
    tickLogged();
    back("Barra");
    tickLogged();
    tickLogged();
    const KitchenLedger cocina = KitchenLedger::of(tickets(QStringLiteral("Cocina")));
    EXPECT_EQ(cocina.made, (QMap<QString, double>{{QStringLiteral("42 Caña"), 1}, {QStringLiteral("42 Entrecot"), 1}}));
    EXPECT_EQ(cocina.backupFor, QStringList{QStringLiteral("Barra")});
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).isEmpty());
    EXPECT_EQ(pending(), 0);
}

TEST(BackupSettings, MistakesNamePrinterAndLineAndTheOtherBackupsStillLoad) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("impresoras.ini"));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "[Barra]\nrespaldo=Barra\n\n[Postres]\nrespaldo=Cocina ; la de la cocina\nrespaldo_tras=pronto\n\n"
        "[Cocina]\nconexion=tcp://127.0.0.1:9100\nrespaldo=Barra\nrespaldo_tras=5\n");
    f.close();
    QStringList errors;
    const auto settings = readBackupSettings(ini, &errors);
    ASSERT_EQ(errors.size(), 2) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(errors[0],
              QStringLiteral("impresoras.ini, línea 2, impresora Barra: una impresora no puede ser su propio "
                             "respaldo"));
    EXPECT_TRUE(
        errors[1].startsWith(QStringLiteral("impresoras.ini, línea 6, impresora Postres: respaldo_tras=pronto")));
    EXPECT_FALSE(settings.contains(QStringLiteral("Barra")));
    EXPECT_EQ(settings.value(QStringLiteral("Postres")).backup, QStringLiteral("Cocina"));
    EXPECT_EQ(settings.value(QStringLiteral("Postres")).afterSeconds, 30);
    EXPECT_EQ(settings.value(QStringLiteral("Cocina")).afterSeconds, 5);
    EXPECT_TRUE(readBackupSettings(dir.filePath(QStringLiteral("no-existe.ini")), &errors).isEmpty());
}
