#pragma once
// How SQL Server reads a text written into a datetime column: by the
// session's date order (SET DATEFORMAT, or the one of SET LANGUAGE or of the
// login's language). us_english reads 07/12/2026 as 12 July and refuses
// 13/12/2026 with error 242; the ISO forms are read the same in every order.
#include <QDateTime>
#include <QString>
#include <optional>

namespace tpv::tds {

enum class DateOrder { mdy, dmy, ymd, ydm, myd, dym };

// "dmy", "MDY"...; nothing for another text.
std::optional<DateOrder> dateOrderFromText(const QString &text);
// The date order of a language as SET LANGUAGE and the login name it
// (us_english, Español, British, Deutsch, ...); nothing for an unknown one.
std::optional<DateOrder> dateOrderOfLanguage(const QString &language);

struct DateReading {
    int error = 0;  // 0, 241 (not a date) or 242 (a date out of range)
    QDateTime value;
};
DateReading readDatetime(const QString &text, DateOrder order);

// How the server keeps a datetime in its SQLite file: days since 1 January
// 1900 as a real number (what CAST(d AS float) gives on SQL Server). A text
// in such a column is a text a statement wrote and has yet to be read.
double toServerDays(const QDateTime &value);
QDateTime fromServerDays(double days);

}  // namespace tpv::tds
