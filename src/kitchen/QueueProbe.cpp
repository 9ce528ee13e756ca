#include "kitchen/QueueProbe.h"

#include "compat/Error.h"
#include "platform/Log.h"
#include "sql/ProbeStatements.h"
#include "sql/SqlDialect.h"

#include <QHash>

namespace tpv {

void QueueProbe::reconnecting() {
    versionDb_.reset();
    dataVersion_.reset();
    answer_.reset();
    requested_ = true;
}

bool QueueProbe::writtenSinceLastLook(Global &g) {
    if (&conn(g.Cn).dialect() != &sqliteDialect()) return true;
    if (!versionDb_) versionDb_ = openConnection(serverConnectionString(g), g.db);
    const ResultSet rs = versionDb_->query(sql::probe::dataVersion());
    const Variant version = rs.rows.empty() || rs.rows[0].empty() ? Variant() : rs.rows[0][0];
    const bool written = version.isNull() || !dataVersion_ || version != *dataVersion_;
    dataVersion_ = version;
    return written;
}

bool QueueProbe::fullReadNeeded(Global &g, const QString &fecha, bool mayPrint) {
    const qint64 now = clock_.steadyMs();
    const bool due = requested_ || (mayPrint && withheld_) || !fullReadAtMs_ ||
                     now - *fullReadAtMs_ >= kFullReadEveryMs;
    std::optional<std::vector<Variant>> answer;
    try {
        // Read before the question: a write that lands between the two is
        // seen at the next tick rather than never.
        if (!writtenSinceLastLook(g) && !due && answer_) return false;
        if (question_.isEmpty() || questionTpv_ != g.tpv || questionFecha_ != fecha) {
            question_ = sql::probe::queueState(g.tpv, fecha);
            questionTpv_ = g.tpv;
            questionFecha_ = fecha;
        }
        const ResultSet rs = conn(g.Cn).query(question_);
        if (!rs.rows.empty()) answer = rs.rows[0];
        failure_.clear();
    } catch (const TpvError &e) {
        if (e.number() == err::CannotOpen) throw;
        // The full read says what is wrong, if anything is; the question's
        // own failure is only logged, once.
        if (failure_ != e.description()) {
            failure_ = e.description();
            logLine(LogPriority::Warning,
                    QStringLiteral("La consulta breve de la cola ha fallado (%1 %2); se lee la cola entera en cada "
                                   "consulta mientras falle")
                        .arg(e.number())
                        .arg(e.description()));
        }
        versionDb_.reset();
        dataVersion_.reset();
    }
    const bool changed = !answer || answer != answer_;
    answer_ = answer;
    if (!due && !changed) return false;
    withheld_ = !mayPrint;
    return true;
}

void QueueProbe::fullReadDone() {
    requested_ = false;
    fullReadAtMs_ = clock_.steadyMs();
}

QString probeIndexColumns() { return QStringLiteral("(PPFecha, PParg1, PPPend, PPOrd)"); }

QString probeIndexName(Connection &cn) {
    const ResultSet rs = cn.query(sql::probe::indexKeys(cn.dialect(), QStringLiteral("PendGar")));
    QHash<QString, QStringList> keys;
    QStringList names;  // in the catalogue's order
    for (const auto &row : rs.rows) {
        const QString name = row[0].toText();
        if (!keys.contains(name)) names << name;
        keys[name] << row[1].toText().trimmed().toLower();
    }
    for (const QString &name : names) {
        const QStringList k = keys.value(name);
        if (k.size() < 4 || k[3] != QLatin1String("ppord")) continue;
        QStringList equal = k.mid(0, 3);
        equal.sort();
        if (equal == QStringList{QStringLiteral("pparg1"), QStringLiteral("ppfecha"), QStringLiteral("pppend")})
            return name;
    }
    return {};
}

}  // namespace tpv
