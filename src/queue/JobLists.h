#pragma once
// The lists of pending and done jobs of this terminal and business day,
// rebuilt from PendGar at every tick.
#include "config/Global.h"

namespace tpv {
class ListBox;

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
}  // namespace tpv
