#include "kitchen/Snapshots.h"

#include "kitchen/OrderRows.h"
#include "sql/SnapshotStatements.h"
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

// The pairs of the extras present (code not null, 0 included): code and
// name, each with its column.
std::vector<sql::snapshot::ColumnValue> extrasOf(const Recordset &row) {
    std::vector<sql::snapshot::ColumnValue> out;
    for (const auto &k : kExtraKinds) {
        const QString codeColumn = QString::fromLatin1(k.code);
        const Variant code = row.field(codeColumn);
        if (code.isNull()) continue;
        const QString codeValue = valueList({{{codeColumn, code}, Render::Int16}});
        const QString nameColumn = QString::fromLatin1(k.name);
        out.push_back({codeColumn, codeValue});
        out.push_back({nameColumn, sql::quoted(row.field(nameColumn))});
    }
    return out;
}

}  // namespace

QStringList regrabar_TicImp(const Global &g, const JobValues &job) {
    const Recordset &t = g.Rs2;
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
    return {sql::snapshot::deleteHeaderSnapshot(job.PParg1, job.fecha(), job.PParg3, job.PPOrd),
            sql::snapshot::insertHeaderSnapshot(valueList(values))};
}

QString deleteLineSnapshots(const JobValues &job) {
    return sql::snapshot::deleteLineSnapshots(job.PParg1, job.fecha(), job.PParg3, job.PPOrd);
}

QString lineSnapshotStatement(const Recordset &line, const Recordset *extra, const JobValues &job) {
    auto F = [&line](const char *name) {
        return Named{QString::fromLatin1(name), line.field(QString::fromLatin1(name))};
    };
    const QString values =
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
    return sql::snapshot::insertLineSnapshot(values,
                                             extra ? extrasOf(*extra) : std::vector<sql::snapshot::ColumnValue>());
}

QString deleteMenuSnapshots(const JobValues &job) {
    return sql::snapshot::deleteMenuSnapshots(job.PParg1, job.fecha(), job.PParg3, job.PPOrd);
}

QString menuSnapshotStatement(const Recordset &dish, const JobValues &job) {
    auto F = [&dish](const char *name) {
        return Named{QString::fromLatin1(name), dish.field(QString::fromLatin1(name))};
    };
    // The dish name keeps its long-standing cleaning: a quote becomes a blank.
    QString mlplan = dish.field(QStringLiteral("mlplan")).toText();
    mlplan.replace(QLatin1Char('\''), QLatin1Char(' '));
    const QString values = valueList({{F("Fecha"), Render::Quoted},
                                      {F("comanda"), Render::Int16},
                                      {{QStringLiteral("orden"), lineNumber(dish, "orden", "mlplan")}, Render::Int16},
                                      {F("artvcod"), Render::Quoted},
                                      {F("mccod"), Render::Int16},
                                      {F("mlpla"), Render::Quoted},
                                      {{QStringLiteral("mlplan"), Variant(mlplan)}, Render::Quoted},
                                      {F("cantidad"), Render::Decimal}});
    const std::vector<sql::snapshot::ColumnValue> extras = extrasOf(dish);
    // grupo is quoted, so a letter works as well as a digit.
    const QString trailing = valueList({{F("grupo"), Render::Quoted},
                                        {F("tpv"), Render::Int16},
                                        {F("imp"), Render::Int16},
                                        {{QStringLiteral("PPOrd"), job.PPOrd}, Render::Int32}});
    return sql::snapshot::insertMenuSnapshot(values, extras, trailing);
}


}  // namespace tpv
