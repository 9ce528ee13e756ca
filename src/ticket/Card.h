#pragma once
// A kitchen ticket read back by the roles of its lines, as a kitchen screen
// shows it: the table and the order, the marks, each dish with its extras,
// and the time it was sent. The pieces are the composer's own
// (ticket/Ticket.h), so a screen shows what a printer would print.
#include "ticket/Document.h"

#include <QStringList>
#include <vector>

namespace tpv::ticket {

struct CardDish {
    QString quantity;   // as the ticket writes it ("1", "0,5", "-1")
    double amount = 0;  // the same as a number (0 when it is none)
    QString name;
    QStringList extras;
    bool cancelled = false;
    bool menu = false;  // a menu dish, else an à-la-carte line
};

struct Card {
    QString table, order, sentAt;  // empty when the ticket has none
    QStringList marks;             // without their asterisks: "REIMPRESIÓN"
    std::vector<CardDish> dishes;
    std::vector<DocumentLine> lines;  // every line but the empty ones, as printed
};

Card cardOf(const Document &ticket);

}  // namespace tpv::ticket
