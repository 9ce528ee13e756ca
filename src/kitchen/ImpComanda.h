#pragma once
// The order print driver, called by the poll for every pending "Com" job
// while the queue recordset Rs stands on the job's row.
#include "kitchen/PrintRun.h"

namespace tpv {
void ImpComanda(const PrintContext &p);
}  // namespace tpv
