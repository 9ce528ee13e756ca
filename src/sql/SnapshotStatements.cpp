#include "sql/SnapshotStatements.h"

#include "sql/SqlText.h"

namespace tpv::sql::snapshot {

namespace {

// One order's rows in each snapshot table, its values already SQL.
QString headersWhere(const QString &tpv, const QString &fecha, const QString &comanda) {
    return QStringLiteral(" WHERE TicTPV = ") + tpv + QStringLiteral(" AND TicFec = '") + escaped(fecha) +
           QStringLiteral("' AND TicComa = ") + comanda;
}

QString linesWhere(const QString &tpv, const QString &fecha, const QString &comanda) {
    return QStringLiteral(" WHERE TilTPV = ") + tpv + QStringLiteral(" AND TilFec = '") + escaped(fecha) +
           QStringLiteral("' AND TilComa = ") + comanda;
}

QString dishesWhere(const QString &tpv, const QString &fecha, const QString &comanda) {
    return QStringLiteral(" WHERE TPV = ") + tpv + QStringLiteral(" AND Fecha = '") + escaped(fecha) +
           QStringLiteral("' AND Comanda = ") + comanda;
}

// The extras' columns and values, each after a comma.
void appendExtras(const std::vector<ColumnValue> &extras, QString *columns, QString *values) {
    for (const ColumnValue &e : extras) {
        *columns += QLatin1Char(',') + e.column;
        *values += QLatin1Char(',') + e.value;
    }
}

// The articles of a sending's rows routed by the family's printers under
// the profile, for the terminal.
QString routing(const QString &tpv, const QString &profile) {
    return QStringLiteral(" AND Artv.ArtvGru = PerfilEnvioImp.Familia AND PerfilEnvioImp.IdPerfil = ") + profile +
           QStringLiteral(" AND PerfilEnvioImp.IdTpv = ") + tpv;
}

}  // namespace

QStringList emptyLocalCopies() {
    return {QStringLiteral("Delete from TicImp"), QStringLiteral("Delete from TilImp"),
            QStringLiteral("Delete from TilmImp")};
}

QString deleteHeaderSnapshot(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &ord) {
    return QStringLiteral("DELETE FROM TicImp WHERE TicTPV = ") + tpv.toText() + QStringLiteral(" And TicComa = ") +
           int16(comanda) + QStringLiteral(" And TicFec = '") + escaped(fecha) + QStringLiteral("' And TicPendOrd = ") +
           ord.toText();
}

// Two blanks before the values, as there always were.
QString insertHeaderSnapshot(const QString &values) {
    return QStringLiteral(
               "Insert Into TicImp (TicNum,TicFec,TicCli,TicSal,TicMes,TicCom,TicComa,TicTipo,TicCam,"
               "TicBas,TicIVA,TicCuota,TicTotal,TicEst,ticHab,TicFec1,TicCob,TicSer,TicHue,TicNi,TicTPV,"
               "TicHora,TicPendOrd) Values  (") +
           values + QLatin1Char(')');
}

QString deleteLineSnapshots(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &ord) {
    return QStringLiteral("Delete tilImp Where TilTPV = ") + tpv.toText() + QStringLiteral(" And TilComa = ") +
           int16(comanda) + QStringLiteral(" And TilImp <> TilCant And TilFec = '") + escaped(fecha) +
           QStringLiteral("' And TilPendOrd = ") + ord.toText();
}

QString insertLineSnapshot(const QString &values, const std::vector<ColumnValue> &extras) {
    QString columns = QStringLiteral(
        "Insert Into TilImp (TilNum,TilOrd,TilArtc,TilArtN,TilCant,TilPre,TilTotal,TilEst,TilFec,TilComa,TilTipo,"
        "TilNatur,TilTPV,TilImp,TilPendOrd");
    QString allValues = QStringLiteral(") VALUES (") + values;
    appendExtras(extras, &columns, &allValues);
    return columns + allValues + QLatin1Char(')');
}

QString deleteMenuSnapshots(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &ord) {
    return QStringLiteral("DELETE FROM TilmImp Where TilmImp.TPV = ") + tpv.toText() +
           QStringLiteral(" And Comanda = ") + int16(comanda) + QStringLiteral(" And Imp <> Cantidad And Fecha = '") +
           escaped(fecha) + QStringLiteral("' And PendOrd = ") + ord.toText();
}

QString insertMenuSnapshot(const QString &dishValues, const std::vector<ColumnValue> &extras,
                           const QString &trailingValues) {
    QString columns = QStringLiteral("INSERT INTO TilmImp (fecha,comanda,orden,artvcod,mccod,mlpla,mlplan,cantidad");
    QString values = dishValues;
    appendExtras(extras, &columns, &values);
    return columns + QStringLiteral(",grupo,tpv,imp,PendOrd) Values (") + values + QLatin1Char(',') + trailingValues +
           QLatin1Char(')');
}

QStringList removeSending(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &ord) {
    const QString t = tpv.toText(), c = comanda.toText(), o = ord.toText();
    return {QStringLiteral("DELETE FROM ticimp") + headersWhere(t, fecha, c) + QStringLiteral(" AND TicPendOrd = ") + o,
            QStringLiteral("DELETE FROM tilimp") + linesWhere(t, fecha, c) + QStringLiteral(" AND TilPendOrd = ") + o,
            QStringLiteral("DELETE FROM tilmimp") + dishesWhere(t, fecha, c) + QStringLiteral(" AND PendOrd = ") + o};
}

QString lastSendingOfOrder(const QString &tpv, const QString &fecha, const QString &comanda) {
    return QStringLiteral("SELECT max(p) FROM (SELECT TilPendOrd AS p FROM TilImp") + linesWhere(tpv, fecha, comanda) +
           QStringLiteral(" UNION ALL SELECT PendOrd AS p FROM TilmImp") + dishesWhere(tpv, fecha, comanda) +
           QStringLiteral(") envios");
}

QString linesOfSending(const QString &tpv, const QString &fecha, const QString &comanda, const QString &ord,
                       const QString &profile) {
    return QStringLiteral("SELECT * FROM TilImp, Artv, PerfilEnvioImp WHERE TilImp.TilTPV = ") + tpv +
           QStringLiteral(" AND TilFec = '") + escaped(fecha) + QStringLiteral("' AND TilComa = ") + comanda +
           QStringLiteral(" AND TilPendOrd = ") + ord + QStringLiteral(" AND TilImp.TilArtc = Artv.ArtvCod") +
           routing(tpv, profile) + QStringLiteral(" ORDER BY TilOrd");
}

QString dishesOfSending(const QString &tpv, const QString &fecha, const QString &comanda, const QString &ord,
                        const QString &profile) {
    return QStringLiteral("SELECT * FROM TilmImp, Artv, PerfilEnvioImp WHERE TilmImp.TPV = ") + tpv +
           QStringLiteral(" AND Fecha = '") + escaped(fecha) + QStringLiteral("' AND Comanda = ") + comanda +
           QStringLiteral(" AND PendOrd = ") + ord + QStringLiteral(" AND TilmImp.mlpla = Artv.ArtvCod") +
           routing(tpv, profile) + QStringLiteral(" ORDER BY Orden");
}

QStringList headerOfSending(const QString &tpv, const QString &fecha, const QString &comanda, const QString &ord) {
    const QString columns = QStringLiteral("SELECT TicFec1, TicSal, TicMes, TicComa FROM ");
    return {columns + QStringLiteral("TicImp") + headersWhere(tpv, fecha, comanda) +
                QStringLiteral(" AND TicPendOrd = ") + ord,
            columns + QStringLiteral("Tic") + headersWhere(tpv, fecha, comanda)};
}

}  // namespace tpv::sql::snapshot
