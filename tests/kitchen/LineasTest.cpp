#include "support/TestSupport.h"

#include "kitchen/Config.h"
#include "sql/SqlConnection.h"

#include <QDir>

using namespace tpv;
using namespace tpv::test;

TEST_F(ServerTest, UpDownSavesTheBlankLinesInTheRowOfThisTerminalOnly) {
    {
        auto cn = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb")));
        cn->execute(QStringLiteral("INSERT INTO Confi VALUES ('Otro', 'x', 'y', 'a', 'b', 5, 0, 2, 7)"));
    }
    start();
    UpDown1_UpClick(f->g, f->lineasp);
    EXPECT_EQ(f->lineasp.text(), QStringLiteral("4"));
    for (int i = 0; i < 5; ++i) UpDown1_DownClick(f->g, f->lineasp);
    EXPECT_EQ(f->g.lineaspie, -1);
    auto cn = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb")));
    const ResultSet rs = cn->query(QStringLiteral("SELECT Cod, lineaspie FROM Confi ORDER BY Cod"));
    EXPECT_EQ(rs.rows[0][1].toInt32(), 7);   // 'Otro', terminal 2: untouched
    EXPECT_EQ(rs.rows[1][1].toInt32(), -1);  // 'Prul4', terminal 1
}

TEST_F(ServerTest, EmptyPrinterConnectionTableLeavesOnlyNinguna) {
    exec(QStringLiteral("DELETE FROM prn"));
    start();
    EXPECT_EQ(f->g.Impresoras, QStringList{QStringLiteral("Ninguna")});
    EXPECT_EQ(f->g.NumImpresoras, 1);
}
