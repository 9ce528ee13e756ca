#pragma once
// How values are written into statement texts. A value written without
// quotes must be a number, or the statement would take it as SQL: the
// helpers that write bare values refuse anything else with error 13.
#include "compat/Variant.h"

#include <QString>

namespace tpv::sql {

// The range of the integer column a bare value belongs to.
enum class Width { Int16, Int32 };

// Text between single quotes; a quote inside is doubled, so the stored value
// is the value read. A null becomes empty text.
QString quoted(const Variant &v);
// The text itself with every quote doubled, for use inside quotes.
QString escaped(const QString &text);

// True for a whole number in the range: an integer value, a double without a
// fraction, or a text of digits with an optional sign (blanks around it
// allowed). "20.4", "2 OR 1=1", "1e3" and an empty text are not.
bool isPlainInteger(const Variant &v, Width width);
// Error 13 "No coinciden los tipos" unless v is a plain integer of the
// range; the message names the column and what it holds. A null is refused
// too (error 13) unless nullAllowed.
void requireInteger(const Variant &v, Width width, const QString &column, bool nullAllowed = false);
// Error 13 unless v is a number (integer or decimal, "." or "," as decimal
// sign, an exponent allowed) or a null.
void requireNumber(const Variant &v, const QString &column);

// A whole number as its text; a null is written Null (an empty place would
// make the statement invalid and fail the job at every poll). Anything that
// is not a plain 32-bit integer is error 13.
QString bare(const Variant &v);
// A decimal number with "," replaced by "." (the locale may write a comma);
// error 13 for anything that is not a number.
QString bareDecimal(const Variant &v);
// A plain integer of the signed 16-bit range, written as the number
// (error 13 for anything else, a null included).
QString int16(const Variant &v);

}  // namespace tpv::sql
