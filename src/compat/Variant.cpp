#include "compat/Variant.h"

#include "compat/Error.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace tpv {

namespace {

QLocale numberLocale() {
    QLocale l = QLocale::system();
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l;
}

[[noreturn]] void typeMismatch() { throw TpvError(err::TypeMismatch, QStringLiteral("No coinciden los tipos")); }
[[noreturn]] void overflow() { throw TpvError(err::Overflow, QStringLiteral("Desbordamiento")); }

double roundHalfEven(double v) {
    // nearbyint rounds with the current rounding mode, which is to-nearest-even.
    return std::nearbyint(v);
}

}  // namespace

namespace {
// Plain decimal digits with an optional sign, between blanks: the same value
// whatever the locale (the point-decimal fallback below reads them too), read
// without building a locale. False for anything else.
bool plainInteger(const QString &raw, double *out) {
    const QChar *p = raw.constData();
    const QChar *e = p + raw.size();
    while (p < e && p->isSpace()) ++p;
    while (e > p && (e - 1)->isSpace()) --e;
    bool negative = false;
    if (p < e && (*p == QLatin1Char('-') || *p == QLatin1Char('+'))) {
        negative = *p == QLatin1Char('-');
        ++p;
    }
    if (p == e || e - p > 15) return false;
    int64_t v = 0;
    for (; p < e; ++p) {
        const char16_t c = p->unicode();
        if (c < u'0' || c > u'9') return false;
        v = v * 10 + (c - u'0');
    }
    *out = negative ? -static_cast<double>(v) : static_cast<double>(v);
    return true;
}
}  // namespace

double textToDouble(const QString &raw) {
    double plain = 0;
    if (plainInteger(raw, &plain)) return plain;
    const QString text = raw.trimmed();
    if (text.isEmpty()) typeMismatch();
    bool ok = false;
    const QLocale sys = QLocale::system();
    double v = sys.toDouble(text, &ok);
    // A point is always accepted as decimal separator too: values written by
    // other programs (and by our own statements) use it.
    if (!ok) v = QLocale::c().toDouble(text, &ok);
    if (!ok) {
        // The terminals' runtime also reads "&H" hexadecimal and a trailing
        // sign; nobody relies on them here, so the text is refused.
        typeMismatch();
    }
    if (!std::isfinite(v)) overflow();
    return v;
}

int16_t roundToInt16(double value) {
    const double r = roundHalfEven(value);
    if (!(r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max())) overflow();
    return static_cast<int16_t>(r);
}

int32_t roundToInt32(double value) {
    const double r = roundHalfEven(value);
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())) overflow();
    return static_cast<int32_t>(r);
}

QString numberToText(double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15) return numberToText(static_cast<int64_t>(value));
    // 15 significant digits, as the runtime prints a double.
    return numberLocale().toString(value, 'g', 15);
}

QString numberToText(int64_t value) { return QString::number(value); }

QString withDecimalPoint(const QString &text) {
    QString out = text;
    out.replace(QLatin1Char(','), QLatin1Char('.'));
    return out;
}

Variant Variant::fromQVariant(const QVariant &v) {
    if (!v.isValid() || v.isNull()) return {};
    switch (v.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            return Variant(static_cast<int64_t>(v.toLongLong()));
        case QMetaType::Double:
        case QMetaType::Float:
            return Variant(v.toDouble());
        case QMetaType::Bool:
            return Variant(v.toBool());
        case QMetaType::QDateTime:
            return Variant(v.toDateTime());
        case QMetaType::QDate:
            return Variant(v.toDate().startOfDay());
        case QMetaType::QTime:
            return Variant(QDateTime(QDate(1899, 12, 30), v.toTime()));
        default:
            return Variant(v.toString());
    }
}

double Variant::toDouble() const {
    switch (kind()) {
        case Kind::Null:
            typeMismatch();
        case Kind::Integer:
            return static_cast<double>(std::get<int64_t>(value_));
        case Kind::Double:
            return std::get<double>(value_);
        case Kind::Boolean:
            return std::get<bool>(value_) ? -1.0 : 0.0;
        case Kind::Text:
            return textToDouble(std::get<QString>(value_));
        case Kind::DateTime: {
            // Days since 30/12/1899, as the runtime counts dates.
            const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
            return epoch.msecsTo(std::get<QDateTime>(value_)) / 86400000.0;
        }
    }
    typeMismatch();
}

int16_t Variant::toInt16() const {
    if (kind() == Kind::Integer) {
        const int64_t v = std::get<int64_t>(value_);
        if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max()) overflow();
        return static_cast<int16_t>(v);
    }
    return roundToInt16(toDouble());
}

int32_t Variant::toInt32() const {
    if (kind() == Kind::Integer) {
        const int64_t v = std::get<int64_t>(value_);
        if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) overflow();
        return static_cast<int32_t>(v);
    }
    return roundToInt32(toDouble());
}

float Variant::toSingle() const {
    const double d = toDouble();
    if (std::fabs(d) > std::numeric_limits<float>::max()) overflow();
    return static_cast<float>(d);
}

bool Variant::toBool() const {
    switch (kind()) {
        case Kind::Null:
            return false;
        case Kind::Boolean:
            return std::get<bool>(value_);
        case Kind::Text: {
            const QString t = std::get<QString>(value_).trimmed();
            if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
                t.compare(QLatin1String("verdadero"), Qt::CaseInsensitive) == 0)
                return true;
            if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
                t.compare(QLatin1String("falso"), Qt::CaseInsensitive) == 0)
                return false;
            return toDouble() != 0.0;
        }
        default:
            return toDouble() != 0.0;
    }
}

QString Variant::toText() const {
    switch (kind()) {
        case Kind::Null:
            return {};
        case Kind::Integer:
            return numberToText(std::get<int64_t>(value_));
        case Kind::Double:
            return numberToText(std::get<double>(value_));
        case Kind::Text:
            return std::get<QString>(value_);
        case Kind::Boolean:
            return std::get<bool>(value_) ? QStringLiteral("Verdadero") : QStringLiteral("Falso");
        case Kind::DateTime: {
            const QDateTime dt = std::get<QDateTime>(value_);
            const QString date = dt.date().toString(QStringLiteral("dd/MM/yyyy"));
            if (dt.time() == QTime(0, 0)) return date;
            return date + QLatin1Char(' ') + dt.time().toString(QStringLiteral("HH:mm:ss"));
        }
    }
    return {};
}

}  // namespace tpv
