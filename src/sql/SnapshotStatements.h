#pragma once
// The statements on the snapshot tables: TicImp, TilImp and TilmImp keep,
// for every sending of an order, its header and the lines and menu dishes it
// printed, each row tagged with the job that sent it (TicPendOrd, TilPendOrd,
// PendOrd). "Reprint the last" prints a sending again from them. The local
// work file has copies of the three tables, emptied at every print run.
//
// The business day is passed as stored and escaped here. Where a terminal,
// order or job is passed as a Variant it is the queue row's value, written
// the way each statement always wrote it; passed as text it is already the
// SQL number.
#include "compat/Variant.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tpv::sql::snapshot {

// A column of an insert with its value as written into the statement.
struct ColumnValue {
    QString column;
    QString value;
};

// Empties the local copies.
QStringList emptyLocalCopies();

// The sending's header, written again for every job that prints the order:
// the old row goes, then the row read from Tic goes in with its values
// written in the order of the insert's columns.
QString deleteHeaderSnapshot(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &ord);
QString insertHeaderSnapshot(const QString &values);

// The sending's unprinted lines: the old rows go, then each line goes in with
// the values of its fixed columns and the extras its cargosr row has.
QString deleteLineSnapshots(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &ord);
QString insertLineSnapshot(const QString &values, const std::vector<ColumnValue> &extras);

// The same for the unprinted menu dishes: the extras come between the dish's
// values and its group, terminal, printed count and job.
QString deleteMenuSnapshots(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &ord);
QString insertMenuSnapshot(const QString &dishValues, const std::vector<ColumnValue> &extras,
                           const QString &trailingValues);

// Every snapshot row a job wrote (header, lines, dishes), for a job that
// failed before any ticket went out.
QStringList removeSending(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &ord);

// The reprint of an order's last sending: its job number (the highest that
// wrote lines or dishes), its lines and its menu dishes with their article
// and routing under the profile given, and where its header is looked for,
// in order: the sending's own copy, then the order's header.
QString lastSendingOfOrder(const QString &tpv, const QString &fecha, const QString &comanda);
QString linesOfSending(const QString &tpv, const QString &fecha, const QString &comanda, const QString &ord,
                       const QString &profile);
QString dishesOfSending(const QString &tpv, const QString &fecha, const QString &comanda, const QString &ord,
                        const QString &profile);
QStringList headerOfSending(const QString &tpv, const QString &fecha, const QString &comanda, const QString &ord);

}  // namespace tpv::sql::snapshot
