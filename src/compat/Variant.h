#pragma once
// Field values as the databases return them, and the conversions the order
// printing relies on. Conversions follow the rules of the terminals' runtime:
// whole numbers round half to even, overflow is error 6, text that is not a
// number is error 13, and numbers become text in the process locale's format.
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <variant>

namespace tpv {

class Variant {
public:
    enum class Kind { Null, Integer, Double, Text, Boolean, DateTime };

    Variant() = default;
    Variant(std::nullptr_t) {}
    Variant(int v) : value_(static_cast<int64_t>(v)) {}
    Variant(int64_t v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(bool v) : value_(v) {}
    Variant(const QString &v) : value_(v) {}
    Variant(const char *v) : value_(QString::fromUtf8(v)) {}
    Variant(const QDateTime &v) : value_(v) {}

    // A value read through QtSql (null, numbers, text, dates).
    static Variant fromQVariant(const QVariant &v);

    Kind kind() const { return static_cast<Kind>(value_.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    int16_t toInt16() const;  // errors 6 and 13
    int32_t toInt32() const;  // errors 6 and 13
    float toSingle() const;   // errors 6 and 13
    double toDouble() const;  // error 13 (error 94 for null is reported as 13)
    bool toBool() const;      // null is false, non-zero is true
    QString toText() const;   // null is empty text

    bool operator==(const Variant &o) const { return value_ == o.value_; }

private:
    std::variant<std::monostate, int64_t, double, QString, bool, QDateTime> value_;
};

// Number conversions of text, shared by the field values and the panel's
// text fields.
double textToDouble(const QString &text);  // error 13
int16_t roundToInt16(double value);        // half to even, error 6
int32_t roundToInt32(double value);        // half to even, error 6
QString numberToText(double value);        // process locale, no grouping
QString numberToText(int64_t value);
// A number as SQL wants it whatever the locale: the text form with every ","
// replaced by ".".
QString withDecimalPoint(const QString &text);

}  // namespace tpv
