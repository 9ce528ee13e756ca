#pragma once
// What a printer's tickets asked the kitchen for, read back from the text of
// every ticket: per order and dish, the quantities on plain tickets (to be
// made), on reprints and on possible repeats (not to be made again).
#include <QMap>
#include <QString>
#include <QStringList>

namespace tpv::test {

struct KitchenLedger {
    QMap<QString, double> made;        // "order dish" -> quantity on unmarked tickets
    QMap<QString, double> reprinted;   // under "*** REIMPRESIÓN ***"
    QMap<QString, double> maybeAgain;  // under "*** POSIBLE REPETICIÓN ***"
    QStringList backupFor;             // the printers named by "*** RESPALDO DE X ***", one per ticket

    static KitchenLedger of(const QStringList &tickets);
    // "12 Entrecot=3, 12 Flan casero=1" of the non-zero entries, for messages.
    static QString show(const QMap<QString, double> &m);
};

}  // namespace tpv::test
