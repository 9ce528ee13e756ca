#pragma once
// The statements on the journal of deliveries (entregas.db, SQLite): what
// each printer has received of each order, dish by dish (recibido: the level
// a printer was brought to and the printed count, base, it was read at), the
// tickets announced and not yet confirmed (envio), and when each job of the
// day was marked done (trabajo).
//
// Every value is text written between quotes here, except the numbers and
// ids, which are written as numbers.
#include "sql/Database.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tpv::sql::journal {

// Set when the file is opened: a write-ahead log (the pragma answers with a
// row, so it runs as a query), every write on disk before the next step.
QString writeAheadLog();
QString fullSync();
// The tables, made when missing, once the journal of whole tickets kept by
// earlier versions is dropped (a ticket there says nothing about which
// dishes a printer has).
QStringList tables();
// The journal's transactions take the write lock at once, so a second
// process on the same folder waits at the start rather than failing midway.
TransactionWords writeTransaction();

// The orders of business days before this one, forgotten.
QStringList forgetDaysBefore(const QString &fecha);

// The tickets of an order announced and not confirmed, in the order they
// were announced.
QString sendingsOfOrder(const QString &tpv, const QString &fecha, const QString &comanda);
// What each printer has of an order's dishes.
QString receivedOfOrder(const QString &tpv, const QString &fecha, const QString &comanda);

// A ticket announced before it goes out; parts is the JSON of the parts of
// dishes it carries.
struct Sending {
    QString tpv, fecha, comanda, printer, job, title, digest, state, parts;
};
QString announceSending(const Sending &s);
// The id the announcement just got.
QString lastSendingId();
QString setSendingState(qint64 id, const QString &state);
QString forgetSendings(const std::vector<qint64> &ids);

// One dish a printer now has: its kind ("C" or "M") and number, the printed
// count read and the level reached.
struct ReceivedDish {
    QString kind, number;
    double base = 0, level = 0;
};
// The dishes a printer got, each inserted or brought to its new level. At
// least one dish.
QString saveReceived(const QString &tpv, const QString &fecha, const QString &comanda, const QString &printer,
                     const std::vector<ReceivedDish> &dishes);

// A reprint of the order (or, with an empty comanda, of every order of the
// terminal and day): what each printer got counts as marked printed.
QString resetForReprint(const QString &tpv, const QString &fecha, const QString &comanda);

// A dish completion marked printed, at the quantity marked.
struct MarkedDish {
    QString kind, number;
    double quantity = 0;
};
// The printers brought up to the quantity now marked printed have all of
// it: their base moves up to their level. One statement for the whole order,
// at least one dish.
QString settleMarked(const QString &tpv, const QString &fecha, const QString &comanda,
                     const std::vector<MarkedDish> &dishes);

// When a job was marked done (hora as HH:mm:ss), noted and read.
QString noteJobDone(const QString &tpv, const QString &fecha, const QString &job, const QString &hora);
QString jobDoneTime(const QString &tpv, const QString &fecha, const QString &job);

}  // namespace tpv::sql::journal
