#include "sql/TurnStatements.h"

#include "sql/SqlDialect.h"
#include "sql/SqlText.h"

namespace tpv::sql::turn {

namespace {
QString q(const QString &text) { return QLatin1Char('\'') + escaped(text) + QLatin1Char('\''); }
QString n(qint64 v) { return QString::number(v); }
}  // namespace

QString read(const SqlDialect &d, int tpv) {
    return QStringLiteral("SELECT generacion, equipo, nonce, renovado, puesto, ") + d.epochMsNow() +
           QStringLiteral(" AS ahora FROM LectorTurno WHERE tpv = ") + n(tpv);
}

QString create(const SqlDialect &d, int tpv, const QString &pc, const QString &station, const QString &nonce) {
    return QStringLiteral("INSERT INTO LectorTurno (tpv, generacion, equipo, puesto, nonce, desde, renovado) VALUES (") +
           n(tpv) + QStringLiteral(", 1, ") + q(pc) + QStringLiteral(", ") + q(station) + QStringLiteral(", ") +
           q(nonce) + QStringLiteral(", ") + d.epochMsNow() + QStringLiteral(", ") + d.epochMsNow() +
           QLatin1Char(')');
}

QString renew(const SqlDialect &d, int tpv, qint64 generation, const QString &nonce) {
    return QStringLiteral("UPDATE LectorTurno SET renovado = ") + d.epochMsNow() + QStringLiteral(" WHERE tpv = ") +
           n(tpv) + QStringLiteral(" AND generacion = ") + n(generation) + QStringLiteral(" AND nonce = ") + q(nonce);
}

QString take(const SqlDialect &d, int tpv, qint64 generation, qint64 staleMs, const QString &pc,
             const QString &station, const QString &nonce) {
    return QStringLiteral("UPDATE LectorTurno SET generacion = ") + n(generation + 1) +
           QStringLiteral(", equipo = ") + q(pc) + QStringLiteral(", puesto = ") + q(station) +
           QStringLiteral(", nonce = ") + q(nonce) + QStringLiteral(", desde = ") + d.epochMsNow() +
           QStringLiteral(", renovado = ") + d.epochMsNow() + QStringLiteral(" WHERE tpv = ") + n(tpv) +
           QStringLiteral(" AND generacion = ") + n(generation) + QStringLiteral(" AND renovado < ") +
           d.epochMsNow() + QStringLiteral(" - ") + n(staleMs);
}

QString release(int tpv, qint64 generation, const QString &nonce) {
    return QStringLiteral("UPDATE LectorTurno SET renovado = 0 WHERE tpv = ") + n(tpv) +
           QStringLiteral(" AND generacion = ") + n(generation) + QStringLiteral(" AND nonce = ") + q(nonce);
}

QString fence(int tpv, qint64 generation) {
    return QStringLiteral("UPDATE LectorTurno SET generacion = generacion WHERE tpv = ") + n(tpv) +
           QStringLiteral(" AND generacion = ") + n(generation);
}

}  // namespace tpv::sql::turn
