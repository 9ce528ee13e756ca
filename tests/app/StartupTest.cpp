#include "support/TestSupport.h"
#include "devices/folder/FolderPrinters.h"

#include "ui/Lifecycle.h"
#include "compat/Error.h"
#include "sql/SqlConnection.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHostAddress>
#include <QTcpServer>

using namespace tpv;
using namespace tpv::test;

namespace {

class Startup : public ServerTest {
protected:
    std::unique_ptr<Connection> conf() {
        return openSqliteFile(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb")));
    }
    // Runs the load; returns the exit status when it ended the program.
    std::optional<int> load() {
        build(2);
        if (!printServer->load()) return printServer->exitCode();
        return std::nullopt;
    }
    QStringList columns(const QString &table) {
        auto cn = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")));
        QStringList out;
        for (const auto &row : cn->query(QStringLiteral("PRAGMA table_info(%1)").arg(table)).rows)
            out << row[1].toText();
        return out;
    }
};

}  // namespace

TEST_F(Startup, MissingConfigurationFileEndsTheProgramWithItsMessageAndCreatesNoFile) {
    QFile::remove(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb")));
    const auto ended = load();
    ASSERT_TRUE(ended);
    EXPECT_NE(*ended, 0);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text,
              QStringLiteral("No existe la Base de Datos ConfGarnet, La aplicación no puede continuar "));
    EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("Tesmarin-Garnet"));
    EXPECT_FALSE(QFileInfo::exists(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb"))));
}

TEST_F(Startup, OldConfigurationRowGainsTpvAndLineaspieInEveryRow) {
    {
        auto cn = conf();
        cn->execute(
            QStringLiteral("CREATE TABLE C2 AS SELECT Cod, Ip, CatalogoIni, Id, PasW, Tiempo, Raport FROM Confi"));
        cn->execute(QStringLiteral("DROP TABLE Confi"));
        cn->execute(QStringLiteral("ALTER TABLE C2 RENAME TO Confi"));
        cn->execute(
            QStringLiteral("INSERT INTO Confi SELECT 'Otro', Ip, CatalogoIni, Id, PasW, Tiempo, Raport FROM Confi"));
    }
    ASSERT_FALSE(load());
    EXPECT_EQ(f->g.tpv, 1);
    EXPECT_EQ(f->g.lineaspie, 20);
    const ResultSet rs = conf()->query(QStringLiteral("SELECT tpv, lineaspie FROM Confi"));
    ASSERT_EQ(rs.rows.size(), 2u);
    for (const auto &row : rs.rows) {
        EXPECT_EQ(row[0].toInt32(), 1);
        EXPECT_EQ(row[1].toInt32(), 20);
    }
}

TEST_F(Startup, NullRaportReadsFalseAndTheSettingsAfterItAreStillRead) {
    conf()->execute(QStringLiteral("UPDATE Confi SET Raport = NULL, tpv = 4, lineaspie = 6"));
    ASSERT_FALSE(load());
    EXPECT_FALSE(f->g.Raport);
    EXPECT_EQ(f->g.tpv, 4);
    EXPECT_EQ(f->g.lineaspie, 6);
    EXPECT_EQ(f->lbCatalogo.caption(), QStringLiteral("(Garnet)"));
}

TEST_F(Startup, NullTiempoStopsTheReadingThereAndLeavesTheRestAtZero) {
    conf()->execute(QStringLiteral("UPDATE Confi SET Tiempo = NULL, Raport = 1"));
    ASSERT_FALSE(load());
    EXPECT_EQ(f->g.Tiempo, 0);
    EXPECT_FALSE(f->g.Raport);
    EXPECT_EQ(f->g.tpv, 0);
    EXPECT_EQ(f->g.lineaspie, 0);
    EXPECT_EQ(f->g.Ip, serverDb);
}

TEST_F(Startup, NoSettingsRowLeavesNoConectadoAndReportsTheFailedServerConnection) {
    conf()->execute(QStringLiteral("UPDATE Confi SET Cod = 'Otro'"));
    ASSERT_FALSE(load());
    EXPECT_EQ(f->lbServidor.caption(), QStringLiteral("No conectado"));
    EXPECT_EQ(f->lbCatalogo.caption(), QStringLiteral("..."));
    EXPECT_TRUE(f->g.Ip.isEmpty());
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(dialogs.shown()[0].text.startsWith(QString::number(err::CannotOpen) + QLatin1Char(' ')));
    EXPECT_FALSE(f->T.isActive());
}

TEST_F(Startup, UnreachableServerHostShowsTheErrorAndLeavesTheTimerStopped) {
    conf()->execute(QStringLiteral("UPDATE Confi SET Ip = '127.0.0.1,1'"));
    ASSERT_FALSE(load());
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(dialogs.shown()[0].text.startsWith(QString::number(err::CannotOpen)));
    EXPECT_EQ(dialogs.shown()[0].title, appTitle());
    EXPECT_FALSE(f->T.isActive());
    EXPECT_EQ(f->panel.cboPrinters.listCount(), 0);  // the panel step was skipped
}

TEST_F(Startup, WorkTablesAreRebuiltWithTheirColumnsWhateverStateTheyWereIn) {
    {
        auto cn = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")));
        cn->execute(QStringLiteral("CREATE TABLE Til(TilNum int, Viejo text)"));
        cn->execute(QStringLiteral("INSERT INTO Til VALUES (1, 'x')"));
        cn->execute(QStringLiteral("CREATE TABLE TicImp(TicNum int)"));
    }
    ASSERT_FALSE(load());
    EXPECT_EQ(columns(QStringLiteral("Til")).join(QLatin1Char(',')),
              QStringLiteral("TilNum,TilOrd,TilArtc,TilArtN,TilCant,TilPre,TilTotal,TilEst,TilFec,TilComa,TilTipo,"
                             "TilNatur,TilTPV,TilImp"));
    EXPECT_EQ(columns(QStringLiteral("TicImp")).last(), QStringLiteral("TicPendOrd"));
    for (const char *t : {"cargosr", "Tic", "TicImp", "Til", "TilImp", "Tilm", "TilmImp"})
        EXPECT_FALSE(columns(QString::fromLatin1(t)).isEmpty()) << t;
    auto cn = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")));
    EXPECT_EQ(cn->query(QStringLiteral("SELECT count(*) FROM Til")).rows[0][0].toInt32(), 0);
    EXPECT_EQ(f->Caption, QStringLiteral("Lector TPV_Garnet 1.06.002"));
    EXPECT_EQ(f->T.interval(), 1000);
}

TEST_F(Startup, SecondInstanceOnTheSameFolderIsRefusedAndTouchesNothing) {
    ASSERT_FALSE(load());
    {
        auto cn = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")));
        cn->execute(QStringLiteral("INSERT INTO Til (TilNum) VALUES (99)"));
    }
    ScriptedDialogs second(false);
    FolderPrinters p2(printersDir);
    ConnectionOptions o;
    o.dataDir = dataDir;
    FrmPpal f2(second, p2, clock, o);
    InstanceLock lock2(dataDir);
    EXPECT_THROW(Form_Load(f2, lock2), ProgramEnded);
    ASSERT_EQ(second.shown().size(), 1u);
    EXPECT_EQ(second.shown()[0].text, QStringLiteral("El programa ya se está Ejecutando"));
    auto cn = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")));
    EXPECT_EQ(cn->query(QStringLiteral("SELECT count(*) FROM Til")).rows[0][0].toInt32(), 1);
}

TEST_F(Startup, NoInstalledPrinterEndsTheProgram) {
    QDir(printersDir).removeRecursively();
    QDir().mkpath(printersDir);
    const auto ended = load();
    ASSERT_TRUE(ended);
    EXPECT_NE(*ended, 0);
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("No existen impresoras instaladas"));
}

TEST_F(Startup, CancelledShutdownKeepsRunningWithEmptyWorkTables) {
    start();
    {
        auto cn = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")));
        cn->execute(QStringLiteral("INSERT INTO Tilm (comanda) VALUES (1)"));
    }
    dialogs.setNextAnswer(MsgAnswer::Cancel);
    EXPECT_FALSE(Form_Unload(*f));
    EXPECT_EQ(dialogs.shown().back().text,
              QStringLiteral("Atención si apaga este programa el TPV_Garnet no funcionara correctamente"));
    EXPECT_EQ(dialogs.shown().back().buttons, MsgButtons::OkCancel);
    auto cn = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")));
    EXPECT_EQ(cn->query(QStringLiteral("SELECT count(*) FROM Tilm")).rows[0][0].toInt32(), 0);
    EXPECT_TRUE(f->T.isActive());
    EXPECT_TRUE(Form_Unload(*f));
}

TEST_F(Startup, ActivationCleansNullProfilesAndLoadsThePrinterConnections) {
    exec(
        QStringLiteral("INSERT INTO PendGar (PPFecha, PPOrd, PPCod, PPPend, PParg1, PParg7, PParg3) VALUES "
                       "('20261207', 9, 'Com', 1, '2', NULL, '1')"));
    start();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PParg7 IS NULL")), 0);
    EXPECT_EQ(f->g.Impresoras, QStringList({QStringLiteral("Ninguna"), QStringLiteral("Cocina"),
                                            QStringLiteral("Barra"), QStringLiteral("Postres")}));
    EXPECT_EQ(f->g.NumImpresoras, 4);
    EXPECT_EQ(f->lineasp.text(), QStringLiteral("3"));
}

TEST_F(Startup, ServerThatAcceptsButNeverAnswersFailsWithinTheLoginTimeout) {
    // A loopback port that takes the connection and then says nothing: the
    // kernel completes the handshake for the listening socket.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    conf()->execute(QStringLiteral("UPDATE Confi SET Ip = '127.0.0.1,%1'").arg(silent.serverPort()));
    QElapsedTimer t;
    t.start();
    ASSERT_FALSE(load());  // login timeout of 2 s
    EXPECT_LT(t.elapsed(), 15000);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(dialogs.shown()[0].text.startsWith(QString::number(err::CannotOpen)))
        << dialogs.shown()[0].text.toStdString();
    EXPECT_FALSE(f->T.isActive());
}
