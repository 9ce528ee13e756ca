#include "sql/OrderStatements.h"

#include "sql/SqlText.h"

namespace tpv::sql::order {

namespace {

// The order's rows in each table, the terminal and order as stored.
QString linesWhere(const Variant &tpv, const QString &fecha, const Variant &comanda) {
    return QStringLiteral(" WHERE TilTPV = ") + tpv.toText() + QStringLiteral(" AND TilFec = '") + escaped(fecha) +
           QStringLiteral("' AND TilComa = ") + comanda.toText();
}

QString dishesWhere(const Variant &tpv, const QString &fecha, const Variant &comanda) {
    return QStringLiteral(" WHERE TPV = ") + tpv.toText() + QStringLiteral(" AND Fecha = '") + escaped(fecha) +
           QStringLiteral("' AND Comanda = ") + comanda.toText();
}

QString extrasWhere(const Variant &tpv, const QString &fecha, const Variant &comanda) {
    return QStringLiteral(" WHERE CaTpv = ") + tpv.toText() + QStringLiteral(" AND CaFec = '") + escaped(fecha) +
           QStringLiteral("' AND CaCont = ") + comanda.toText();
}

QString anyOf(const QStringList &terms, qsizetype from, qsizetype to) {
    if (to - from == 1) return terms[from];
    const qsizetype mid = from + (to - from) / 2;
    return QLatin1Char('(') + anyOf(terms, from, mid) + QStringLiteral(" OR ") + anyOf(terms, mid, to) +
           QLatin1Char(')');
}

}  // namespace

QString clearNullPrintedLines(const Variant &tpv, const QString &fecha, const Variant &comanda) {
    return QStringLiteral("UPDATE Til SET TilImp = 0") + linesWhere(tpv, fecha, comanda) +
           QStringLiteral(" AND TilImp IS NULL");
}

QString clearNullPrintedDishes(const Variant &tpv, const QString &fecha, const Variant &comanda) {
    return QStringLiteral("UPDATE Tilm SET Imp = 0") + dishesWhere(tpv, fecha, comanda) +
           QStringLiteral(" AND Imp IS NULL");
}

QString unprintedLines(const Variant &tpv, const QString &fecha, const Variant &comanda) {
    return QStringLiteral("SELECT TilOrd, TilCant FROM Til") + linesWhere(tpv, fecha, comanda) +
           QStringLiteral(" AND TilImp <> TilCant");
}

QString unprintedDishes(const Variant &tpv, const QString &fecha, const Variant &comanda) {
    return QStringLiteral("SELECT Orden, Cantidad FROM Tilm") + dishesWhere(tpv, fecha, comanda) +
           QStringLiteral(" AND Imp <> Cantidad");
}

QString extrasRows(const Variant &tpv, const QString &fecha, const Variant &comanda) {
    return QStringLiteral("SELECT CaOrd, CaCant FROM cargosr") + extrasWhere(tpv, fecha, comanda);
}

QString rowRead(const QString &numberColumn, const QString &number, const QString &quantityColumn,
                const QString &quantity) {
    return QLatin1Char('(') + numberColumn + QStringLiteral(" = ") + number + QStringLiteral(" AND ") + quantityColumn +
           QStringLiteral(" = ") + quantity + QLatin1Char(')');
}

QString onlyRowsRead(const QStringList &rows) {
    if (rows.isEmpty()) return QStringLiteral(" AND 1 = 0");
    return QStringLiteral(" AND ") + anyOf(rows, 0, rows.size());
}

// The lines and dishes are marked with two blanks before the day, as they
// always were.
QString markLinesPrinted(const Variant &tpv, const QString &fecha, const Variant &comanda, const QString &rowsRead) {
    return QStringLiteral("UPDATE til SET TilImp = TilCant WHERE Til.TilTPV = ") + tpv.toText() +
           QStringLiteral(" AND  TilFec = '") + escaped(fecha) + QStringLiteral("' AND TilComa = ") + comanda.toText() +
           rowsRead;
}

QString markDishesPrinted(const Variant &tpv, const QString &fecha, const Variant &comanda, const QString &rowsRead) {
    return QStringLiteral("UPDATE tilm SET Imp = Cantidad WHERE Tilm.TPV = ") + tpv.toText() +
           QStringLiteral(" AND  Fecha = '") + escaped(fecha) + QStringLiteral("' AND Comanda = ") + comanda.toText() +
           rowsRead;
}

QString markExtrasPrinted(const Variant &tpv, const QString &fecha, const Variant &comanda, const QString &rowsRead) {
    return QStringLiteral("UPDATE cargosr SET CaImp = CaCant") + extrasWhere(tpv, fecha, comanda) + rowsRead;
}

QString orderHeader(const Variant &tpv, const QString &fecha, const Variant &comanda) {
    return QStringLiteral("Select * from Tic Where TicTPV = ") + int16(tpv) + QStringLiteral(" And TicComa = ") +
           int16(comanda) + QStringLiteral(" And TicFec = '") + escaped(fecha) + QStringLiteral("'");
}

// The terminal goes in as stored for the lines and as a number for the
// profile.
QString unprintedLinesRouted(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &profile) {
    return QStringLiteral("SELECT * FROM Til, Artv, PerfilEnvioImp WHERE TilTpv = ") + tpv.toText() +
           QStringLiteral(" AND TilArtC = ArtvCod AND ArtvGru = Familia ") + QStringLiteral(" AND IdPerfil = ") +
           int16(profile) + QStringLiteral(" AND IdTpv = ") + int16(tpv) + QStringLiteral(" AND TilComa = ") +
           int16(comanda) + QStringLiteral(" And TilImp <> TilCant And TilFec = '") + escaped(fecha) +
           QStringLiteral("' Order By TilOrd");
}

QString extrasOfLine(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &line) {
    return QStringLiteral("SELECT * FROM cargosr Where CaTPV = ") + tpv.toText() + QStringLiteral(" And CaCont = ") +
           int16(comanda) + QStringLiteral(" And CaFec = '") + escaped(fecha) + QStringLiteral("' And CaOrd = ") +
           bare(line);
}

QString orderLine(int tpv, const QString &fecha, const Variant &comanda, const Variant &line) {
    return QStringLiteral("SELECT * FROM Til WHERE TilTpv = ") + QString::number(tpv) +
           QStringLiteral(" AND TilComa = ") + int16(comanda) + QStringLiteral(" AND TilFec = '") + escaped(fecha) +
           QStringLiteral("' AND TilOrd = ") + bare(line);
}

QString unprintedDishesRouted(const Variant &tpv, const QString &fecha, const Variant &comanda,
                              const Variant &profile) {
    return QStringLiteral("SELECT * FROM Tilm, Artv, PerfilEnvioImp WHERE Tilm.TPV = ") + tpv.toText() +
           QStringLiteral(" AND Tilm.mlpla = Artv.ArtvCod ") + QStringLiteral(" AND PerfilEnvioImp.IdPerfil = ") +
           bare(profile) + QStringLiteral(" AND PerfilEnvioImp.Idtpv = ") + tpv.toText() +
           QStringLiteral(" And PerfilEnvioImp.Familia = Artv.ArtvGru ") + QStringLiteral(" AND TILM.Comanda = ") +
           int16(comanda) + QStringLiteral(" AND TILM.Imp <> TILM.Cantidad AND TILM.Fecha = '") + escaped(fecha) +
           QStringLiteral("' Order By TILM.Orden");
}

QString tableOfOrder(int tpv, const QString &fecha, const Variant &comanda) {
    return QStringLiteral("SELECT TicMes FROM Tic WHERE TicTPV = ") + QString::number(tpv) +
           QStringLiteral(" AND TicComa = ") + int16(comanda) + QStringLiteral(" AND TicFec = '") + escaped(fecha) +
           QStringLiteral("'");
}

QString reprintOrderLines(int tpv, const QString &fecha, const QString &comanda) {
    return QStringLiteral("UPDATE til SET TilImp = 0 WHERE TilComa = ") + comanda + QStringLiteral(" AND TilFec = '") +
           escaped(fecha) + QStringLiteral("' AND TilTpv = ") + QString::number(tpv);
}

QString reprintOrderDishes(int tpv, const QString &fecha, const QString &comanda) {
    return QStringLiteral("UPDATE tilm SET Imp = 0 WHERE Fecha = '") + escaped(fecha) +
           QStringLiteral("' AND Comanda = ") + comanda + QStringLiteral(" AND tpv = ") + QString::number(tpv);
}

QString reprintDayLines(const QString &fecha) {
    return QStringLiteral("Update til set TilImp = 0 Where TilFec = '") + escaped(fecha) + QStringLiteral("'");
}

QString reprintDayDishes(const QString &fecha) {
    return QStringLiteral("Update tilm set Imp = 0 Where Fecha = '") + escaped(fecha) + QStringLiteral("'");
}

}  // namespace tpv::sql::order
