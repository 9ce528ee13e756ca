#pragma once
// The lists of pending and done jobs of this terminal and business day,
// rebuilt from PendGar whenever a tick reads the queue in full.
#include "kitchen/Global.h"

#include <QSet>

namespace tpv {
class ListBox;
class StatusReport;

// The five list boxes of the main window that Actualizar fills: the pending
// and done jobs, and the three companions of the done list.
struct JobLists {
    ListBox &lstPend;
    ListBox &lstReal;
    ListBox &lstFech;
    ListBox &lstComa;
    ListBox &lstNumeTPV;
};

void Actualizar(Global &g, BusinessDate &day, const JobLists &lists);

// Jobs of this terminal and business day that the poll can never take or
// list, because PPFecha, PPCod, PParg1 or PPPend is null (a null PParg1 with
// this day's date counts: it may be this terminal's). Each is reported to the
// operator once; `reported` remembers which were.
void reportUnpollableJobs(Global &g, const BusinessDate &day, StatusReport &status, QSet<QString> &reported);
}  // namespace tpv
