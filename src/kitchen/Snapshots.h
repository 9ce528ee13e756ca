#pragma once
// The server's record of every sending: the header in TicImp, each printed
// line in TilImp and each printed menu dish in TilmImp, keyed by terminal,
// order, date and job number.
#include "kitchen/Global.h"

#include <QString>

namespace tpv {
struct JobValues;

// The statements that rewrite the header snapshot of the sending (Rs2
// stands on the Tic row). Like every snapshot statement of a run, they are
// run in the completion's transaction.
QStringList regrabar_TicImp(const Global &g, const JobValues &job);

QString deleteLineSnapshots(const JobValues &job);
// The insert for one routed line; `extra` is its cargosr row, or null.
QString lineSnapshotStatement(const Recordset &line, const Recordset *extra, const JobValues &job);

QString deleteMenuSnapshots(const JobValues &job);
QString menuSnapshotStatement(const Recordset &dish, const JobValues &job);

}  // namespace tpv
