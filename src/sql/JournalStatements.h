#pragma once
// The statements on the delivery journal every PC of a terminal shares, in
// the order database (tables of ours, see OwnTables): what each printer has
// received of each order, dish by dish (LectorRecibido: the level a printer
// was brought to and the printed count, base, it was read at), the tickets
// announced and not yet confirmed (LectorEnvio), and when each job of the
// day was marked done (LectorTrabajo). They run alike on SQLite and on SQL
// Server: an insert that may meet an existing row deletes that row first,
// in the same transaction.
//
// And the statements that read the journal a PC kept in its data folder
// (entregas.db) before the journal moved into the order database.
#include <QString>
#include <QStringList>
#include <vector>

namespace tpv::sql::journal {

// The terminal's orders of business days before this one, forgotten.
QStringList forgetDaysBefore(const QString &tpv, const QString &fecha);

// The tickets of an order announced and not confirmed, in the order they
// were announced: id, impresora, titulo, resumen, estado, partes, puesto.
QString sendingsOfOrder(const QString &tpv, const QString &fecha, const QString &comanda);
// What each printer has of an order's dishes: impresora, clase, numero,
// base, nivel.
QString receivedOfOrder(const QString &tpv, const QString &fecha, const QString &comanda);

// A ticket announced before it goes out; parts is the JSON of the parts of
// dishes it carries, station the PC that sends it.
struct Sending {
    qint64 id = 0;
    QString tpv, fecha, comanda, printer, job, title, digest, state, parts, station;
};
QString announceSending(const Sending &s);
QString setSendingState(qint64 id, const QString &state);
QString forgetSendings(const std::vector<qint64> &ids);

// One dish a printer now has: its kind ("C" or "M") and number, the printed
// count read and the level reached.
struct ReceivedDish {
    QString kind, number;
    double base = 0, level = 0;
};
// The dishes a printer got, each brought to its new level: the rows they
// had go, then the new ones are inserted. At least one dish.
QStringList saveReceived(const QString &tpv, const QString &fecha, const QString &comanda, const QString &printer,
                         const std::vector<ReceivedDish> &dishes);

// A reset of the orders to print again whole: what each printer got counts
// as marked printed. An empty tpv is every terminal of the day (the reset
// of the whole day is every terminal's); an empty comanda every order.
QString resetForReprint(const QString &tpv, const QString &fecha, const QString &comanda);

// A dish completion marked printed, at the quantity marked.
struct MarkedDish {
    QString kind, number;
    double quantity = 0;
};
// The printers brought up to the quantity now marked printed have all of
// it: their base moves up to their level. One statement for the whole
// order, at least one dish.
QString settleMarked(const QString &tpv, const QString &fecha, const QString &comanda,
                     const std::vector<MarkedDish> &dishes);

// When a job was marked done (hora as HH:mm:ss), noted and read.
QStringList noteJobDone(const QString &tpv, const QString &fecha, const QString &job, const QString &hora);
QString jobDoneTime(const QString &tpv, const QString &fecha, const QString &job);

// What a received row, a sending or a job of the old file already has in
// the order database (a count), for the import.
QString receivedExists(const QString &tpv, const QString &fecha, const QString &comanda, const QString &printer,
                       const QString &kind, const QString &number);
QString jobExists(const QString &tpv, const QString &fecha, const QString &job);

// The old file's rows, for the import.
QString oldReceived();   // tpv, fecha, comanda, impresora, clase, numero, base, nivel
QString oldSendings();   // tpv, fecha, comanda, impresora, trabajo, titulo, resumen, estado, partes
QString oldJobs();       // tpv, fecha, trabajo, hora

}  // namespace tpv::sql::journal
