#pragma once
// How values are written into statement texts.
#include "platform/Variant.h"

#include <QString>

namespace tpv::sql {

// Text between single quotes; a quote inside is doubled, so the stored value
// is the value read. A null becomes empty text.
QString quoted(const Variant &v);
// The text itself with every quote doubled, for use inside quotes.
QString escaped(const QString &text);
// A number as its text; a null is written Null (an empty place would make
// the statement invalid and fail the job at every poll).
QString bare(const Variant &v);
// A decimal number with "," replaced by "." (the locale may write a comma).
QString bareDecimal(const Variant &v);
// Converted to a signed 16-bit integer first (errors 6 and 13).
QString int16(const Variant &v);

}  // namespace tpv::sql
