#include "sql/ConnectionStrings.h"
#include "sql/DataControl.h"
#include "compat/Error.h"
#include "sql/SqlConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace tpv;
using tpv::test::errorOf;

namespace {

class Sql : public ::testing::Test {
protected:
    void SetUp() override {
        options.dataDir = tmp.path();
        auto cn = createSqliteFile(tmp.filePath(QStringLiteral("wdbServer.mdb")));
        cn->execute(QStringLiteral("CREATE TABLE Vacio(Id integer)"));
        cn->execute(QStringLiteral("CREATE TABLE T(a integer, b text)"));
        cn->execute(QStringLiteral("INSERT INTO T VALUES (1, 'x'), (2, NULL)"));
    }
    QTemporaryDir tmp;
    ConnectionOptions options;
    const QString work =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source = C:\\tesmarin\\tpv\\wdbServer.mdb");
};
}  // namespace

TEST_F(Sql, OpeningAMissingLocalFileFailsAndCreatesNothing) {
    const QString conf =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source = C:\\tesmarin\\tpv\\ConfGarnet.mdb");
    EXPECT_EQ(errorOf([&] { openConnection(conf, options); }), err::CannotOpen);
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath(QStringLiteral("ConfGarnet.mdb"))));
}

TEST_F(Sql, AFileThatIsNoDatabaseCannotBeOpened) {
    QFile junk(tmp.filePath(QStringLiteral("ConfGarnet.mdb")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    const QString conf =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source = C:\\tesmarin\\tpv\\ConfGarnet.mdb");
    EXPECT_EQ(errorOf([&] { openConnection(conf, options); }), err::CannotOpen);
}

TEST_F(Sql, ProviderErrorsCarryTheNumbersTheHandlersTest) {
    auto cn = openConnection(work, options);
    EXPECT_EQ(errorOf([&] { cn->query(QStringLiteral("SELECT * FROM FonTPV")); }), err::NoSuchTable);
    EXPECT_EQ(errorOf([&] { cn->query(QStringLiteral("SELECT tpv FROM T")); }), err::NoSuchColumn);
    EXPECT_EQ(errorOf([&] { cn->execute(QStringLiteral("SELEC nonsense")); }), err::SqlSyntax);
}

TEST_F(Sql, DeleteFormsOfTheOtherProvidersAreRewrittenForSqlite) {
    EXPECT_EQ(rewriteForSqlite(QStringLiteral("Delete * from cargosr")), QStringLiteral("DELETE FROM cargosr"));
    EXPECT_EQ(rewriteForSqlite(QStringLiteral("Delete tilImp Where TilTPV = 1")),
              QStringLiteral("DELETE FROM tilImp WHERE TilTPV = 1"));
    EXPECT_EQ(rewriteForSqlite(QStringLiteral("DELETE FROM ticimp WHERE a = 1")),
              QStringLiteral("DELETE FROM ticimp WHERE a = 1"));
    auto cn = openConnection(work, options);
    cn->execute(QStringLiteral("Delete T Where a = 1"));
    EXPECT_EQ(cn->query(QStringLiteral("SELECT count(*) FROM T")).rows[0][0].toInt32(), 1);
    cn->execute(QStringLiteral("Delete * from T"));
    EXPECT_EQ(cn->query(QStringLiteral("SELECT count(*) FROM T")).rows[0][0].toInt32(), 0);
}

TEST_F(Sql, RecordsetReadsByNameWithoutCaseAndByPositionAndKeepsNulls) {
    auto cn = openConnection(work, options);
    Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM T ORDER BY a"), *cn);
    EXPECT_EQ(rs.field(QStringLiteral("A")).toInt32(), 1);
    EXPECT_EQ(rs.field(1).toText(), QStringLiteral("x"));
    rs.moveNext();
    EXPECT_TRUE(rs.field(QStringLiteral("b")).isNull());
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_NE(errorOf([&] { rs.field(0); }), 0);
}

TEST_F(Sql, DataControlReportsDropOfAMissingTableAs3376) {
    DataControl c(options);
    c.setRecordSource(QStringLiteral("Select * from Vacio"));
    c.refresh();
    EXPECT_EQ(errorOf([&] { c.execute(QStringLiteral("DROP TABLE Nada")); }), err::DropMissingTable);
    EXPECT_EQ(errorOf([&] { c.execute(QStringLiteral("Delete * from Nada")); }), err::NoSuchTable);
}

TEST_F(Sql, ServerStringNamingAFileOpensThatSqliteFile) {
    const QString s = QStringLiteral("Provider=SQLOLEDB.1;Data Source =") +
                      tmp.filePath(QStringLiteral("wdbServer.mdb")) +
                      QStringLiteral(";Initial Catalog=X;User ID=tesmarin;Password=KOVU7");
    auto cn = openConnection(s, options);
    EXPECT_EQ(cn->query(QStringLiteral("SELECT count(*) FROM T")).rows[0][0].toInt32(), 2);
    EXPECT_EQ(
        errorOf([&] { openConnection(QStringLiteral("Provider=SQLOLEDB.1;Data Source =;Initial Catalog="), options); }),
        err::CannotOpen);
}

TEST(FreeTds, HostFormsBecomeServerAndPort) {
    EXPECT_EQ(freeTdsConnectionString(QStringLiteral("10.0.0.5"), QStringLiteral("Garnet"), QStringLiteral("u"),
                                      QStringLiteral("p")),
              QStringLiteral("DRIVER={FreeTDS};Server=10.0.0.5;Port=1433;Database=Garnet;UID=u;PWD=p;TDS_Version=7.4;"
                             "ClientCharset=UTF-8"));
    EXPECT_TRUE(freeTdsConnectionString(QStringLiteral("srv,1500"), QStringLiteral("G"), {}, {})
                    .contains(QLatin1String("Server=srv;Port=1500;")));
    EXPECT_TRUE(freeTdsConnectionString(QStringLiteral("srv\\SQLEXPRESS"), QStringLiteral("G"), {}, {})
                    .contains(QLatin1String("Instance=SQLEXPRESS;")));
}

// The ODBC path, exercised on an SQLite file through the SQLite3 ODBC driver.
TEST_F(Sql, OdbcConnectionReadsAndWritesThroughTheDriverManager) {
    if (!QFileInfo::exists(QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so")) &&
        !QFileInfo::exists(QStringLiteral("/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so")))
        GTEST_SKIP() << "el controlador ODBC de SQLite3 (libsqliteodbc) no está instalado";
    auto cn = openOdbc(QStringLiteral("DRIVER={SQLite3};Database=") + tmp.filePath(QStringLiteral("wdbServer.mdb")), 3);
    cn->execute(QStringLiteral("INSERT INTO T VALUES (3, 'o''dbc')"));
    const ResultSet rs = cn->query(QStringLiteral("SELECT a, b FROM T ORDER BY a"));
    ASSERT_EQ(rs.rows.size(), 3u);
    EXPECT_TRUE(rs.rows[1][1].isNull());
    EXPECT_EQ(rs.rows[2][1].toText(), QStringLiteral("o'dbc"));
    EXPECT_EQ(errorOf([&] { cn->query(QStringLiteral("SELECT * FROM Nada")); }), err::NoSuchTable);
}

TEST(Odbc, ARefusedSqlServerPortIsCannotOpen) {
    // Port 1 on loopback refuses at once; the error is "cannot open".
    ConnectionOptions o;
    o.loginTimeoutSeconds = 2;
    long n = errorOf([&] {
        openConnection(
            QStringLiteral("Provider=SQLOLEDB.1;Data Source =127.0.0.1,1;Initial Catalog=G;User ID=a;Password=b"), o);
    });
    EXPECT_EQ(n, err::CannotOpen);
}

// A column's text is shared with the row above when it repeats; a value that
// differs only in length, in case, after a NULL, a number of the same digits
// or a blob must still read back exactly as stored.
TEST_F(Sql, RepeatedTextsReadBackAsStoredRowByRow) {
    auto cn = openSqliteFile(tmp.filePath(QStringLiteral("wdbServer.mdb")), 1000);
    cn->execute(QStringLiteral("CREATE TABLE R(n integer, v)"));
    cn->execute(
        QStringLiteral("INSERT INTO R VALUES (1, '20261208'), (2, '20261208'), (3, '2026120'), (4, '2026120'), "
                       "(5, NULL), (6, '2026120'), (7, 42), (8, '42'), (9, 'Ñandú'), (10, 'ñandú'), (11, 'ñandú'), "
                       "(12, 'abc'), (13, x'78797A'), (14, 'abc')"));
    const ResultSet rs = cn->query(QStringLiteral("SELECT v FROM R ORDER BY n"));
    ASSERT_EQ(rs.rows.size(), 14u);
    QStringList read;
    for (const auto &row : rs.rows) read << (row[0].isNull() ? QStringLiteral("<null>") : row[0].toText());
    EXPECT_EQ(read, QStringList({"20261208", "20261208", "2026120", "2026120", "<null>", "2026120", "42", "42", "Ñandú",
                                 "ñandú", "ñandú", "abc", "xyz", "abc"}));
    EXPECT_EQ(rs.rows[6][0].kind(), Variant::Kind::Integer);
    EXPECT_EQ(rs.rows[7][0].kind(), Variant::Kind::Text);
}
