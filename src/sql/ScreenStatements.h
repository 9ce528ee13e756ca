#pragma once
// The statements on the kitchen screens' cards (LectorPantalla, a table of
// ours in the order database): every card a screen shows or recently
// showed, with the ticket's title (to find it again after a restart), when
// it arrived and when the kitchen marked it done (null while it shows), in
// milliseconds since 1970, and the card itself as its page reads it.
//
// Portable SQL: the same texts run on SQLite and on SQL Server.
#include <QString>
#include <QStringList>
#include <vector>

namespace tpv::sql::screen {

struct CardRow {
    qint64 id = 0;
    QString screen, title;
    qint64 arrivedMs = 0;
    QString content;
};

QString insertCard(const CardRow &card);
QString markDone(qint64 id, qint64 doneMs);
QString reopen(qint64 id);
QString forget(const std::vector<qint64> &ids);
// id, pantalla, titulo, llegada, hecha, tarjeta of the screens named, in
// the order the cards arrived.
QString cardsOf(const QStringList &screens);
// How many cards of the screen came from the ticket of that title.
QString countWithTitle(const QString &screen, const QString &title);

}  // namespace tpv::sql::screen
