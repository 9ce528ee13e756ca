// lector-tpv --probar-impresora, run as the installer runs it: a data folder
// that holds nothing but impresoras.ini, folder printers, and the virtual
// kitchen printer as a process.
#include "sql/SqlConnection.h"
#include "support/LoopbackSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace tpv;

namespace {

class PrinterTrial : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(dataDir()));
        ASSERT_TRUE(QDir().mkpath(QDir(printersDir()).filePath(QStringLiteral("Barra"))));
    }
    void TearDown() override {
        if (tool.state() == QProcess::NotRunning) return;
        tool.terminate();
        tool.waitForFinished(10000);
    }
    QString dataDir() const { return tmp.filePath(QStringLiteral("datos")); }
    QString printersDir() const { return tmp.filePath(QStringLiteral("impresoras")); }
    QString thermalDir() const { return tmp.filePath(QStringLiteral("termica")); }

    // The virtual printer declared as Cocina with the lines given.
    void declareKitchen(const QStringList &toolOptions = {}, const QString &more = {}) {
        QString said;
        const int port = test::startThermalPrinter(tool, thermalDir(), &said, toolOptions);
        ASSERT_NE(port, 0) << said.toStdString();
        QFile ini(QDir(dataDir()).filePath(QStringLiteral("impresoras.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[Cocina]\nconexion=tcp://127.0.0.1:%1\n%2").arg(port).arg(more).toUtf8());
    }
    void setKitchenState(const char *word) {
        QFile f(QDir(thermalDir()).filePath(QStringLiteral("estado")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(word);
    }

    struct Run {
        int exitCode = -999;
        QString out, err;
    };
    // Runs the test on that printer, with the folder printers unless
    // withCups (then CUPS's queues stand beside the declared printers).
    Run probar(const QString &printer, bool withCups = false) const {
        QProcess p;
        QStringList args{QStringLiteral("--probar-impresora"), printer, QStringLiteral("--data-dir"), dataDir()};
        if (!withCups) args << QStringLiteral("--printers") << printersDir();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("TPV_PRINTERS_DIR"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TPV_PROGRAM), args);
        Run r;
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    // The virtual printer stores a ticket once it has its cut.
    QByteArray stored(const QString &name) const {
        QFile f(QDir(thermalDir()).filePath(name));
        for (int i = 0; i < 500 && !f.exists(); ++i) QThread::msleep(10);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir tmp;
    QProcess tool;
};

}  // namespace

TEST_F(PrinterTrial, ThermalPrinterGetsEveryLetterItsPageAndTheKitchenSizesWithoutAnyDatabase) {
    declareKitchen({QStringLiteral("--tablas"), QStringLiteral("858=6")}, QStringLiteral("tabla=6\naviso=cajon\n"));
    const Run r = probar(QStringLiteral("Cocina"));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(
        r.out.startsWith(QStringLiteral("La impresora Cocina ha recibido el ticket de prueba.\nEstado: Lista.")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("tabla="))) << "the verdict says what to do when letters come out wrong";

    const QString text = QString::fromUtf8(stored(QStringLiteral("000001.txt")));
    for (const char *expected : {"PRUEBA DE IMPRESORA", "á é í ó ú   Á É Í Ó Ú", "ñ Ñ   ü Ü   ç Ç   ¿ ¡   €",
                                 "Página de códigos 858: ESC t 6 (tabla=6)", "aviso cajon", "Estilo cocina",
                                 "Letra: Arial 9, sin negrita", "Tras esta línea: aviso y corte."})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    const QByteArray raw = stored(QStringLiteral("000001.bin"));
    for (const char *command : {"1b7406", "1d2101", "1d4201", "1d2111", "1b700019fa1d564200"})
        EXPECT_TRUE(raw.contains(QByteArray::fromHex(command))) << command;
    EXPECT_FALSE(QFile::exists(QDir(dataDir()).filePath(QStringLiteral("ConfGarnet.mdb"))));
    EXPECT_FALSE(QFile::exists(QDir(dataDir()).filePath(QStringLiteral("wdbServer.mdb"))));
}

TEST_F(PrinterTrial, PrinterWithoutPaperIsAFailureWithItsCauseAndExitStatusOne) {
    declareKitchen();
    setKitchenState("sinpapel");
    const Run r = probar(QStringLiteral("Cocina"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(
        QStringLiteral("La impresora Cocina no ha recibido el ticket de prueba: La impresora Cocina no tiene papel")))
        << r.err.toStdString();
}

TEST_F(PrinterTrial, PrinterThatNeverAnswersIsDeliveredBlindAndTheVerdictSaysSo) {
    declareKitchen({QStringLiteral("--sin-estado")});
    const Run r = probar(QStringLiteral("Cocina"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Estado: Sin estado."))) << r.out.toStdString();
    EXPECT_FALSE(stored(QStringLiteral("000001.bin")).isEmpty());
}

TEST_F(PrinterTrial, FolderPrinterPrintsTheTestTicketInTheStoredTicketFont) {
    {
        auto work = createSqliteFile(QDir(dataDir()).filePath(QStringLiteral("wdbServer.mdb")));
        work->execute(
            QStringLiteral("CREATE TABLE FonTPV(Id CHAR (1), Fuente CHAR (50), Tamano DOUBLE, Negrita CHAR(9))"));
        work->execute(QStringLiteral("INSERT INTO FonTPV VALUES ('1', 'Courier New', 12, 'Verdadero')"));
    }
    const Run r = probar(QStringLiteral("Barra"));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("La impresora Barra ha recibido el ticket de prueba.")))
        << r.out.toStdString();
    QFile ticket(QDir(printersDir()).filePath(QStringLiteral("Barra/000001.txt")));
    ASSERT_TRUE(ticket.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(ticket.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("PRUEBA DE IMPRESORA\r\nImpresora: Barra\r\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Letra: Courier New 12, en negrita"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("ESC t"))) << "no code page on a printer that takes Unicode";
}

TEST_F(PrinterTrial, UnknownPrinterListsTheInstalledOnesAndFails) {
    declareKitchen();
    const Run r = probar(QStringLiteral("Terraza"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(
        QStringLiteral("No hay ninguna impresora llamada «Terraza». Impresoras instaladas: Barra, Cocina.")))
        << r.err.toStdString();
}

TEST_F(PrinterTrial, CupsQueueTakesTheTestTicket) {
    const QString queue = qEnvironmentVariable("TPV_CUPS_TEST_PRINTER");
    if (queue.isEmpty()) GTEST_SKIP() << "no hay planificador CUPS de pruebas (TPV_CUPS_TEST_PRINTER sin definir)";
    const Run r = probar(queue, true);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("La impresora %1 ha recibido el ticket de prueba.").arg(queue)))
        << r.out.toStdString();
}
