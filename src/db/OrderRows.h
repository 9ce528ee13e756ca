#pragma once
// What the print run and the snapshot statements share about the rows of an
// order: the job's values as the queue row holds them, the three kinds of
// extra of a line or dish, and the three routing columns.
#include "platform/Variant.h"

#include <QString>

namespace tpv {
class Recordset;

// The job's values, read by name from the queue row the poll stands on.
struct JobValues {
    Variant PParg1, PParg3, PParg7, PPFecha, PPOrd;
    QString arg1() const { return PParg1.toText(); }     // as stored
    QString fecha() const { return PPFecha.toText(); }   // as stored
    QString ord() const { return PPOrd.toText(); }       // as stored

    static JobValues read(const Recordset &queueRow);
};

// The three kinds of extra of a line or dish, each a code and a name column,
// in the order they are printed and stored: modifier, garnish, sauce.
struct ExtraKind {
    const char *code;
    const char *name;
};
inline constexpr ExtraKind kExtraKinds[] = {{"modifc", "modifn"}, {"guarnic", "guarnin"}, {"salsac", "salsan"}};
inline constexpr const char *kDestinos[] = {"destino1", "destino2", "destino3"};

}  // namespace tpv
