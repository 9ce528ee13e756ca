#include "ticket/Card.h"

#include "compat/Error.h"
#include "compat/Variant.h"
#include "ticket/Ticket.h"

namespace tpv::ticket {

namespace {

QString withoutAsterisks(QString mark) {
    mark = mark.trimmed();
    while (mark.startsWith(QLatin1Char('*'))) mark.remove(0, 1);
    while (mark.endsWith(QLatin1Char('*'))) mark.chop(1);
    return mark.trimmed();
}

CardDish dishOf(const QString &line, bool cancelled, bool menu) {
    CardDish d;
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    d.quantity = space < 0 ? QString() : line.left(space);
    d.name = space < 0 ? line : line.mid(space + 1);
    try {
        d.amount = d.quantity.isEmpty() ? 0 : textToDouble(d.quantity);
    } catch (const TpvError &) {
        d.amount = 0;
    }
    d.cancelled = cancelled;
    d.menu = menu;
    return d;
}

}  // namespace

Card cardOf(const Document &ticket) {
    Card c;
    bool menu = false;
    for (const DocumentLine &l : ticket.lines()) {
        if (l.text.trimmed().isEmpty()) continue;
        c.lines.push_back(l);
        switch (l.role) {
            case LineRole::TableOrder: {
                const qsizetype infix = l.text.indexOf(kOrderInfix);
                if (!l.text.startsWith(kTablePrefix) || infix < 0) break;
                c.table = l.text.mid(kTablePrefix.size(), infix - kTablePrefix.size()).trimmed();
                c.order = l.text.mid(infix + kOrderInfix.size()).trimmed();
                break;
            }
            case LineRole::Mark:
                c.marks << withoutAsterisks(l.text);
                break;
            case LineRole::SectionTitle:
                if (l.text.contains(kMenuTitle)) menu = true;
                break;
            case LineRole::Dish:
            case LineRole::CancelledDish:
                c.dishes.push_back(dishOf(l.text, l.role == LineRole::CancelledDish, menu));
                break;
            case LineRole::Extra:
            case LineRole::CancelledExtra:
                if (!c.dishes.empty())
                    c.dishes.back().extras
                        << (l.text.startsWith(kExtraIndent) ? l.text.mid(kExtraIndent.size()) : l.text.trimmed());
                break;
            case LineRole::Footer:
                if (l.text.startsWith(kSentPrefix)) c.sentAt = l.text.mid(kSentPrefix.size()).trimmed();
                break;
            default:
                break;
        }
    }
    return c;
}

}  // namespace tpv::ticket
