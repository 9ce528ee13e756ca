#pragma once
// What the print run and the snapshot statements share about the rows of an
// order: the job's values as the queue row holds them, the three kinds of
// extra of a line or dish, and the three routing columns.
#include "compat/Variant.h"

#include <QString>

namespace tpv {
class Recordset;

// The job's values, read by name from the queue row the poll stands on.
// PParg1, PParg3, PParg7 and PPOrd are written into statements without
// quotes, so read() accepts them only as plain integers of their column's
// range (PPOrd 32-bit, the others 16-bit) and fails the job with error 13
// otherwise, before anything is printed or written. PPFecha is text and is
// always escaped.
struct JobValues {
    Variant PParg1, PParg3, PParg7, PPFecha, PPOrd;
    QString arg1() const { return PParg1.toText(); }    // as stored
    QString fecha() const { return PPFecha.toText(); }  // as stored
    QString ord() const { return PPOrd.toText(); }      // as stored

    static JobValues read(const Recordset &queueRow);
};

// The number of a line (TilOrd) or dish (orden), written into statements
// without quotes: a null is error 94 and anything but a 16-bit integer is
// error 13, both naming the line by its article name (nameColumn).
Variant lineNumber(const Recordset &row, const char *column, const char *nameColumn);

// The three kinds of extra of a line or dish, each a code and a name column,
// in the order they are printed and stored: modifier, garnish, sauce.
struct ExtraKind {
    const char *code;
    const char *name;
};
inline constexpr ExtraKind kExtraKinds[] = {{"modifc", "modifn"}, {"guarnic", "guarnin"}, {"salsac", "salsan"}};
inline constexpr const char *kDestinos[] = {"destino1", "destino2", "destino3"};

}  // namespace tpv
