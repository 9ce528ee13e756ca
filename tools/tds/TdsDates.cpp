#include "tds/TdsDates.h"

#include <QRegularExpression>

namespace tpv::tds {

std::optional<DateOrder> dateOrderFromText(const QString &text) {
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("mdy")) return DateOrder::mdy;
    if (t == QLatin1String("dmy")) return DateOrder::dmy;
    if (t == QLatin1String("ymd")) return DateOrder::ymd;
    if (t == QLatin1String("ydm")) return DateOrder::ydm;
    if (t == QLatin1String("myd")) return DateOrder::myd;
    if (t == QLatin1String("dym")) return DateOrder::dym;
    return std::nullopt;
}

std::optional<DateOrder> dateOrderOfLanguage(const QString &language) {
    const QString l = language.trimmed().toLower();
    if (l.isEmpty() || l == QLatin1String("us_english") || l == QLatin1String("english")) return DateOrder::mdy;
    for (const char *dmy : {"español", "spanish", "british", "deutsch", "german", "français", "french", "italiano",
                            "italian", "nederlands", "dutch", "português", "portuguese", "brazilian", "català"}) {
        if (l == QString::fromUtf8(dmy)) return DateOrder::dmy;
    }
    for (const char *ymd : {"日本語", "japanese", "magyar", "hungarian", "svenska", "swedish", "polski", "polish"}) {
        if (l == QString::fromUtf8(ymd)) return DateOrder::ymd;
    }
    return std::nullopt;
}

namespace {

int fullYear(const QString &digits) {
    const int y = digits.toInt();
    if (digits.size() > 2) return y;
    // SQL Server's two-digit year cutoff: 49 is 2049, 50 is 1950.
    return y < 50 ? 2000 + y : 1900 + y;
}

DateReading outOfRange() { return {242, {}}; }
DateReading notADate() { return {241, {}}; }

DateReading build(int y, int m, int d, const QTime &time) {
    if (y < 1753 || y > 9999 || m < 1 || m > 12 || d < 1) return outOfRange();
    const QDate date(y, m, 1);
    if (d > date.daysInMonth()) return outOfRange();
    return {0, QDateTime(QDate(y, m, d), time)};
}

std::optional<QTime> readTime(const QString &text) {
    if (text.isEmpty()) return QTime(0, 0);
    static const QRegularExpression re(
        QStringLiteral(R"(^(\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:[.:](\d{1,3}))?)?\s*([AaPp][Mm])?$)"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    int h = m.captured(1).toInt();
    const int min = m.captured(2).toInt(), s = m.captured(3).toInt();
    const QString frac = m.captured(4);
    int ms = frac.isEmpty() ? 0 : QString(frac + QStringLiteral("00")).left(3).toInt();
    const QString ampm = m.captured(5).toLower();
    if (!ampm.isEmpty()) {
        if (h < 1 || h > 12) return std::nullopt;
        if (ampm == QLatin1String("pm") && h < 12) h += 12;
        if (ampm == QLatin1String("am") && h == 12) h = 0;
    }
    if (h > 23 || min > 59 || s > 59) return std::nullopt;
    return QTime(h, min, s, ms);
}

}  // namespace

DateReading readDatetime(const QString &raw, DateOrder order) {
    const QString text = raw.trimmed();
    // An empty text is the base date, as SQL Server reads it.
    if (text.isEmpty()) return {0, QDateTime(QDate(1900, 1, 1), QTime(0, 0))};
    // ISO 8601 with a T, the one form every date order reads alike.
    static const QRegularExpression iso(QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})T(.+)$)"));
    if (const auto m = iso.match(text); m.hasMatch()) {
        const auto t = readTime(m.captured(4));
        if (!t) return notADate();
        return build(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), *t);
    }
    QString datePart = text, timePart;
    const int blank = text.indexOf(QLatin1Char(' '));
    if (blank >= 0) {
        datePart = text.left(blank);
        timePart = text.mid(blank + 1).trimmed();
    } else if (text.contains(QLatin1Char(':'))) {
        datePart.clear();
        timePart = text;
    }
    const auto time = readTime(timePart);
    if (!time) return notADate();
    if (datePart.isEmpty()) return build(1900, 1, 1, *time);
    // Unseparated: yyyymmdd (and yymmdd) whatever the date order.
    static const QRegularExpression unseparated(QStringLiteral(R"(^(\d{2}|\d{4})(\d{2})(\d{2})$)"));
    if (const auto m = unseparated.match(datePart); m.hasMatch()) {
        return build(fullYear(m.captured(1)), m.captured(2).toInt(), m.captured(3).toInt(), *time);
    }
    static const QRegularExpression separated(QStringLiteral(R"(^(\d{1,4})([/.\-])(\d{1,4})\2(\d{1,4})$)"));
    const auto m = separated.match(datePart);
    if (!m.hasMatch()) return notADate();
    const QString a = m.captured(1), b = m.captured(3), c = m.captured(4);
    QString y, mo, d;
    if (a.size() == 4) {
        // A year first: the rest is month then day, except where the
        // session's order puts the day before the month (the 2026-12-07
        // trap of the dmy languages).
        y = a;
        const bool dayFirst = order == DateOrder::dmy || order == DateOrder::dym || order == DateOrder::ydm;
        mo = dayFirst ? c : b;
        d = dayFirst ? b : c;
    } else {
        switch (order) {
            case DateOrder::mdy:
                mo = a, d = b, y = c;
                break;
            case DateOrder::dmy:
                d = a, mo = b, y = c;
                break;
            case DateOrder::ymd:
                y = a, mo = b, d = c;
                break;
            case DateOrder::ydm:
                y = a, d = b, mo = c;
                break;
            case DateOrder::myd:
                mo = a, y = b, d = c;
                break;
            case DateOrder::dym:
                d = a, y = b, mo = c;
                break;
        }
    }
    if (mo.size() > 2 || d.size() > 2 || y.size() == 3 || y.size() == 1) return notADate();
    return build(fullYear(y), mo.toInt(), d.toInt(), *time);
}

namespace {
const QDateTime kServerEpoch(QDate(1900, 1, 1), QTime(0, 0));
}

double toServerDays(const QDateTime &value) { return kServerEpoch.msecsTo(value) / 86400000.0; }

QDateTime fromServerDays(double days) { return kServerEpoch.addMSecs(qRound64(days * 86400000.0)); }

}  // namespace tpv::tds
