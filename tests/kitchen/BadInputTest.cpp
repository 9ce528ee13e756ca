// Bad data in the order tables, as a terminal with a bug would write it: the
// job fails alone, before anything is printed, and leaves every row as it
// was; texts of any kind print and are stored as written.
#include "kitchen/PrintingSupport.h"

#include "sql/SqlConnection.h"

#include <algorithm>

using namespace tpv;
using namespace tpv::test;

namespace {

class BadInput : public Printing {
protected:
    // Every row of every order table, in a fixed order: two dumps compare
    // equal when no row changed. (The print server's own tables, the turn
    // that is renewed at every tick among them, are not the order's.)
    QString dump() const {
        QString out;
        const ResultSet tables = server->query(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'Lector%' ORDER BY name"));
        for (const auto &t : tables.rows) {
            const ResultSet rows = server->query(QStringLiteral("SELECT * FROM %1").arg(t[0].toText()));
            QStringList lines;
            for (const auto &r : rows.rows) {
                QString line;
                for (const Variant &v : r)
                    line += (v.isNull() ? QStringLiteral("<null>") : v.toText()) + QLatin1Char('|');
                lines << line;
            }
            lines.sort();
            out += t[0].toText() + QLatin1Char('\n') + lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
        }
        return out;
    }
    void expectIntegrity() const { EXPECT_EQ(text(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok")); }
};

}  // namespace

TEST_F(BadInput, JobValuesThatAreNotPlainIntegersFailTheJobWithError13AndChangeNoRow) {
    routeAllTo(2);
    demo::addOrder(*server, 1, fecha, 20, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)},
                   {dish(QStringLiteral("ENSA"), QStringLiteral("Ensalada"), 1)});
    // Another terminal's job of the day, and a done one, that an injected
    // completion would mark or unmark.
    demo::addJob(*server, 2, fecha, 20);
    exec(QStringLiteral("UPDATE PendGar SET PPPend = 1 WHERE PParg1 = '2'"));
    demo::addJob(*server, 2, fecha, 21);
    exec(QStringLiteral("UPDATE PendGar SET PPOrd = 100 WHERE PPOrd = 1"));
    start();
    const struct {
        const char *column;
        const char *value;
    } cases[] = {{"PPOrd", "2 OR 1=1"}, {"PParg3", "20.4"},      {"PParg3", "20 OR 1=1"},
                 {"PParg3", "40000"},   {"PParg3", ""},          {"PParg7", "1 OR 1=1"},
                 {"PParg7", "1e0"},     {"PPOrd", "2147483648"}, {"PParg3", "20; DELETE FROM Til"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.column) + " = " + c.value);
        exec(QStringLiteral("UPDATE PendGar SET PPOrd = 100, PParg3 = '20', PParg7 = '1' WHERE PParg1 = '1'"));
        exec(QStringLiteral("UPDATE PendGar SET %1 = '%2' WHERE PParg1 = '1'")
                 .arg(QString::fromLatin1(c.column), QString::fromUtf8(c.value)));
        const QString before = dump();
        quietTick();
        EXPECT_EQ(dump(), before);
        EXPECT_TRUE(tickets(QStringLiteral("Barra")).isEmpty());
        const QString status = f->statusLine.caption();
        EXPECT_TRUE(status.contains(QStringLiteral("error 13: No coinciden los tipos"))) << status.toStdString();
        EXPECT_TRUE(status.contains(QString::fromLatin1(c.column))) << status.toStdString();
        EXPECT_TRUE(status.contains(QStringLiteral("(trabajo "))) << status.toStdString();
        expectIntegrity();
    }
    // Corrected, the job prints once and marks only itself.
    exec(QStringLiteral("UPDATE PendGar SET PPOrd = 100, PParg3 = '20', PParg7 = '1' WHERE PParg1 = '1'"));
    quietTick();
    quietTick();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar WHERE PParg1 = '1'")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PParg1 = '2' AND PPPend = 0")), 1);
    EXPECT_TRUE(f->statusLine.caption().isEmpty()) << f->statusLine.caption().toStdString();
    expectIntegrity();
}

TEST_F(BadInput, LineNumberWithSqlInItFailsTheJobInsteadOfPrintingAnotherLinesGarnish) {
    routeAllTo(2);
    demo::Extra garnish;
    garnish.guarnic = 4;
    garnish.guarnin = QStringLiteral("Patatas");
    demo::addOrder(*server, 1, fecha, 30, 1,
                   {{QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1, garnish},
                    line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)},
                   {});
    exec(QStringLiteral("UPDATE Til SET TilOrd = '2 OR 1=1' WHERE TilArtN = 'Caña'"));
    start();
    const QString before = dump();
    quietTick();
    EXPECT_EQ(dump(), before);
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).isEmpty());
    const QString status = f->statusLine.caption();
    EXPECT_TRUE(status.contains(QStringLiteral("error 13"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("TilOrd"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("Caña"))) << status.toStdString();
    expectIntegrity();
}

TEST_F(BadInput, NullLineOrDishNumberFailsTheJobInsteadOfJoiningTwoLines) {
    routeAllTo(2);
    demo::addOrder(*server, 1, fecha, 31, 1,
                   {line(QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1),
                    line(QStringLiteral("FLAN"), QStringLiteral("Flan"), 1)},
                   {});
    exec(QStringLiteral("UPDATE Til SET TilOrd = NULL WHERE TilArtN = 'Entrecot'"));
    start();
    QString before = dump();
    quietTick();
    EXPECT_EQ(dump(), before);
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).isEmpty());
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("error 94"))) << f->statusLine.caption().toStdString();
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("Entrecot"))) << f->statusLine.caption().toStdString();
    expectIntegrity();

    // The same for a menu dish.
    exec(QStringLiteral("UPDATE Til SET TilOrd = 1 WHERE TilArtN = 'Entrecot'"));
    exec(QStringLiteral("UPDATE Til SET TilImp = TilCant"));
    demo::addOrder(*server, 1, fecha, 31, 1, {}, {dish(QStringLiteral("ENSA"), QStringLiteral("Ensalada"), 1)});
    exec(QStringLiteral("DELETE FROM PendGar WHERE PPOrd = 2"));
    exec(QStringLiteral("UPDATE Tilm SET orden = NULL"));
    before = dump();
    quietTick();
    EXPECT_EQ(dump(), before);
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).isEmpty());
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("orden"))) << f->statusLine.caption().toStdString();
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("Ensalada"))) << f->statusLine.caption().toStdString();
    expectIntegrity();
}

TEST_F(BadInput, NumbersOfTheSnapshotCopiesThatAreNotNumbersFailTheJobBeforeAnyTicket) {
    routeAllTo(2);
    demo::Extra extra;
    extra.modifc = 3;
    extra.modifn = QStringLiteral("Poco hecho");
    demo::addOrder(*server, 1, fecha, 32, 1, {{QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1, extra}}, {});
    start();
    const struct {
        const char *table, *column, *value;
    } cases[] = {{"Til", "TilNum", "32) --"},
                 {"Til", "TilPre", "2.5, 0); DELETE FROM Til; --"},
                 {"Tic", "TicMes", "1 + (SELECT 1)"},
                 {"cargosr", "modifc", "3,'x'); --"},
                 {"Tic", "TicNi", "99999999999"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.table) + "." + c.column);
        const QString table = QString::fromLatin1(c.table), column = QString::fromLatin1(c.column);
        const QString saved = text(QStringLiteral("SELECT %1 FROM %2").arg(column, table));
        exec(QStringLiteral("UPDATE %1 SET %2 = '%3'")
                 .arg(table, column, QString::fromLatin1(c.value).replace(QLatin1Char('\''), QStringLiteral("''"))));
        const QString before = dump();
        quietTick();
        EXPECT_EQ(dump(), before);
        EXPECT_TRUE(tickets(QStringLiteral("Barra")).isEmpty());
        EXPECT_TRUE(f->statusLine.caption().contains(column)) << f->statusLine.caption().toStdString();
        expectIntegrity();
        exec(QStringLiteral("UPDATE %1 SET %2 = %3").arg(table, column, withDecimalPoint(saved)));
    }
    quietTick();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM TilImp WHERE modifc = 3")), 1);
}

TEST_F(BadInput, HostileTextsPrintAndAreStoredVerbatim) {
    routeAllTo(2);
    const QString drop = QStringLiteral("'; DROP TABLE Til; --");
    const QString quotes = QStringLiteral("O'Brien's \"doble\" ''");
    const QString slashes = QStringLiteral(R"(C:\tesmarin\ \' \\)");
    const QString emoji = QStringLiteral("Tarta 🎂🍰 señor");
    const QString longName = QString(200, QLatin1Char('x')).replace(0, 3, QStringLiteral("ñ'é"));
    demo::Extra extra;
    extra.modifc = 3;
    extra.modifn = drop;
    extra.guarnic = 1;
    extra.guarnin = slashes;
    demo::addOrder(*server, 1, fecha, 33, 1,
                   {{QStringLiteral("ENTR"), drop, 1, extra},
                    line(QStringLiteral("CAN"), quotes, 1),
                    line(QStringLiteral("FLAN"), slashes, 1),
                    line(QStringLiteral("CAN"), emoji, 1),
                    line(QStringLiteral("CAN"), longName, 1)},
                   {dish(QStringLiteral("ENSA"), drop, 1), dish(QStringLiteral("ENSA"), emoji, 1)});
    start();
    quietTick();
    const QStringList t = tickets(QStringLiteral("Barra"));
    ASSERT_EQ(t.size(), 1) << f->statusLine.caption().toStdString();
    for (const QString &s : {drop, quotes, slashes, emoji, longName}) EXPECT_TRUE(t[0].contains(s)) << s.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
    // The snapshot copies hold the names as read.
    const ResultSet names = server->query(QStringLiteral("SELECT TilArtN FROM TilImp ORDER BY TilOrd"));
    ASSERT_EQ(names.rows.size(), 5u);
    QStringList stored;
    for (const auto &r : names.rows) stored << r[0].toText();
    EXPECT_EQ(stored, QStringList({drop, quotes, slashes, emoji, longName}));
    EXPECT_EQ(text(QStringLiteral("SELECT modifn FROM TilImp WHERE TilOrd = 1")), drop);
    EXPECT_EQ(text(QStringLiteral("SELECT guarnin FROM TilImp WHERE TilOrd = 1")), slashes);
    // Dish names keep their long-standing cleaning: a quote becomes a blank.
    EXPECT_EQ(text(QStringLiteral("SELECT mlplan FROM TilmImp ORDER BY orden")),
              QString(drop).replace(QLatin1Char('\''), QLatin1Char(' ')));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Til")), 5);
    expectIntegrity();
}

TEST_F(BadInput, ABusinessDateThatIsNoDateIsReportedOncePrintsNothingAndPrintingResumesWhenCorrected) {
    routeAllTo(2);
    const QString odd = QStringLiteral("D'Artagnan");
    demo::setBusinessDate(*server, 1, odd);
    demo::addOrder(*server, 1, odd, 34, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    testing::internal::CaptureStderr();
    tick();
    tick();
    const QString log = QString::fromUtf8(testing::internal::GetCapturedStderr());
    EXPECT_EQ(log.count(QStringLiteral("«D'Artagnan»")), 1) << log.toStdString();
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("no es una fecha")))
        << f->statusLine.caption().toStdString();
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 0);
    // The closing corrected on the server: the day's jobs print again.
    demo::setBusinessDate(*server, 1, fecha);
    demo::addOrder(*server, 1, fecha, 35, 1, {line(QStringLiteral("AGUA"), QStringLiteral("Agua"), 1)}, {});
    quietTick();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    EXPECT_TRUE(f->statusLine.caption().isEmpty()) << f->statusLine.caption().toStdString();
    expectIntegrity();
}

TEST_F(BadInput, JobsWithANullKeyColumnAreReportedOnceEachAndDoNotHoldBackTheOthers) {
    routeAllTo(2);
    const QString cols =
        QStringLiteral("INSERT INTO PendGar (PPFecha, PPOrd, PPCod, PPPend, PParg1, PParg7, PParg3) VALUES ");
    exec(cols + QStringLiteral("(NULL, 51, 'Com', 0, '1', '1', '40')"));
    exec(cols + QStringLiteral("('%1', 52, NULL, 0, '1', '1', '41')").arg(fecha));
    exec(cols + QStringLiteral("('%1', 53, 'Com', NULL, '1', '1', '42')").arg(fecha));
    exec(cols + QStringLiteral("('%1', 54, 'Com', 0, NULL, '1', '43')").arg(fecha));
    exec(cols + QStringLiteral("('%1', 55, NULL, 0, '2', '1', '44')").arg(fecha));  // another terminal's
    exec(cols + QStringLiteral("('20261206', 56, NULL, 0, '1', '1', '45')"));       // another day
    demo::addOrder(*server, 1, fecha, 35, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    testing::internal::CaptureStderr();
    tick();
    const QString afterFirst = f->statusLine.caption();
    tick();
    tick();
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    for (const auto &[ord, column] : {std::pair{51, "PPFecha"}, {52, "PPCod"}, {53, "PPPend"}, {54, "PParg1"}}) {
        const QString start = QStringLiteral("El trabajo %1 de la cola").arg(ord);
        // Once as a failure; the recovery line that may quote it is no second report.
        const QStringList lines = log.split(QLatin1Char('\n'));
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](const QString &l) { return l.startsWith(start); }), 1)
            << ord << log.toStdString();
        const int at = log.indexOf(start);
        EXPECT_TRUE(log.mid(at, log.indexOf(QLatin1Char('\n'), at) - at).contains(QString::fromLatin1(column))) << ord;
    }
    EXPECT_FALSE(log.contains(QStringLiteral("El trabajo 55"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("El trabajo 56"))) << log.toStdString();
    EXPECT_TRUE(afterFirst.startsWith(QStringLiteral("El trabajo 54 de la cola"))) << afterFirst.toStdString();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    expectIntegrity();
}

TEST_F(BadInput, BlankLineFieldThatIsNoNumberFailsTheRunSayingWhatItHoldsAndWhereToCorrectIt) {
    routeAllTo(2);
    demo::addOrder(*server, 1, fecha, 36, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    for (const QString &bad : {QStringLiteral("tres"), QStringLiteral("99999")}) {
        f->lineasp.setText(bad);
        const QString before = dump();
        quietTick();
        EXPECT_EQ(dump(), before);
        EXPECT_TRUE(tickets(QStringLiteral("Barra")).isEmpty());
        const QString status = f->statusLine.caption();
        EXPECT_TRUE(status.contains(QStringLiteral("«") + bad + QStringLiteral("»"))) << status.toStdString();
        EXPECT_TRUE(status.contains(QStringLiteral("líneas en blanco"))) << status.toStdString();
        EXPECT_TRUE(status.contains(QStringLiteral("flechas"))) << status.toStdString();
    }
    f->lineasp.setText(QStringLiteral("1"));
    quietTick();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    expectIntegrity();
}
