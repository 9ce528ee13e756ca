#include "kitchen/PrintingSupport.h"

using namespace tpv;
using namespace tpv::test;

namespace {
// Every column of a table's first row, as text.
QStringList row(Connection &cn, const QString &sql) {
    const ResultSet rs = cn.query(sql);
    QStringList out;
    if (rs.rows.empty()) return out;
    for (const auto &v : rs.rows[0]) out << (v.isNull() ? QStringLiteral("<null>") : v.toText());
    return out;
}
}  // namespace

TEST_F(Printing, QuotesInEveryTextColumnPrintAndTheSnapshotStoresTheValuesRead) {
    routeAllTo(2);
    demo::Extra e;
    e.modifc = 1;
    e.modifn = QStringLiteral("Sin 'hielo'");
    e.guarnic = 0;
    e.guarnin = QStringLiteral("O'Brien");
    demo::addOrder(*server, 1, fecha, 30, 1, {{QStringLiteral("PAN"), QStringLiteral("Pa'amb tomàquet"), 1, e}},
                   {{QStringLiteral("CAN"),
                     QStringLiteral("Caña d'or"),
                     1,
                     2,
                     std::nullopt,
                     4,
                     QStringLiteral("Ma'x"),
                     {},
                     QStringLiteral("Al'ioli")}});
    for (const char *c : {"TicCli", "TicTipo", "TicCam", "TicEst", "TicHab", "TicCob", "TicSer", "TicHue"})
        exec(QStringLiteral("UPDATE Tic SET %1 = 'o''k'").arg(QString::fromLatin1(c)));
    exec(QStringLiteral("UPDATE Tic SET TicSal = ''''"));
    // Article codes with a quote, in the order and in the catalogue alike.
    exec(QStringLiteral("UPDATE Artv SET ArtvCod = 'P''N' WHERE ArtvCod = 'PAN'"));
    exec(QStringLiteral("UPDATE Artv SET ArtvCod = 'C''N' WHERE ArtvCod = 'CAN'"));
    exec(QStringLiteral("UPDATE Til SET TilEst = '''', TilTipo = 'x''', TilNatur = '''y', TilArtc = 'P''N'"));
    exec(QStringLiteral("UPDATE Tilm SET artvcod = 'M''1', mlpla = 'C''N'"));
    start();
    tick();
    const QString t = tickets(QStringLiteral("Barra")).value(0);
    EXPECT_TRUE(t.startsWith(QStringLiteral("Fecha 07/12/2026     Tpv '\r\n"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("1 Pa'amb tomàquet\r\n     /Sin 'hielo'\r\n\r\n"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("1 Caña d'or\r\n     /Ma'x\r\n     /Al'ioli\r\n"))) << t.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);

    // The header, line and dish snapshots hold exactly the source values.
    auto &cn = *server;
    QStringList tic = row(cn, QStringLiteral("SELECT * FROM Tic"));
    QStringList ticImp = row(cn, QStringLiteral("SELECT * FROM TicImp"));
    ASSERT_EQ(ticImp.size(), tic.size() + 1);
    EXPECT_EQ(ticImp.mid(0, tic.size()), tic);
    EXPECT_EQ(ticImp.last(), QStringLiteral("1"));
    const QStringList til = row(cn, QStringLiteral("SELECT * FROM Til"));
    const QStringList tilImp = row(cn, QStringLiteral("SELECT * FROM TilImp"));
    EXPECT_EQ(tilImp.mid(0, 13), til.mid(0, 13));
    EXPECT_EQ(tilImp.value(13), QStringLiteral("0"));  // printed count before this sending
    EXPECT_EQ(tilImp.mid(15),
              QStringList({QStringLiteral("1"), QStringLiteral("Sin 'hielo'"), QStringLiteral("0"),
                           QStringLiteral("O'Brien"), QStringLiteral("<null>"), QStringLiteral("<null>")}));
    const QStringList tilmImp = row(
        cn,
        QStringLiteral("SELECT fecha, artvcod, mlpla, mlplan, modifn, salsan, guarnic, grupo, PendOrd FROM TilmImp"));
    EXPECT_EQ(tilmImp, QStringList({fecha, QStringLiteral("M'1"), QStringLiteral("C'N"), QStringLiteral("Caña d or"),
                                    QStringLiteral("Ma'x"), QStringLiteral("Al'ioli"), QStringLiteral("<null>"),
                                    QStringLiteral("1"), QStringLiteral("1")}));
}

TEST_F(Printing, ExtrasWithCodeZeroOrNullAddNoTextButStillEndTheLineWithAnEmptyLine) {
    routeAllTo(2);
    demo::Extra e;
    e.modifc = 0;
    e.modifn = QStringLiteral("nada");
    demo::addOrder(*server, 1, fecha, 31, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, e}},
                   {{QStringLiteral("AGUA"),
                     QStringLiteral("Agua"),
                     1,
                     0,
                     std::nullopt,
                     std::nullopt,
                     QStringLiteral(""),
                     {},
                     {}}});
    start();
    f->lineasp.setText(QStringLiteral("0"));
    tick();
    const QString t = tickets(QStringLiteral("Barra")).value(0);
    // Line with an extra row: an empty line after it. A menu dish with code 0
    // prints its (blank) extra line.
    EXPECT_TRUE(t.contains(QStringLiteral("1 Caña\r\n\r\n___"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("1 Agua\r\n     /\r\n***"))) << t.toStdString();
    EXPECT_EQ(text(QStringLiteral("SELECT modifc FROM TilImp")), QStringLiteral("0"));
    EXPECT_TRUE(server->query(QStringLiteral("SELECT guarnic FROM TilImp")).rows[0][0].isNull());
}

TEST_F(Printing, ALaterSendingRewritesOnlyItsOwnSnapshotRows) {
    routeAllTo(2);
    demo::addOrder(*server, 1, fecha, 32, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    tick();
    demo::addOrder(*server, 1, fecha, 32, 1, {line(QStringLiteral("VINO"), QStringLiteral("Vino"), 1)}, {});
    tick();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM TicImp")), 2);
    EXPECT_EQ(text(QStringLiteral("SELECT group_concat(TilPendOrd || ':' || trim(TilArtN)) FROM TilImp")),
              QStringLiteral("1:Caña,2:Vino"));
}
