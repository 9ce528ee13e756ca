#include "db/SqlText.h"

namespace tpv::sql {

QString escaped(const QString &text) {
    QString out = text;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

QString quoted(const Variant &v) { return QLatin1Char('\'') + escaped(v.toText()) + QLatin1Char('\''); }

QString bare(const Variant &v) { return v.isNull() ? QStringLiteral("Null") : v.toText(); }

QString bareDecimal(const Variant &v) { return v.isNull() ? QStringLiteral("Null") : withDecimalPoint(v.toText()); }

QString int16(const Variant &v) { return QString::number(v.toInt16()); }

}  // namespace tpv::sql
