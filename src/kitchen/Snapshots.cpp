#include "kitchen/Snapshots.h"

#include "kitchen/OrderRows.h"
#include "sql/SqlText.h"
#include "sql/Database.h"

namespace tpv {

namespace {

enum class Render { Int16, Int32, Quoted, Decimal };

// A value of a row with the column it was read from, so a value that cannot
// be written names its column.
struct Named {
    QString column;
    Variant value;
};

// Joins values with the separators the statements use: "," between bare
// values, quotes around text. Bare values must be numbers of their column's
// range (error 13 otherwise); a null is written Null.
QString valueList(const std::vector<std::pair<Named, Render>> &values) {
    QString out;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) out += QLatin1Char(',');
        const auto &[named, how] = values[i];
        const Variant &v = named.value;
        switch (how) {
            case Render::Int16:
                sql::requireInteger(v, sql::Width::Int16, named.column, true);
                out += sql::bare(v);
                break;
            case Render::Int32:
                sql::requireInteger(v, sql::Width::Int32, named.column, true);
                out += sql::bare(v);
                break;
            case Render::Quoted:
                out += sql::quoted(v);
                break;
            case Render::Decimal:
                sql::requireNumber(v, named.column);
                out += sql::bareDecimal(v);
                break;
        }
    }
    return out;
}

// The pairs of the extras present (code not null, 0 included): columns and values.
void appendExtras(const Recordset &row, QString *columns, QString *values) {
    for (const auto &k : kExtraKinds) {
        const QString codeColumn = QString::fromLatin1(k.code);
        const Variant code = row.field(codeColumn);
        if (code.isNull()) continue;
        *columns += QStringLiteral(",%1,%2").arg(codeColumn, QString::fromLatin1(k.name));
        *values += QLatin1Char(',') + valueList({{{codeColumn, code}, Render::Int16}}) + QLatin1Char(',') +
                   sql::quoted(row.field(QString::fromLatin1(k.name)));
    }
}

}  // namespace

void regrabar_TicImp(Global &g, const JobValues &job) {
    const Recordset &t = g.Rs2;
    conn(g.Cn3).execute(QStringLiteral("DELETE FROM TicImp WHERE TicTPV = ") + job.arg1() +
                        QStringLiteral(" And TicComa = ") + sql::int16(job.PParg3) + QStringLiteral(" And TicFec = '") +
                        sql::escaped(job.fecha()) + QStringLiteral("' And TicPendOrd = ") + job.ord());
    auto F = [&t](const char *name) { return Named{QString::fromLatin1(name), t.field(QString::fromLatin1(name))}; };
    // TicIVA is written with a decimal point like the other amounts: a
    // decimal comma would split it into two values and fail the statement.
    const std::vector<std::pair<Named, Render>> values = {
        {F("TicNum"), Render::Int32},
        {F("TicFec"), Render::Quoted},
        {F("TicCli"), Render::Quoted},
        {F("TicSal"), Render::Quoted},
        {F("TicMes"), Render::Int16},
        {F("TicCom"), Render::Int16},
        {F("TicComa"), Render::Quoted},
        {F("TicTipo"), Render::Quoted},
        {F("TicCam"), Render::Quoted},
        {F("TicBas"), Render::Decimal},
        {F("TicIva"), Render::Decimal},
        {F("TicCuota"), Render::Decimal},
        {F("TicTotal"), Render::Decimal},
        {F("TicEst"), Render::Quoted},
        {F("TicHab"), Render::Quoted},
        {F("TicFec1"), Render::Quoted},
        {F("TicCob"), Render::Quoted},
        {F("TicSer"), Render::Quoted},
        {F("TicHue"), Render::Quoted},
        {F("TicNi"), Render::Int32},
        {F("TicTpv"), Render::Int16},
        {F("TicHora"), Render::Quoted},
        {{QStringLiteral("PPOrd"), job.PPOrd}, Render::Int32},
    };
    conn(g.Cn3).execute(
        QStringLiteral("Insert Into TicImp (TicNum,TicFec,TicCli,TicSal,TicMes,TicCom,TicComa,TicTipo,TicCam,"
                       "TicBas,TicIVA,TicCuota,TicTotal,TicEst,ticHab,TicFec1,TicCob,TicSer,TicHue,TicNi,TicTPV,"
                       "TicHora,TicPendOrd) Values  (") +
        valueList(values) + QLatin1Char(')'));
}

void deleteLineSnapshots(Global &g, const JobValues &job) {
    conn(g.Cn3).execute(QStringLiteral("Delete tilImp Where TilTPV = ") + job.arg1() +
                        QStringLiteral(" And TilComa = ") + sql::int16(job.PParg3) +
                        QStringLiteral(" And TilImp <> TilCant And TilFec = '") + sql::escaped(job.fecha()) +
                        QStringLiteral("' And TilPendOrd = ") + job.ord());
}

QString lineSnapshotStatement(const Recordset &line, const Recordset *extra, const JobValues &job) {
    auto F = [&line](const char *name) {
        return Named{QString::fromLatin1(name), line.field(QString::fromLatin1(name))};
    };
    QString columns = QStringLiteral(
        "Insert Into TilImp (TilNum,TilOrd,TilArtc,TilArtN,TilCant,TilPre,TilTotal,TilEst,TilFec,TilComa,TilTipo,"
        "TilNatur,TilTPV,TilImp,TilPendOrd");
    QString values = QStringLiteral(") VALUES (") +
                     valueList({{F("TilNum"), Render::Int32},
                                {{QStringLiteral("TilOrd"), lineNumber(line, "TilOrd", "TilArtN")}, Render::Int16},
                                {F("TilArtc"), Render::Quoted},
                                {F("TilArtN"), Render::Quoted},
                                {F("TilCant"), Render::Decimal},
                                {F("TilPre"), Render::Decimal},
                                {F("TilTotal"), Render::Decimal},
                                {F("TilEst"), Render::Quoted},
                                {F("TilFec"), Render::Quoted},
                                {F("TilComa"), Render::Int32},
                                {F("TilTipo"), Render::Quoted},
                                {F("TilNatur"), Render::Quoted},
                                {F("TilTPV"), Render::Int16},
                                {F("TilImp"), Render::Decimal},
                                {{QStringLiteral("PPOrd"), job.PPOrd}, Render::Int32}});
    if (extra) appendExtras(*extra, &columns, &values);
    return columns + values + QLatin1Char(')');
}

void deleteMenuSnapshots(Global &g, const JobValues &job) {
    conn(g.Cn3).execute(QStringLiteral("DELETE FROM TilmImp Where TilmImp.TPV = ") + job.arg1() +
                        QStringLiteral(" And Comanda = ") + sql::int16(job.PParg3) +
                        QStringLiteral(" And Imp <> Cantidad And Fecha = '") + sql::escaped(job.fecha()) +
                        QStringLiteral("' And PendOrd = ") + job.ord());
}

QString menuSnapshotStatement(const Recordset &dish, const JobValues &job) {
    auto F = [&dish](const char *name) {
        return Named{QString::fromLatin1(name), dish.field(QString::fromLatin1(name))};
    };
    QString columns = QStringLiteral("INSERT INTO TilmImp (fecha,comanda,orden,artvcod,mccod,mlpla,mlplan,cantidad");
    // The dish name keeps its long-standing cleaning: a quote becomes a blank.
    QString mlplan = dish.field(QStringLiteral("mlplan")).toText();
    mlplan.replace(QLatin1Char('\''), QLatin1Char(' '));
    QString values = valueList({{F("Fecha"), Render::Quoted},
                                {F("comanda"), Render::Int16},
                                {{QStringLiteral("orden"), lineNumber(dish, "orden", "mlplan")}, Render::Int16},
                                {F("artvcod"), Render::Quoted},
                                {F("mccod"), Render::Int16},
                                {F("mlpla"), Render::Quoted},
                                {{QStringLiteral("mlplan"), Variant(mlplan)}, Render::Quoted},
                                {F("cantidad"), Render::Decimal}});
    appendExtras(dish, &columns, &values);
    // grupo is quoted, so a letter works as well as a digit.
    values += QLatin1Char(',') + valueList({{F("grupo"), Render::Quoted},
                                            {F("tpv"), Render::Int16},
                                            {F("imp"), Render::Int16},
                                            {{QStringLiteral("PPOrd"), job.PPOrd}, Render::Int32}});
    return columns + QStringLiteral(",grupo,tpv,imp,PendOrd) Values (") + values + QLatin1Char(')');
}

void removeSending(Global &g, const JobValues &job) {
    const QString fecha = sql::escaped(job.fecha());
    const QString arg3 = job.PParg3.toText();
    conn(g.Cn2).execute(QStringLiteral("DELETE FROM ticimp WHERE TicTPV = ") + job.arg1() +
                        QStringLiteral(" AND TicFec = '") + fecha + QStringLiteral("' AND TicComa = ") + arg3 +
                        QStringLiteral(" AND TicPendOrd = ") + job.ord());
    conn(g.Cn2).execute(QStringLiteral("DELETE FROM tilimp WHERE TilTPV = ") + job.arg1() +
                        QStringLiteral(" AND TilFec = '") + fecha + QStringLiteral("' AND TilComa = ") + arg3 +
                        QStringLiteral(" AND TilPendOrd = ") + job.ord());
    conn(g.Cn2).execute(QStringLiteral("DELETE FROM tilmimp WHERE TPV = ") + job.arg1() +
                        QStringLiteral(" AND Fecha = '") + fecha + QStringLiteral("' AND Comanda = ") + arg3 +
                        QStringLiteral(" AND PendOrd = ") + job.ord());
}

}  // namespace tpv
