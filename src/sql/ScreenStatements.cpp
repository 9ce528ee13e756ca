#include "sql/ScreenStatements.h"

#include "sql/SqlText.h"

namespace tpv::sql::screen {

namespace {
QString q(const QString &text) { return QLatin1Char('\'') + escaped(text) + QLatin1Char('\''); }
QString n(qint64 v) { return QString::number(v); }
}  // namespace

QString insertCard(const CardRow &c) {
    return QStringLiteral("INSERT INTO LectorPantalla (id, pantalla, titulo, llegada, hecha, tarjeta) VALUES (") +
           n(c.id) + QStringLiteral(", ") + q(c.screen) + QStringLiteral(", ") + q(c.title) + QStringLiteral(", ") +
           n(c.arrivedMs) + QStringLiteral(", NULL, ") + q(c.content) + QLatin1Char(')');
}

QString markDone(qint64 id, qint64 doneMs) {
    return QStringLiteral("UPDATE LectorPantalla SET hecha = ") + n(doneMs) + QStringLiteral(" WHERE id = ") + n(id);
}

QString reopen(qint64 id) { return QStringLiteral("UPDATE LectorPantalla SET hecha = NULL WHERE id = ") + n(id); }

QString forget(const std::vector<qint64> &ids) {
    QStringList list;
    for (const qint64 id : ids) list << n(id);
    return QStringLiteral("DELETE FROM LectorPantalla WHERE id IN (") + list.join(QStringLiteral(", ")) +
           QLatin1Char(')');
}

QString cardsOf(const QStringList &screens) {
    QStringList names;
    for (const QString &s : screens) names << q(s);
    return QStringLiteral(
               "SELECT id, pantalla, titulo, llegada, hecha, tarjeta FROM LectorPantalla WHERE pantalla IN (") +
           names.join(QStringLiteral(", ")) + QStringLiteral(") ORDER BY llegada, id");
}

QString countWithTitle(const QString &screen, const QString &title) {
    return QStringLiteral("SELECT count(*) FROM LectorPantalla WHERE pantalla = ") + q(screen) +
           QStringLiteral(" AND titulo = ") + q(title);
}

}  // namespace tpv::sql::screen
