#include "demo_data.h"

#include "ui/Lifecycle.h"
#include "sql/SqlText.h"
#include "sql/SqlConnection.h"

#include <QDate>
#include <QDir>
#include <QFile>

namespace tpv::demo {

namespace {

QString q(const QString &s) { return sql::quoted(Variant(s)); }
QString opt(const std::optional<int> &v) { return v ? QString::number(*v) : QStringLiteral("NULL"); }

int scalar(Connection &cn, const QString &sqlText) {
    const ResultSet rs = cn.query(sqlText);
    if (rs.rows.empty() || rs.rows[0].empty() || rs.rows[0][0].isNull()) return 0;
    return rs.rows[0][0].toInt32();
}

}  // namespace

QString todayBusinessDate() { return QDate::currentDate().toString(QStringLiteral("yyyyMMdd")); }

void createServerSchema(Connection &cn) {
    const QStringList statements = {
        "CREATE TABLE PendGar(PPFecha varchar(8), PPOrd int, PPCod varchar(3), PPPend int, PParg2 varchar(20),"
        " PParg1 varchar(5), PParg7 varchar(5), PParg3 varchar(10), PParg4 varchar(20), PParg5 varchar(20))",
        "CREATE TABLE icierre(cierrecod int, CierreFecha varchar(8), Nombre varchar(30))",
        "CREATE TABLE prn(conexprn varchar(100))",
        "CREATE TABLE Tic(TicNum int,TicFec char(8),TicCli char(5),TicSal char(1),TicMes smallint,TicCom smallint,"
        "TicComa smallint,TicTipo char(1),TicCam char(1),TicBas float,TicIVA float,TicCuota float,TicTotal float,"
        "TicEst char(1),TicHab char(4),TicFec1 char(10),TicCob char(2),TicSer char(1),TicHue char(8),TicNi int,"
        "TicTpv smallint,TicHora datetime)",
        "CREATE TABLE Til(TilNum int,TilOrd smallint,TilArtc char(15),TilArtN char(40),TilCant float,TilPre float,"
        "TilTotal float,TilEst char(1),TilFec char(8),TilComa int,TilTipo char(1),TilNatur char(1),TilTPV smallint,"
        "TilImp smallint)",
        "CREATE TABLE Tilm(fecha char(10),comanda smallint,orden smallint,artvcod char(15),mccod smallint,"
        "mlpla char(15),mlplan char(40),cantidad smallint,modifc smallint,modifn char(50),guarnic smallint,"
        "guarnin char(50),salsac smallint,salsan char(50),grupo char(1),tpv smallint,Imp smallint)",
        "CREATE TABLE cargosr(CaCont smallint,CaOrd smallint,CaPlac char(15),CaPlan char(40),CaCant smallint,"
        "CaPre float,CaTot float,CaCam char(1),CaFec char(8),CaTPV smallint,modifc smallint,modifn char(50),"
        "guarnic smallint,guarnin char(50),salsac smallint,salsan char(50),CaImp smallint)",
        "CREATE TABLE Artv(ArtvCod char(15), ArtvNom varchar(40), ArtvGru varchar(10))",
        "CREATE TABLE PerfilEnvioImp(IdPerfil int, IdTpv int, Familia varchar(10), destino1 int, destino2 int,"
        " destino3 int)",
        "CREATE TABLE TicImp(TicNum int,TicFec char(8),TicCli char(5),TicSal char(1),TicMes smallint,TicCom smallint,"
        "TicComa smallint,TicTipo char(1),TicCam char(1),TicBas float,TicIVA float,TicCuota float,TicTotal float,"
        "TicEst char(1),TicHab char(4),TicFec1 char(10),TicCob char(2),TicSer char(1),TicHue char(8),TicNi int,"
        "TicTpv smallint,TicHora datetime,TicPendOrd int)",
        "CREATE TABLE TilImp(TilNum int,TilOrd smallint,TilArtc char(15),TilArtN char(40),TilCant float,TilPre float,"
        "TilTotal float,TilEst char(1),TilFec char(8),TilComa int,TilTipo char(1),TilNatur char(1),TilTPV smallint,"
        "TilImp smallint,TilPendOrd int,modifc smallint,modifn char(50),guarnic smallint,guarnin char(50),"
        "salsac smallint,salsan char(50))",
        "CREATE TABLE TilmImp(fecha char(10),comanda smallint,orden smallint,artvcod char(15),mccod smallint,"
        "mlpla char(15),mlplan char(40),cantidad smallint,modifc smallint,modifn char(50),guarnic smallint,"
        "guarnin char(50),salsac smallint,salsan char(50),grupo char(1),tpv smallint,Imp smallint,PendOrd int)",
        "CREATE INDEX PendGarFecha ON PendGar(PPFecha, PParg1, PPPend, PPOrd)",
        "CREATE INDEX TilComanda ON Til(TilComa, TilFec, TilTPV)",
        "CREATE INDEX TilmComanda ON Tilm(comanda, fecha, tpv)",
        "CREATE INDEX CargosrComanda ON cargosr(CaCont, CaFec, CaTPV, CaOrd)",
    };
    for (const QString &s : statements) cn.execute(s);
}

void createConfigFile(const QString &path, const ConfigRow &row) {
    auto cn = createSqliteFile(path);
    cn->execute(
        QStringLiteral("CREATE TABLE Confi(Cod varchar(10), Ip varchar(255), CatalogoIni varchar(50), Id varchar(50),"
                       " PasW varchar(50), Tiempo integer, Raport integer, tpv integer, lineaspie integer)"));
    cn->execute(QStringLiteral("INSERT INTO Confi VALUES ('Prul4', %1, %2, 'tesmarin', 'KOVU7', %3, 0, %4, %5)")
                    .arg(q(row.ip), q(row.catalogo))
                    .arg(row.tiempo)
                    .arg(row.tpv)
                    .arg(row.lineaspie));
}

void createWorkFile(const QString &path) {
    auto cn = createSqliteFile(path);
    cn->execute(QStringLiteral("CREATE TABLE Vacio(Id integer)"));
}

void addDemoCatalogue(Connection &cn, int tpv) {
    for (const char *p : {"Cocina", "Barra", "Postres"})
        cn.execute(QStringLiteral("INSERT INTO prn VALUES ('%1')").arg(QString::fromLatin1(p)));
    const char *const articles[][3] = {
        {"CAN", "Caña", "BEB"},
        {"AGUA", "Agua mineral", "BEB"},
        {"VINO", "Vino tinto", "BEB"},
        {"CAFE", "Café solo", "BEB"},
        {"ENTR", "Entrecot", "CAR"},
        {"PAEL", "Paella", "ARR"},
        {"ENSA", "Ensalada mixta", "ENT"},
        {"CROQ", "Croquetas", "ENT"},
        {"PAN", "Pa'amb tomàquet", "ENT"},
        {"MERL", "Merluza a la romana", "PES"},
        {"FLAN", "Flan casero", "POS"},
        {"TART", "Tarta de queso", "POS"},
    };
    for (const auto &a : articles)
        cn.execute(QStringLiteral("INSERT INTO Artv VALUES (%1, %2, %3)")
                       .arg(q(QString::fromUtf8(a[0])), q(QString::fromUtf8(a[1])), q(QString::fromUtf8(a[2]))));
    // Drinks to the bar, hot dishes to the kitchen, desserts to both the
    // dessert station and the kitchen (which plates them).
    const std::pair<const char *, std::array<int, 3>> routes[] = {
        {"BEB", {2, 0, 0}}, {"CAR", {1, 0, 0}}, {"ARR", {1, 0, 0}},
        {"ENT", {1, 0, 0}}, {"PES", {1, 0, 0}}, {"POS", {3, 1, 0}},
    };
    for (const auto &[fam, d] : routes)
        cn.execute(QStringLiteral("INSERT INTO PerfilEnvioImp VALUES (1, %1, '%2', %3, %4, %5)")
                       .arg(tpv)
                       .arg(QString::fromLatin1(fam))
                       .arg(d[0])
                       .arg(d[1])
                       .arg(d[2]));
}

void setBusinessDate(Connection &cn, int tpv, const QString &fecha, const QString &nombre) {
    cn.execute(QStringLiteral("DELETE FROM icierre WHERE cierrecod = %1").arg(tpv));
    cn.execute(QStringLiteral("INSERT INTO icierre VALUES (%1, %2, %3)").arg(tpv).arg(q(fecha), q(nombre)));
}

int addJob(Connection &cn, int tpv, const QString &fecha, int comanda, const QString &code, int perfil) {
    const int ord = scalar(cn, QStringLiteral("SELECT max(PPOrd) FROM PendGar WHERE PPFecha = %1").arg(q(fecha))) + 1;
    cn.execute(QStringLiteral("INSERT INTO PendGar (PPFecha, PPOrd, PPCod, PPPend, PParg1, PParg7, PParg3) "
                              "VALUES (%1, %2, %3, 0, '%4', '%5', '%6')")
                   .arg(q(fecha))
                   .arg(ord)
                   .arg(q(code))
                   .arg(tpv)
                   .arg(perfil)
                   .arg(comanda));
    return ord;
}

int addOrder(Connection &cn, int tpv, const QString &fecha, int comanda, int mesa, const QList<ALaCarteLine> &aLaCarte,
             const QList<MenuDish> &menu, int perfil) {
    const QString fecha1 = QDate::fromString(fecha, QStringLiteral("yyyyMMdd")).toString(QStringLiteral("dd/MM/yyyy"));
    const QString where =
        QStringLiteral(" WHERE TicTpv = %1 AND TicComa = %2 AND TicFec = %3").arg(tpv).arg(comanda).arg(q(fecha));
    if (scalar(cn, QStringLiteral("SELECT count(*) FROM Tic") + where) == 0) {
        cn.execute(
            QStringLiteral("INSERT INTO Tic VALUES (%1, %2, 'C0001', '1', %3, 1, %4, 'M', 'A', 0, 10, 0, 0, 'A', "
                           "'H1', %5, 'EF', 'A', 'H', 0, %6, %7)")
                .arg(comanda)
                .arg(q(fecha))
                .arg(mesa)
                .arg(comanda)
                .arg(q(fecha1))
                .arg(tpv)
                .arg(q(fecha1 + QStringLiteral(" 13:00:00"))));
    }
    int ord =
        scalar(cn, QStringLiteral("SELECT max(TilOrd) FROM Til WHERE TilTPV = %1 AND TilComa = %2 AND TilFec = %3")
                       .arg(tpv)
                       .arg(comanda)
                       .arg(q(fecha)));
    for (const ALaCarteLine &l : aLaCarte) {
        ++ord;
        cn.execute(QStringLiteral("INSERT INTO Til VALUES (%1, %2, %3, %4, %5, 2.5, %6, 'A', %7, %8, 'N', 'N', %9, 0)")
                       .arg(comanda)
                       .arg(ord)
                       .arg(q(l.articulo), q(l.nombre), withDecimalPoint(numberToText(l.cantidad)),
                            withDecimalPoint(numberToText(l.cantidad * 2.5)), q(fecha))
                       .arg(comanda)
                       .arg(tpv));
        if (l.extra) {
            const Extra &e = *l.extra;
            cn.execute(
                QStringLiteral(
                    "INSERT INTO cargosr VALUES (%1, %2, %3, %4, 1, 0, 0, 'A', %5, %6, %7, %8, %9, %10, %11, %12, 0)")
                    .arg(comanda)
                    .arg(ord)
                    .arg(q(l.articulo), q(l.nombre), q(fecha))
                    .arg(tpv)
                    .arg(e.modifc)
                    .arg(q(e.modifn), opt(e.guarnic), q(e.guarnin), opt(e.salsac), q(e.salsan)));
        }
    }
    int orden = scalar(cn, QStringLiteral("SELECT max(orden) FROM Tilm WHERE tpv = %1 AND comanda = %2 AND fecha = %3")
                               .arg(tpv)
                               .arg(comanda)
                               .arg(q(fecha)));
    for (const MenuDish &d : menu) {
        ++orden;
        cn.execute(
            QStringLiteral(
                "INSERT INTO Tilm VALUES (%1, %2, %3, 'MENU', 1, %4, %5, %6, %7, %8, %9, %10, %11, %12, '1', %13, 0)")
                .arg(q(fecha))
                .arg(comanda)
                .arg(orden)
                .arg(q(d.articulo), q(d.nombre))
                .arg(d.cantidad)
                .arg(opt(d.modifc), q(d.modifn), opt(d.guarnic), q(d.guarnin), opt(d.salsac), q(d.salsan))
                .arg(tpv));
    }
    return addJob(cn, tpv, fecha, comanda, QStringLiteral("Com"), perfil);
}

DemoPaths prepareDemo(const QString &dataDir, const QString &printersDir, const QString &fecha, bool withPreview) {
    DemoPaths p{QDir(dataDir).absolutePath(), QDir(printersDir).absolutePath(), {}};
    QDir().mkpath(p.dataDir);
    p.serverDb = QDir(p.dataDir).filePath(QStringLiteral("pedidos.db"));
    for (const char *f : {"ConfGarnet.mdb", "wdbServer.mdb", "pedidos.db", "pedidos.db-wal", "pedidos.db-shm"})
        QFile::remove(QDir(p.dataDir).filePath(QString::fromLatin1(f)));
    ConfigRow row;
    row.ip = p.serverDb;
    createConfigFile(QDir(p.dataDir).filePath(QStringLiteral("ConfGarnet.mdb")), row);
    createWorkFile(QDir(p.dataDir).filePath(QStringLiteral("wdbServer.mdb")));
    {
        auto cn = createSqliteFile(p.serverDb);
        // The terminals and the print server share the file: readers do not
        // wait for writers in WAL mode.
        cn->query(QStringLiteral("PRAGMA journal_mode=WAL"));
        createServerSchema(*cn);
        addDemoCatalogue(*cn);
        setBusinessDate(*cn, 1, fecha);
    }
    for (const char *name : {"Cocina", "Barra", "Postres"})
        QDir().mkpath(QDir(p.printersDir).filePath(QString::fromLatin1(name)));
    // The demo draws a PDF of every ticket, to see it as on paper; a
    // printer.json already there (an earlier demo, a test) is left as it is.
    if (withPreview) {
        for (const char *name : {"Cocina", "Barra", "Postres"}) {
            QFile json(
                QDir(QDir(p.printersDir).filePath(QString::fromLatin1(name))).filePath(QStringLiteral("printer.json")));
            if (!json.exists() && json.open(QIODevice::WriteOnly)) json.write("{\"Pdf\": true}\n");
        }
    }
    QFile def(QDir(p.printersDir).filePath(QStringLiteral("default")));
    if (def.open(QIODevice::WriteOnly | QIODevice::Truncate)) def.write("Cocina\n");
    return p;
}

}  // namespace tpv::demo
