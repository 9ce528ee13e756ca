// lector-tpv-config as an installer runs it: wrong values refused with
// what is wrong and nothing changed, the site's SQL login with its password
// kept private and never shown, probar connecting as the print server does,
// and the Access files' export read as mdb-export writes it.
#include "support/TestSupport.h"

#include "kitchen/Global.h"
#include "kitchen/SiteSettings.h"
#include "sql/ConnectionStrings.h"
#include "compat/Error.h"
#include "sql/SqlConnection.h"
#include "sql/TdsSupport.h"
#include "support/JetWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

using namespace tpv;
using namespace tpv::test;

namespace {

struct ToolRun {
    int status = -1;
    QString out, err;
};

class ConfigTool : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        dataDir = tmp.filePath(QStringLiteral("datos"));
    }
    ToolRun run(const QStringList &args, const QByteArray &input = {}) {
        QProcess p;
        p.setProgram(QStringLiteral(TPV_CONFIG_TOOL));
        p.setArguments(QStringList{QStringLiteral("--data-dir"), dataDir} + args);
        // As from a service or as root: no runtime folder.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        p.setProcessEnvironment(env);
        p.start();
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    QByteArray confBytes() {
        QFile f(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir tmp;
    QString dataDir;
};

bool ownerOnly(const QString &path) {
    const auto p = QFileInfo(path).permissions();
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                        QFileDevice::WriteOther | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    return (p & others) == 0 && (p & QFileDevice::ReadOwner);
}

}  // namespace

TEST_F(ConfigTool, EveryWrongValueIsRefusedWithItsReasonAndNothingChanges) {
    ASSERT_EQ(run({QStringLiteral("poner"), QStringLiteral("Tiempo=1000")}).status, 0);
    const QByteArray before = confBytes();
    const ToolRun r = run({QStringLiteral("poner"), QStringLiteral("Tiempo=60000"), QStringLiteral("tpv=abc"),
                           QStringLiteral("Ip=srv;UID=sa"), QStringLiteral("Ip=srv,99999"), QStringLiteral("Nada=1"),
                           QStringLiteral("lineaspie"), QStringLiteral("CatalogoIni=")});
    EXPECT_EQ(r.status, 2);
    for (const char *expected : {"Tiempo = 60000", "tpv = «abc»", "Ip = «srv;UID=sa»", "puerto 99999", "«Nada»",
                                 "«lineaspie» no tiene la forma", "CatalogoIni no puede quedar vacío"})
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(expected))) << expected << "\n" << r.err.toStdString();
    EXPECT_EQ(confBytes(), before);
}

TEST_F(ConfigTool, WithoutARuntimeFolderItSaysNothingOfQtsNotice) {
    ASSERT_EQ(run({QStringLiteral("poner"), QStringLiteral("Tiempo=1000")}).status, 0);
    const ToolRun r = run({QStringLiteral("mostrar")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

TEST_F(ConfigTool, ASitesOwnLoginIsKeptPrivateNeverShownAndUsedByTheConnection) {
    const QString password = QStringLiteral("Cla;ve=ñ 1");
    TdsEndpoint endpoint(tmp.filePath(QStringLiteral("tds")), QStringLiteral("us_english"), QStringLiteral("camarero"),
                         password);
    {
        auto seed = openOdbc(
            freeTdsConnectionString(endpoint.ip(), QStringLiteral("Garnet"), QStringLiteral("camarero"), password), 3,
            3, sqlServerDialect());
        demo::createServerSchema(*seed);
        demo::addDemoCatalogue(*seed);
        demo::setBusinessDate(*seed, 1, QStringLiteral("20261213"));
        demo::addOrder(*seed, 1, QStringLiteral("20261213"), 5, 1,
                       {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    }
    const ToolRun set =
        run({QStringLiteral("poner"), QStringLiteral("Ip=") + endpoint.ip(), QStringLiteral("UsuarioSql=camarero")},
            password.toUtf8() + "\n");
    ASSERT_EQ(set.status, 0) << set.err.toStdString();
    const ToolRun brace = run({QStringLiteral("poner"), QStringLiteral("UsuarioSql=otro")}, "a}b\n");
    EXPECT_EQ(brace.status, 2);
    EXPECT_TRUE(brace.err.contains(QStringLiteral("«}»"))) << brace.err.toStdString();
    const QString loginFile = sqlLoginFile(dataDir);
    EXPECT_TRUE(ownerOnly(loginFile));
    EXPECT_TRUE(ownerOnly(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb"))));

    QDir().mkpath(tmp.filePath(QStringLiteral("impresoras/Barra")));
    // Postres becomes a kitchen screen, installed here as much as Barra.
    const ToolRun screen = run({QStringLiteral("pantalla"), QStringLiteral("Postres")});
    EXPECT_EQ(screen.status, 0) << screen.err.toStdString();
    EXPECT_TRUE(screen.out.contains(QStringLiteral("/pantalla/Postres?clave="))) << screen.out.toStdString();
    const ToolRun probe =
        run({QStringLiteral("--printers"), tmp.filePath(QStringLiteral("impresoras")), QStringLiteral("probar")});
    EXPECT_EQ(probe.status, 3) << "Cocina is not installed here\n" << probe.err.toStdString();
    EXPECT_TRUE(probe.out.contains(QStringLiteral("3 Postres: instalada"))) << probe.out.toStdString();
    EXPECT_TRUE(probe.out.contains(QStringLiteral("usuario «camarero»"))) << probe.out.toStdString();
    EXPECT_TRUE(probe.out.contains(QStringLiteral("13/12/2026"))) << probe.out.toStdString();
    EXPECT_TRUE(probe.out.contains(QStringLiteral("2 Barra: instalada"))) << probe.out.toStdString();
    EXPECT_TRUE(probe.out.contains(QStringLiteral("1 Cocina: NO está instalada"))) << probe.out.toStdString();
    EXPECT_TRUE(probe.out.contains(QStringLiteral("Com 5 (trabajo 1)"))) << probe.out.toStdString();
    EXPECT_TRUE(probe.out.contains(QStringLiteral("Índice de la cola: PendGarFecha"))) << probe.out.toStdString();
    openSqliteFile(endpoint.databaseFile)->execute(QStringLiteral("DROP INDEX PendGarFecha"));
    const ToolRun unindexed = run({QStringLiteral("probar")});
    EXPECT_TRUE(unindexed.out.contains(QStringLiteral("PendGar no tiene un índice"))) << unindexed.out.toStdString();

    const ToolRun shown = run({QStringLiteral("mostrar")});
    EXPECT_TRUE(shown.out.contains(QStringLiteral("UsuarioSql: camarero"))) << shown.out.toStdString();
    EXPECT_TRUE(shown.out.contains(QStringLiteral("PasW: ********"))) << shown.out.toStdString();
    for (const ToolRun &r : {set, probe, shown}) {
        EXPECT_FALSE(r.out.contains(QStringLiteral("Cla;ve"))) << r.out.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("Cla;ve"))) << r.err.toStdString();
    }

    // A wrong password: the failure names host, database and user only.
    writeSqlLogin(dataDir, {QStringLiteral("camarero"), QStringLiteral("mala;clave")});
    const ToolRun refused = run({QStringLiteral("probar")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(endpoint.ip()) && refused.err.contains(QStringLiteral("camarero")))
        << refused.err.toStdString();
    EXPECT_FALSE(refused.err.contains(QStringLiteral("mala;clave"))) << refused.err.toStdString();

    // Back to the fixed login.
    ASSERT_EQ(run({QStringLiteral("poner"), QStringLiteral("UsuarioSql=")}).status, 0);
    EXPECT_FALSE(QFileInfo::exists(loginFile));
}

TEST_F(ConfigTool, ATerminalMissingFromAReachableServerIsRefused) {
    TdsEndpoint endpoint(tmp.filePath(QStringLiteral("tds")));
    auto seed = endpoint.connect();
    demo::createServerSchema(*seed);
    demo::setBusinessDate(*seed, 1, QStringLiteral("20261213"));
    demo::setBusinessDate(*seed, 2, QStringLiteral("20261213"));
    ASSERT_EQ(run({QStringLiteral("poner"), QStringLiteral("Ip=") + endpoint.ip()}).status, 0);
    const ToolRun missing = run({QStringLiteral("poner"), QStringLiteral("tpv=7")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("terminales: 1, 2"))) << missing.err.toStdString();
    EXPECT_EQ(run({QStringLiteral("poner"), QStringLiteral("tpv=2")}).status, 0);
    EXPECT_TRUE(run({QStringLiteral("mostrar")}).out.contains(QStringLiteral("tpv: 2")));
}

TEST(SqlLogin, WithoutALoginFileTheConnectionKeepsTheFixedLogin) {
    Global g;
    g.Ip = QStringLiteral("srv");
    g.CatalogoIni = QStringLiteral("Garnet");
    EXPECT_EQ(serverConnectionString(g),
              QStringLiteral("Provider=SQLOLEDB.1;Data Source =srv;Initial Catalog=Garnet;User ID=tesmarin;"
                             "Password=KOVU7"));
    g.UsuarioSql = QStringLiteral("camarero");
    g.ClaveSql = QStringLiteral("a;b}c");
    EXPECT_TRUE(serverConnectionString(g).endsWith(QStringLiteral("User ID=camarero;Password={a;b}}c}")));
}

TEST(MdbExport, QuotedTextsWithCommasQuotesAndLineBreaksReadAsStored) {
    const QByteArray csv =
        "Cod,Ip,CatalogoIni,Id,PasW,Tiempo,Raport,tpv,lineaspie\n"
        "\"Prul4\",\"192.168.1.10,1433\",\"Garnet\",\"tesmarin\",\"di\"\"jo\",1000,0,2,5\r\n"
        "\"Otra\",\"a\nb\",,,,,,,\n";
    const auto rows = parseMdbExport(csv);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1][1], QStringLiteral("192.168.1.10,1433"));
    EXPECT_EQ(rows[1][4], QStringLiteral("di\"jo"));
    EXPECT_EQ(rows[1][8], QStringLiteral("5"));
    EXPECT_EQ(rows[2][1], QStringLiteral("a\nb"));
    EXPECT_EQ(rows[2].size(), 9);
}

TEST_F(ConfigTool, ImportingAFileThatIsNoAccessFileSaysSoAndWritesNothing) {
    const QString notAccess = tmp.filePath(QStringLiteral("ConfGarnet.mdb"));
    QFile f(notAccess);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("esto no es una base de datos de Access");
    f.close();
    const ToolRun r = run({QStringLiteral("importar"), notAccess});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("mdb-export no puede leer la tabla Confi"))) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb"))));
    EXPECT_EQ(run({QStringLiteral("importar"), tmp.filePath(QStringLiteral("no-existe.mdb"))}).status, 1);
}

TEST_F(ConfigTool, AnExistingInstallationsAccessFilesAreImportedAndAValueThatDoesNotSuitIsSaid) {
    using namespace tpv::test::jet;
    const Table confi{QStringLiteral("Confi"),
                      {{QStringLiteral("Cod"), Type::Text, 10},
                       {QStringLiteral("Ip"), Type::Text, 255},
                       {QStringLiteral("CatalogoIni"), Type::Text, 50},
                       {QStringLiteral("Id"), Type::Text, 50},
                       {QStringLiteral("PasW"), Type::Text, 50},
                       {QStringLiteral("Tiempo"), Type::Long},
                       {QStringLiteral("Raport"), Type::Boolean},
                       {QStringLiteral("tpv"), Type::Integer},
                       {QStringLiteral("lineaspie"), Type::Integer}},
                      {{QStringLiteral("Otra"), QStringLiteral("10.0.0.9"), QStringLiteral("Vieja"),
                        QStringLiteral("x"), QStringLiteral("y"), 500, false, 9, 9},
                       {QStringLiteral("Prul4"), QStringLiteral("192.168.1.10,1433"), QStringLiteral("Garnet_Año"),
                        QStringLiteral("tesmarin"), QStringLiteral("KOVU7"), 60000, true, 3, 5}}};
    const Table font{QStringLiteral("FonTPV"),
                     {{QStringLiteral("Id"), Type::Text, 1},
                      {QStringLiteral("Fuente"), Type::Text, 50},
                      {QStringLiteral("Tamano"), Type::Double},
                      {QStringLiteral("Negrita"), Type::Text, 9}},
                     {{QStringLiteral("1"), QStringLiteral("Courier New"), 11.5, QStringLiteral("True")}}};
    const QString conf = tmp.filePath(QStringLiteral("CONFGARNET.MDB")),
                  work = tmp.filePath(QStringLiteral("WDBSERVER.MDB"));
    for (const auto &[path, table] : {std::pair{conf, confi}, std::pair{work, font}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(jet4File({table}));
    }
    const ToolRun r = run({QStringLiteral("importar"), conf, work});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Tiempo = 60000"))) << r.err.toStdString();
    for (const char *line : {"Ip: 192.168.1.10,1433", "CatalogoIni: Garnet_Año", "Tiempo: 1000", "tpv: 3",
                             "lineaspie: 5", "PasW: ********"})
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(line))) << line << "\n" << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("KOVU7")));
    const ResultSet f = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")))
                            ->query(QStringLiteral("SELECT Fuente, Tamano, Negrita FROM FonTPV WHERE Id = '1'"));
    ASSERT_EQ(f.rows.size(), 1u);
    EXPECT_EQ(f.rows[0][0].toText(), QStringLiteral("Courier New"));
    EXPECT_EQ(f.rows[0][1].toDouble(), 11.5);
    EXPECT_EQ(f.rows[0][2].toText(), QStringLiteral("True"));
    EXPECT_TRUE(ownerOnly(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb"))));
}

TEST_F(ConfigTool, ALoginFileOthersCouldReadIsMadePrivateWhenRead) {
    QDir().mkpath(dataDir);
    writeSqlLogin(dataDir, {QStringLiteral("camarero"), QStringLiteral("secreta")});
    QFile::setPermissions(sqlLoginFile(dataDir), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                     QFileDevice::ReadGroup | QFileDevice::ReadOther);
    testing::internal::CaptureStderr();
    const auto login = readSqlLogin(dataDir);
    const QString log = QString::fromUtf8(testing::internal::GetCapturedStderr());
    ASSERT_TRUE(login);
    EXPECT_EQ(login->password, QStringLiteral("secreta"));
    EXPECT_TRUE(ownerOnly(sqlLoginFile(dataDir)));
    EXPECT_TRUE(log.contains(QStringLiteral("acceso-sql.ini"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("secreta")));
}
