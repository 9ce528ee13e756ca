#include "sql/SqlText.h"

#include "compat/Error.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>
#include <optional>

namespace tpv::sql {

namespace {

std::optional<int64_t> plainInteger(const Variant &v, Width width) {
    std::optional<int64_t> n;
    switch (v.kind()) {
        case Variant::Kind::Integer:
            n = static_cast<int64_t>(v.toDouble());
            break;
        case Variant::Kind::Double: {
            const double d = v.toDouble();
            if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15) n = static_cast<int64_t>(d);
            break;
        }
        case Variant::Kind::Text: {
            static const QRegularExpression digits(QStringLiteral(R"(^\s*[+-]?[0-9]{1,18}\s*$)"));
            const QString t = v.toText();
            if (digits.match(t).hasMatch()) n = t.trimmed().toLongLong();
            break;
        }
        default:
            break;
    }
    if (!n) return n;
    const int64_t lo =
        width == Width::Int16 ? std::numeric_limits<int16_t>::min() : std::numeric_limits<int32_t>::min();
    const int64_t hi =
        width == Width::Int16 ? std::numeric_limits<int16_t>::max() : std::numeric_limits<int32_t>::max();
    if (*n < lo || *n > hi) return std::nullopt;
    return n;
}

QString shown(const Variant &v) { return v.isNull() ? QStringLiteral("Null") : QStringLiteral("«%1»").arg(v.toText()); }

[[noreturn]] void mismatch(const QString &detail) {
    throw TpvError(err::TypeMismatch, QStringLiteral("No coinciden los tipos: ") + detail);
}

}  // namespace

QString escaped(const QString &text) {
    QString out = text;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

QString quoted(const Variant &v) { return QLatin1Char('\'') + escaped(v.toText()) + QLatin1Char('\''); }

bool isPlainInteger(const Variant &v, Width width) { return plainInteger(v, width).has_value(); }

void requireInteger(const Variant &v, Width width, const QString &column, bool nullAllowed) {
    if (v.isNull() && nullAllowed) return;
    if (isPlainInteger(v, width)) return;
    const QString range =
        width == Width::Int16 ? QStringLiteral("-32768 a 32767") : QStringLiteral("-2147483648 a 2147483647");
    mismatch(QStringLiteral("%1 = %2 no es un número entero de %3").arg(column, shown(v), range));
}

void requireNumber(const Variant &v, const QString &column) {
    switch (v.kind()) {
        case Variant::Kind::Null:
        case Variant::Kind::Integer:
            return;
        case Variant::Kind::Double:
            if (std::isfinite(v.toDouble())) return;
            break;
        case Variant::Kind::Text: {
            static const QRegularExpression number(
                QStringLiteral(R"(^\s*[+-]?[0-9]+([.,][0-9]+)?([eE][+-]?[0-9]+)?\s*$)"));
            if (number.match(v.toText()).hasMatch()) return;
            break;
        }
        default:
            break;
    }
    mismatch(QStringLiteral("%1 = %2 no es un número").arg(column, shown(v)));
}

QString bare(const Variant &v) {
    if (v.isNull()) return QStringLiteral("Null");
    if (!isPlainInteger(v, Width::Int32)) mismatch(QStringLiteral("%1 no es un número entero").arg(shown(v)));
    return v.toText();
}

QString bareDecimal(const Variant &v) {
    if (v.isNull()) return QStringLiteral("Null");
    requireNumber(v, QStringLiteral("el valor"));
    return withDecimalPoint(v.toText());
}

QString int16(const Variant &v) {
    const auto n = plainInteger(v, Width::Int16);
    if (!n) mismatch(QStringLiteral("%1 no es un número entero de -32768 a 32767").arg(shown(v)));
    return QString::number(*n);
}

}  // namespace tpv::sql
