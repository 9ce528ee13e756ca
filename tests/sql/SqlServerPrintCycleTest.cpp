// The whole print cycle with the orders on SQL Server (through the project's
// TDS server): the same tickets and the same rows as on the embedded SQLite
// database, a snapshot dated the 13th, and every way of losing the server
// in the middle of a run recovered with no dish lost or printed twice.
#include "support/TestSupport.h"
#include "devices/folder/FolderPrinters.h"
#include "sql/SqlConnection.h"
#include "sql/TdsSupport.h"

#include <QDir>

using namespace tpv;
using namespace tpv::test;

namespace {

// The order database of a harness moved to a TDS server: the same schema,
// catalogue and business date, and the settings row pointing at it.
void moveToSqlServer(demo::Harness &h, TdsEndpoint &endpoint, const QString &fecha) {
    auto cn = endpoint.connect();
    demo::createServerSchema(*cn);
    demo::addDemoCatalogue(*cn);
    demo::setBusinessDate(*cn, 1, fecha);
    openSqliteFile(QDir(h.dataDir).filePath(QStringLiteral("ConfGarnet.mdb")))
        ->execute(QStringLiteral("UPDATE Confi SET Ip = '%1'").arg(endpoint.ip()));
    h.server = std::move(cn);
    h.requestTimeoutSeconds = 2;
}

// Every row of the tables the run reads and writes, as text, in a fixed order.
QStringList rowsOf(Connection &cn) {
    const char *const queries[] = {
        "SELECT * FROM PendGar ORDER BY PPFecha, PPOrd",
        "SELECT * FROM Til ORDER BY TilComa, TilOrd",
        "SELECT * FROM Tilm ORDER BY comanda, orden",
        "SELECT * FROM cargosr ORDER BY CaCont, CaOrd",
        "SELECT * FROM TicImp ORDER BY TicComa, TicPendOrd",
        "SELECT * FROM TilImp ORDER BY TilComa, TilPendOrd, TilOrd",
        "SELECT * FROM TilmImp ORDER BY comanda, PendOrd, orden",
    };
    QStringList out;
    for (const char *q : queries) {
        const ResultSet rs = cn.query(QString::fromLatin1(q));
        for (const auto &row : rs.rows) {
            QStringList values;
            for (const Variant &v : row) {
                values << (v.isNull() ? QStringLiteral("<null>") : v.toText());
            }
            out << QString::fromLatin1(q).section(QLatin1Char(' '), 3, 3) + QStringLiteral(": ") +
                       values.join(QLatin1Char('|'));
        }
    }
    return out;
}

// Orders of the 13th with Spanish names, the euro sign, quotes, extras and
// menu dishes.
void addOrders(Connection &cn, const QString &fecha) {
    demo::Extra extra;
    extra.modifn = QStringLiteral("Sin sal");
    extra.guarnic = 2;
    extra.guarnin = QStringLiteral("Patatas, ñoquis");
    demo::addOrder(cn, 1, fecha, 12, 4,
                   {{QStringLiteral("CAN"), QStringLiteral("Caña"), 2, {}},
                    {QStringLiteral("ENTR"), QStringLiteral("Entrecot al punto (24,50 €)"), 1, extra},
                    {QStringLiteral("PAN"), QStringLiteral("Pa'amb tomàquet"), 1, {}}},
                   {{QStringLiteral("FLAN"), QStringLiteral("Flan d'ou casero"), 1, {}, {}, {}, {}, {}, {}}});
    demo::addOrder(cn, 1, fecha, 12, 4, {{QStringLiteral("CAFE"), QStringLiteral("Café con pingüino"), 3, {}}}, {});
    demo::addOrder(cn, 1, fecha, 13, 7, {{QStringLiteral("PAEL"), QStringLiteral("Paella"), 1, {}}}, {});
}

struct Outcome {
    QMap<QString, QStringList> tickets;
    QStringList rows;
};

Outcome printedAndStored(demo::Harness &h) {
    Outcome o;
    for (const char *p : {"Cocina", "Barra", "Postres"}) {
        QStringList texts;
        for (const QString &path : FolderPrinters::documents(QDir(h.printersDir).filePath(QString::fromLatin1(p)))) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            texts << QString::fromUtf8(f.readAll());
        }
        o.tickets[QString::fromLatin1(p)] = texts;
    }
    o.rows = rowsOf(*h.server);
    return o;
}

void runTicks(demo::Harness &h, int n) {
    for (int i = 0; i < n; ++i) {
        testing::internal::CaptureStderr();
        h.f->T.runTick();
        testing::internal::GetCapturedStderr();
    }
}

class SqlServerCycle : public ServerTest {
protected:
    void SetUp() override {
        fecha = QStringLiteral("20261213");
        ServerTest::SetUp();
        endpoint = std::make_unique<TdsEndpoint>(tmp.filePath(QStringLiteral("tds")));
        moveToSqlServer(*this, *endpoint, fecha);
    }
    void TearDown() override {
        ServerTest::TearDown();
        endpoint.reset();
    }
    int pending() { return scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")); }
    std::unique_ptr<TdsEndpoint> endpoint;
};

}  // namespace

TEST_F(SqlServerCycle, TheSameOrdersPrintTheSameTicketsAndLeaveTheSameRowsAsOnSqlite) {
    demo::Harness embedded;
    embedded.prepare(fecha);
    addOrders(*embedded.server, fecha);
    embedded.start();
    runTicks(embedded, 2);

    addOrders(*server, fecha);
    start();
    runTicks(*this, 2);

    const Outcome expected = printedAndStored(embedded), got = printedAndStored(*this);
    EXPECT_FALSE(expected.tickets.value(QStringLiteral("Cocina")).isEmpty());
    for (const QString &p : expected.tickets.keys())
        EXPECT_EQ(got.tickets.value(p).join(QStringLiteral("----\n")).toStdString(),
                  expected.tickets.value(p).join(QStringLiteral("----\n")).toStdString())
            << p.toStdString();
    EXPECT_EQ(got.rows.join(QLatin1Char('\n')).toStdString(), expected.rows.join(QLatin1Char('\n')).toStdString());
    // The header snapshot of the 13th kept its date and time.
    EXPECT_EQ(text(QStringLiteral("SELECT TicHora FROM TicImp WHERE TicComa = 13")),
              QStringLiteral("13/12/2026 13:00:00"));
    EXPECT_TRUE(f->statusLine.caption().isEmpty()) << f->statusLine.caption().toStdString();
    embedded.stop();
}

TEST_F(SqlServerCycle, EveryWayOfLosingTheServerMidRunIsRecoveredWithNothingLostOrPrintedTwice) {
    struct Case {
        const char *name;
        tds::Fault fault;
        const char *at;  // the request it strikes
    };
    const Case cases[] = {
        {"cerrada al sondear la cola", tds::Fault::Drop, "FechaMayor"},
        {"cerrada al consultar la cola", tds::Fault::Drop, "SELECT * FROM PendGar WHERE PPPend = 0  AND"},
        {"reiniciada al leer la comanda", tds::Fault::Reset, "FROM Tic "},
        {"muda al grabar la copia", tds::Fault::Silent, "Insert Into TicImp"},
        {"cerrada tras marcar el trabajo", tds::Fault::DropAfter, "UPDATE PendGar SET PPPend = 1"},
        {"cerrada tras confirmar", tds::Fault::DropAfter, "COMMIT"},
        {"reiniciada al confirmar", tds::Fault::Reset, "COMMIT"},
    };
    start();
    int comanda = 20;
    for (const Case &c : cases) {
        ++comanda;
        demo::addOrder(*server, 1, fecha, comanda, 2, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}},
                       {{QStringLiteral("FLAN"), QStringLiteral("Flan"), 1, {}, {}, {}, {}, {}, {}}});
        const int barra = static_cast<int>(tickets(QStringLiteral("Barra")).size());
        const int postres = static_cast<int>(tickets(QStringLiteral("Postres")).size());
        endpoint->server().faultAt(c.fault, QString::fromLatin1(c.at));
        runTicks(*this, 3);
        EXPECT_EQ(pending(), 0) << c.name;
        EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), barra + 1) << c.name;
        EXPECT_EQ(tickets(QStringLiteral("Postres")).size(), postres + 1) << c.name;
        EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Til WHERE TilImp <> TilCant")), 0) << c.name;
        EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Tilm WHERE Imp <> Cantidad")), 0) << c.name;
        EXPECT_TRUE(f->statusLine.caption().isEmpty()) << c.name << ": " << f->statusLine.caption().toStdString();
    }
    EXPECT_GT(endpoint->server().loginCount(), 4 * 2) << "the connections were opened anew";
}

TEST_F(SqlServerCycle, AnIdleTickSendsOneStatementAndAnOrderAddedPrintsAtTheNextTick) {
    start();
    runTicks(*this, 2);
    const qsizetype before = endpoint->server().requests().size();
    runTicks(*this, 1);
    // The turn's renewal runs on its own connection in the program; here it shares the tick.
    QStringList idle = endpoint->server().requests().mid(before);
    idle.removeIf([](const QString &sql) { return sql.contains(QLatin1String("LectorTurno")); });
    ASSERT_EQ(idle.size(), 1) << idle.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(idle[0].contains(QStringLiteral("FechaMayor"))) << idle[0].toStdString();
    demo::addOrder(*server, 1, fecha, 30, 2, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    runTicks(*this, 1);
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
}
