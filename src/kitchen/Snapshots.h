#pragma once
// The server's record of every sending: the header in TicImp, each printed
// line in TilImp and each printed menu dish in TilmImp, keyed by terminal,
// order, date and job number.
#include "kitchen/Global.h"

#include <QString>

namespace tpv {
struct JobValues;

// Rewrites the header snapshot of the sending (Rs2 stands on the Tic row).
void regrabar_TicImp(Global &g, const JobValues &job);

void deleteLineSnapshots(Global &g, const JobValues &job);
// The insert for one routed line; `extra` is its cargosr row, or null.
QString lineSnapshotStatement(const Recordset &line, const Recordset *extra, const JobValues &job);

void deleteMenuSnapshots(Global &g, const JobValues &job);
QString menuSnapshotStatement(const Recordset &dish, const JobValues &job);

// Removes the whole snapshot of a sending whose printing failed.
void removeSending(Global &g, const JobValues &job);
}  // namespace tpv
