#include "ticket/Ticket.h"

#include "compat/Variant.h"

#include <QTime>

namespace tpv::ticket {

namespace {
const QString kRule = QStringLiteral("__________________");  // eighteen underscores

void addDish(Document &d, const Dish &dish) {
    d.addLine(dish.cancelled ? LineRole::CancelledDish : LineRole::Dish, dish.quantity + QLatin1Char(' ') + dish.name);
    for (const QString &extra : dish.extras)
        d.addLine(dish.cancelled ? LineRole::CancelledExtra : LineRole::Extra, kExtraIndent + extra);
    if (dish.blankAfter) d.addLine(LineRole::Blank, QString());
}
}  // namespace

QString backupMark(const QString &meantFor) { return QStringLiteral("*** RESPALDO DE %1 ***").arg(meantFor); }

QString aLaCarteQuantity(double quantity) { return numberToText(quantity); }

QString menuQuantity(double quantity) { return QString::number(roundToInt16(quantity)); }

Document compose(const Content &c, const QTime &sent, int blankLines) {
    Document d;
    if (c.header) {
        const Header &h = *c.header;
        d.addLine(LineRole::Header, QStringLiteral("Fecha ") + h.TicFec1 + QStringLiteral("     Tpv ") + h.TicSal);
        d.addLine(LineRole::TableOrder, kTablePrefix + h.TicMes + kOrderInfix + h.TicComa);
    }
    for (const QString &mark : c.marks) d.addLine(LineRole::Mark, mark);
    if (c.header) d.addLine(LineRole::Blank, QString());
    if (!c.aLaCarte.empty()) {
        d.addLine(LineRole::SectionTitle, QStringLiteral(" ***** ARTICULOS CARTA *****"));
        for (const Dish &dish : c.aLaCarte) addDish(d, dish);
    }
    if (!c.menu.empty()) {
        if (c.aLaCarte.empty()) {
            d.addLine(LineRole::SectionTitle, kRule);
            d.addLine(LineRole::SectionTitle, kMenuTitle);
            d.addLine(LineRole::SectionTitle, kRule);
        } else {
            d.addLine(LineRole::SectionTitle, kRule + kMenuTitle + kRule);
        }
        for (const Dish &dish : c.menu) addDish(d, dish);
    }
    d.addLine(LineRole::Footer, QStringLiteral("**********"));
    d.addLine(LineRole::Footer, kSentPrefix + sent.toString(QStringLiteral("HH:mm:ss")));
    d.addLine(LineRole::Footer, QStringLiteral("*"));
    for (int i = 0; i < blankLines; ++i) d.addLine(LineRole::Blank, QString());
    return d;
}

void addMark(Document &ticket, const QString &mark) {
    std::vector<DocumentLine> lines = ticket.lines();
    size_t at = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].role == LineRole::TableOrder) at = i + 1;
    while (at < lines.size() && lines[at].role == LineRole::Mark) ++at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), DocumentLine{LineRole::Mark, mark});
    Document out;
    out.title = ticket.title;
    for (const DocumentLine &l : lines) out.addLine(l.role, l.text);
    ticket = std::move(out);
}

int lineCount(const Document &ticket) { return static_cast<int>(ticket.lines().size()) - 1; }

}  // namespace tpv::ticket
