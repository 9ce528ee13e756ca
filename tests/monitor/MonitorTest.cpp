// The monitoring of a running server, in-process with the hand-driven timer
// and clock: what the snapshot says after each step, the health and the
// alerts of the log.
#include "monitor/MonitorSupport.h"

#include "support/HookedOutput.h"

#include <QRegularExpression>

using namespace tpv;
using namespace tpv::test;

TEST_F(Watched, APrinterDownLongerThanFiveMinutesAndItsJobAreAlertsOnceWhenTheyStartAndEnd) {
    routeAllTo(3);
    orderOfOneCana(40);
    startWatched();
    down(QStringLiteral("Postres"));
    quietTick();
    EXPECT_EQ(health().word(), QStringLiteral("aviso"));
    EXPECT_TRUE(alerts.isEmpty());
    ASSERT_NE(printer(QStringLiteral("Postres")), nullptr);
    EXPECT_EQ(printer(QStringLiteral("Postres"))->waiting, QStringList{QStringLiteral("40 (trabajo 1)")});

    clock.advance(121 * 1000);
    quietTick();
    EXPECT_EQ(health().word(), QStringLiteral("mal"));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(
        alerts[0].startsWith(QStringLiteral("<3>ALERTA: trabajos pendientes desde hace más de 2 min: trabajo 1 "
                                            "(Comanda 40 del día 07/12/2026) desde hace 2 min 1 s")))
        << alerts[0].toStdString();

    clock.advance(180 * 1000);
    quietTick();
    quietTick();
    ASSERT_EQ(alerts.size(), 2) << alerts.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(alerts[1].startsWith(QStringLiteral("<3>ALERTA: La impresora Postres falla desde hace 5 min 1 s")))
        << alerts[1].toStdString();
    EXPECT_TRUE(alerts[1].endsWith(QStringLiteral("espera la comanda 40 (trabajo 1)"))) << alerts[1].toStdString();

    back(QStringLiteral("Postres"));
    clock.advance(1000);
    quietTick();
    EXPECT_EQ(tickets(QStringLiteral("Postres")).size(), 1);
    ASSERT_EQ(alerts.size(), 3) << alerts.join(QLatin1Char('\n')).toStdString();
    // The pending jobs are those the poll read, as the operator's list
    // shows them: the next poll no longer finds the job.
    quietTick();
    EXPECT_EQ(health().word(), QStringLiteral("bien")) << health().reasons.join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(alerts.size(), 4) << alerts.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(alerts[2],
              QStringLiteral("<3>FIN DE ALERTA: la impresora Postres ya no falla (fallaba desde hacía 5 min 2 s)"));
    EXPECT_EQ(alerts[3], QStringLiteral("<3>FIN DE ALERTA: ningún trabajo lleva más de 2 min pendiente"));
    EXPECT_TRUE(printer(QStringLiteral("Postres"))->waiting.isEmpty());
}

TEST_F(Watched, APrinterWhoseBackupTakesItsTicketsIsAWarningNotABadHealth) {
    declare(QStringLiteral("[Postres]\nrespaldo=Cocina\nrespaldo_tras=30\n"));
    routeAllTo(3);
    orderOfOneCana(41);
    startWatched();
    down(QStringLiteral("Postres"));
    quietTick();
    clock.advance(31 * 1000);
    quietTick();
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).size(), 1);
    clock.advance(300 * 1000);
    quietTick();
    const Health h = health();
    EXPECT_EQ(h.word(), QStringLiteral("aviso")) << h.reasons.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(printer(QStringLiteral("Postres"))->standIn, QStringLiteral("Cocina"));
    const QByteArray metrics = metricsText(*snapshot(), clock.steadyMs());
    EXPECT_TRUE(metrics.contains("lector_tpv_respaldo_activo{impresora=\"Postres\"} 1\n"));
    EXPECT_TRUE(metrics.contains("lector_tpv_tickets_total{impresora=\"Cocina\"} 1\n"));
    // The log still says the printer has been failing for long.
    ASSERT_EQ(alerts.size(), 1) << alerts.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(alerts[0].contains(QStringLiteral("sus tickets van a Cocina"))) << alerts[0].toStdString();
}

TEST_F(Watched, ALostOrderDatabaseIsBadHealthAndEachFailedPollIsCounted) {
    startWatched();
    quietTick();
    EXPECT_EQ(health().word(), QStringLiteral("bien"));
    server.reset();
    ASSERT_TRUE(QFile::remove(serverDb));
    quietTick();
    quietTick();
    const Health h = health();
    EXPECT_EQ(h.word(), QStringLiteral("mal"));
    ASSERT_FALSE(h.reasons.isEmpty());
    EXPECT_TRUE(h.reasons[0].startsWith(QStringLiteral("No se puede consultar la base de datos de comandas")))
        << h.reasons[0].toStdString();
    const QByteArray metrics = metricsText(*snapshot(), clock.steadyMs());
    EXPECT_TRUE(metrics.contains("lector_tpv_base_datos_accesible 0\n"));
    EXPECT_TRUE(metrics.contains("lector_tpv_consultas_fallidas_total 2\n"));
    EXPECT_TRUE(metrics.contains("lector_tpv_salud{estado=\"mal\"} 1\n"));
}

TEST_F(Watched, AFailureLastingSeveralPollsIsOneCaidaAndTheNextFailureAnother) {
    routeAllTo(3);
    orderOfOneCana(42);
    startWatched();
    auto has = [&](const char *sample) {
        const QByteArray metrics = metricsText(*snapshot(), clock.steadyMs());
        return metrics.contains(sample) ? testing::AssertionSuccess() : testing::AssertionFailure() << metrics.data();
    };
    EXPECT_TRUE(has("lector_tpv_impresora_caidas_total{impresora=\"Postres\"} 0\n"));
    down(QStringLiteral("Postres"));
    for (int poll = 0; poll < 3; ++poll) quietTick();
    EXPECT_TRUE(has("lector_tpv_fallos_total{impresora=\"Postres\",causa=\"sin_conexion\"} 3\n"));
    EXPECT_TRUE(has("lector_tpv_impresora_caidas_total{impresora=\"Postres\"} 1\n"));
    back(QStringLiteral("Postres"));
    quietTick();
    ASSERT_EQ(tickets(QStringLiteral("Postres")).size(), 1);
    orderOfOneCana(43);
    down(QStringLiteral("Postres"));
    quietTick();
    EXPECT_TRUE(has("lector_tpv_impresora_caidas_total{impresora=\"Postres\"} 2\n"));
    EXPECT_TRUE(has("lector_tpv_impresora_caidas_total{impresora=\"Cocina\"} 0\n"));
}

TEST_F(Watched, TheSnapshotSaysWhichPrinterATicketIsOnItsWayToWhileItGoes) {
    routeAllTo(1);
    orderOfOneCana(42);
    start();
    // In the printer's place: the ticket is on its way.
    std::shared_ptr<const Snapshot> during;
    HookedOutput hooked(f->output(), {}, [&](const QString &, const Document &) { during = snapshot(); });
    f->setOutput(hooked);
    watch();
    quietTick();
    ASSERT_NE(during, nullptr);
    EXPECT_EQ(during->sendingTo, QStringLiteral("Cocina"));
    EXPECT_EQ(during->sendingOrder, QStringLiteral("42 (trabajo 1)"));
    EXPECT_TRUE(snapshot()->sendingTo.isEmpty());
    EXPECT_EQ(snapshot()->tickets.value(QStringLiteral("Cocina")), 1);
}

TEST_F(Watched, ATicketTheJournalKeepsBackIsNeitherCountedNorLoggedAsSent) {
    // Cocina prints its part at once; Postres fails for three polls and the
    // job runs again each time.
    exec(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 1, destino2 = 3"));
    orderOfOneCana(43);
    startWatched();
    down(QStringLiteral("Postres"));
    QString log;
    for (int i = 0; i < 3; ++i) {
        testing::internal::CaptureStderr();
        tick();
        log += QString::fromStdString(testing::internal::GetCapturedStderr());
    }
    back(QStringLiteral("Postres"));
    testing::internal::CaptureStderr();
    tick();
    log += QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).size(), 1);
    EXPECT_EQ(tickets(QStringLiteral("Postres")).size(), 1);
    EXPECT_EQ(log.count(QStringLiteral("Ticket enviado: trabajo 1, comanda 43, impresora Cocina")), 1)
        << log.toStdString();
    EXPECT_EQ(log.count(QStringLiteral("Ticket enviado: trabajo 1, comanda 43, impresora Postres")), 1)
        << log.toStdString();
    EXPECT_EQ(snapshot()->tickets.value(QStringLiteral("Cocina")), 1);
    EXPECT_EQ(snapshot()->tickets.value(QStringLiteral("Postres")), 1);
    qint64 failures = 0;
    for (const auto &[key, count] : snapshot()->failures)
        failures += key.first == QStringLiteral("Postres") ? count : 0;
    EXPECT_EQ(failures, 3);
    // The failure line of the log was written once, not at every poll, and
    // its end once.
    const QStringList lines = log.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^Imposible Iniciar Impresión"))).size(), 1)
        << log.toStdString();
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^Se ha recuperado: Imposible Iniciar"))).size(), 1)
        << log.toStdString();
}

TEST_F(Watched, AJobTakenOutOfTheQueueNoLongerWaitsOnItsPrinter) {
    routeAllTo(3);
    orderOfOneCana(46);
    startWatched();
    down(QStringLiteral("Postres"));
    quietTick();
    ASSERT_EQ(printer(QStringLiteral("Postres"))->waiting.size(), 1);
    exec(QStringLiteral("DELETE FROM PendGar"));
    clock.advance(1000);
    quietTick();
    EXPECT_TRUE(printer(QStringLiteral("Postres"))->waiting.isEmpty());
    EXPECT_TRUE(snapshot()->pending.empty());
}
