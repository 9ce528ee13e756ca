#pragma once
// "Re-Imprimir lo ultimo": the last sending of an order printed again as the
// server's snapshot keeps it (the header in TicImp, the lines in TilImp, the
// menu dishes in TilmImp), routed as the order's dishes are routed now, each
// ticket under the reprint mark. Nothing of the queue, the printed counts or
// the journal changes: the kitchen had these dishes.
#include "kitchen/PrintRun.h"

namespace tpv {

// The order of a done job (its terminal, business date and number as the
// lists show them). A failure to read the snapshot or to print is reported
// to the operator; the other printers still get their tickets.
void reprintLastSending(const PrintContext &p, const QString &tpv, const QString &fecha, const QString &comanda);

}  // namespace tpv
