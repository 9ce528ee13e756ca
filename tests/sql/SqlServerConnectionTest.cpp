// The program's connection to SQL Server (QODBC, unixODBC, FreeTDS) against
// the project's TDS server: Spanish text both ways, the schema's types,
// dates read the same whatever the login's language, SQL Server's error
// numbers, and every way a connection dies read as a lost server.
#include "support/TestSupport.h"
#include "sql/ConnectionStrings.h"
#include "compat/Error.h"
#include "sql/TdsSupport.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

using namespace tpv;
using namespace tpv::test;

namespace {

class SqlServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        endpoint = std::make_unique<TdsEndpoint>(tmp.path());
        cn = endpoint->connect();
        cn->execute(QStringLiteral("CREATE TABLE T(n int, s smallint, c char(6), v varchar(40), f float, d datetime)"));
    }
    QTemporaryDir tmp;
    std::unique_ptr<TdsEndpoint> endpoint;
    std::unique_ptr<Connection> cn;
};

}  // namespace

TEST_F(SqlServer, SpanishTextAndTheEuroSignTravelBothWaysWhateverTheLocale) {
    // Under LC_ALL=C FreeTDS would take ISO-8859-1 without ClientCharset.
    cn->execute(QStringLiteral("INSERT INTO T VALUES (1, 2, 'Ñú', 'Caña, piñón, pingüino: 3,50 €', 1.5, NULL)"));
    const ResultSet rs = cn->query(QStringLiteral("SELECT * FROM T WHERE v = 'Caña, piñón, pingüino: 3,50 €'"));
    ASSERT_EQ(rs.rows.size(), 1u);
    const auto &row = rs.rows[0];
    EXPECT_EQ(row[0].kind(), Variant::Kind::Integer);
    EXPECT_EQ(row[1].kind(), Variant::Kind::Integer);
    EXPECT_EQ(row[2].toText(), QStringLiteral("Ñú")) << "a char(n) value reads as written, without its padding";
    EXPECT_EQ(row[3].toText(), QStringLiteral("Caña, piñón, pingüino: 3,50 €"));
    EXPECT_EQ(row[4].toDouble(), 1.5);
    EXPECT_TRUE(row[5].isNull());
}

TEST_F(SqlServer, ADayFirstDateIsStoredAsThatDayUnderEveryLoginLanguage) {
    for (const QString &language : {QStringLiteral("us_english"), QStringLiteral("Español")}) {
        TdsEndpoint other(tmp.filePath(language), language);
        auto c = other.connect();
        c->execute(QStringLiteral("CREATE TABLE D(d datetime)"));
        c->execute(QStringLiteral("INSERT INTO D VALUES ('07/12/2026 13:00:00')"));
        c->execute(QStringLiteral("INSERT INTO D VALUES ('13/12/2026 13:00:00')"));
        const ResultSet rs = c->query(QStringLiteral("SELECT d FROM D"));
        ASSERT_EQ(rs.rows.size(), 2u) << language.toStdString();
        EXPECT_EQ(rs.rows[0][0].toText(), QStringLiteral("07/12/2026 13:00:00")) << language.toStdString();
        EXPECT_EQ(rs.rows[1][0].toText(), QStringLiteral("13/12/2026 13:00:00")) << language.toStdString();
    }
}

TEST_F(SqlServer, TheServerReadsDatesByTheLoginLanguageWhenTheSessionSaysNothing) {
    // What the session setting protects against: the bare ODBC connection
    // of a us_english login.
    const QString odbc = freeTdsConnectionString(endpoint->ip(), QStringLiteral("Garnet"), QStringLiteral("tesmarin"),
                                                 QStringLiteral("KOVU7"));
    auto bare = openOdbc(odbc, 3, 2);
    bare->execute(QStringLiteral("INSERT INTO T (n, d) VALUES (7, '07/12/2026 13:00:00')"));
    EXPECT_EQ(bare->query(QStringLiteral("SELECT d FROM T WHERE n = 7")).rows[0][0].toText(),
              QStringLiteral("12/07/2026 13:00:00"));
    EXPECT_EQ(errorOf([&] { bare->execute(QStringLiteral("INSERT INTO T (n, d) VALUES (13, '13/12/2026')")); }),
              err::SqlSyntax);
}

TEST_F(SqlServer, SqlServerErrorsKeepTheirMeaning) {
    EXPECT_EQ(errorOf([&] { cn->query(QStringLiteral("SELECT * FROM Nada")); }), err::NoSuchTable);
    EXPECT_EQ(errorOf([&] { cn->query(QStringLiteral("SELECT nada FROM T")); }), err::NoSuchColumn);
    EXPECT_EQ(errorOf([&] { cn->execute(QStringLiteral("Delete * from T")); }), err::SqlSyntax);
    EXPECT_EQ(errorOf([&] { cn->execute(QStringLiteral("INSERT INTO T (d) VALUES ('31/02/2026')")); }), err::SqlSyntax);
    // None of them cost the connection.
    EXPECT_NO_THROW(cn->execute(QStringLiteral("Delete T Where n = 1")));
}

TEST_F(SqlServer, EveryWayAConnectionDiesIsALostServerAndANewConnectionWorks) {
    const std::pair<const char *, std::function<void(tds::Server &)>> deaths[] = {
        {"cerrada en reposo", [](tds::Server &s) { s.closeConnections(tds::Fault::Drop); }},
        {"reiniciada en reposo", [](tds::Server &s) { s.closeConnections(tds::Fault::Reset); }},
        {"cerrada al pedir", [](tds::Server &s) { s.faultAt(tds::Fault::Drop); }},
        {"reiniciada al pedir", [](tds::Server &s) { s.faultAt(tds::Fault::Reset); }},
        {"cerrada tras ejecutar", [](tds::Server &s) { s.faultAt(tds::Fault::DropAfter); }},
        {"muda", [](tds::Server &s) { s.faultAt(tds::Fault::Silent); }},
    };
    for (const auto &[name, kill] : deaths) {
        auto c = endpoint->connect();
        c->query(QStringLiteral("SELECT count(*) FROM T"));
        kill(endpoint->server());
        long query = 0, statement = 0;
        QString text;
        try {
            c->query(QStringLiteral("SELECT count(*) FROM T"));
        } catch (const TpvError &e) {
            query = e.number();
            text = e.description();
        }
        EXPECT_EQ(query, err::CannotOpen) << name << ": " << text.toStdString();
        // A statement (a server cursor for FreeTDS) on a dead connection too.
        statement = errorOf([&] { c->execute(QStringLiteral("UPDATE T SET n = 1 WHERE n = 0")); });
        EXPECT_EQ(statement, err::CannotOpen) << name;
        EXPECT_NO_THROW(endpoint->connect()->query(QStringLiteral("SELECT count(*) FROM T"))) << name;
    }
}

TEST_F(SqlServer, AFailedLoginNamesHostDatabaseAndUserButNeverThePassword) {
    ConnectionOptions o;
    o.loginTimeoutSeconds = 3;
    QString text;
    long number = 0;
    try {
        openConnection(endpoint->connectionString(QStringLiteral("camarero"), QStringLiteral("S3creta!")), o);
    } catch (const TpvError &e) {
        number = e.number();
        text = e.description();
    }
    EXPECT_EQ(number, err::CannotOpen);
    EXPECT_TRUE(text.contains(endpoint->ip())) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Garnet"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("camarero"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("S3creta!"))) << text.toStdString();
}

TEST_F(SqlServer, AStatementThroughAServerCursorReadsAndWritesAndItsSetOptionsEndWithIt) {
    // QODBC's default, scrollable statements: FreeTDS runs them through
    // sp_cursoropen, sp_cursorfetch and sp_cursorclose.
    const QString odbc = freeTdsConnectionString(endpoint->ip(), QStringLiteral("Garnet"), QStringLiteral("tesmarin"),
                                                 QStringLiteral("KOVU7"));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("cursores"));
    db.setDatabaseName(odbc);
    ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
    {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO T (n, v) VALUES (1, 'Caña'), (2, 'Piñón')")));
        ASSERT_TRUE(q.exec(QStringLiteral("SET DATEFORMAT dmy")));
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT n, v FROM T ORDER BY n")));
        QStringList read;
        while (q.next()) read << q.value(1).toString();
        EXPECT_EQ(read, QStringList({QStringLiteral("Caña"), QStringLiteral("Piñón")}));
        // The day-first order ended with the cursor's procedure.
        EXPECT_FALSE(q.exec(QStringLiteral("INSERT INTO T (n, d) VALUES (3, '13/12/2026')")));
        EXPECT_EQ(q.lastError().nativeErrorCode(), QStringLiteral("242"));
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("cursores"));
    EXPECT_TRUE(endpoint->server().requests().filter(QStringLiteral("RPC 2 ")).size() >= 3);
}
