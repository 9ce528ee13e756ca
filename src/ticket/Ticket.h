#pragma once
// How a kitchen ticket looks: every piece of text the print run puts on a
// printer's ticket, from the order header to the blank lines fed at the end,
// each line with the part it plays (platform/Document.h). Nothing here reads
// a database or touches a printer, so a change of layout is made and tested
// here alone; a printer that prints plain text prints Document::text().
#include "ticket/Document.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class QTime;

namespace tpv::ticket {

inline const QString CRLF = QStringLiteral("\r\n");

// The marks a ticket may carry under its header.
inline const QString kReprintMark = QStringLiteral("*** REIMPRESIÓN ***");
inline const QString kPossibleRepeatMark = QStringLiteral("*** POSIBLE REPETICIÓN ***");
QString backupMark(const QString &meantFor);  // "*** RESPALDO DE Barra ***"

// The fixed pieces of the lines, for whoever reads a ticket back by its
// roles (the kitchen screens' cards).
inline const QString kTablePrefix = QStringLiteral("Mesa ");
inline const QString kOrderInfix = QStringLiteral(" Comanda N.  ");
inline const QString kExtraIndent = QStringLiteral("     /");
inline const QString kMenuTitle = QStringLiteral("Platos de Menu");
inline const QString kSentPrefix = QStringLiteral("Hora de Envio: ");

// The order header's values, written as the database returns them.
struct Header {
    QString TicFec1, TicSal, TicMes, TicComa;
};

// One dish as it goes on a ticket: the quantity this ticket carries, the
// name, and its extras (modifier, garnish, sauce). An à-la-carte line with an
// extras row ends with an empty line, even when none of its extras prints.
struct Dish {
    QString quantity;  // already written in the system's number format
    QString name;
    QStringList extras;
    bool blankAfter = false;
    bool cancelled = false;  // a negative quantity
};

struct Content {
    std::optional<Header> header;  // none when the order has no header row
    QStringList marks;
    std::vector<Dish> aLaCarte, menu;
    bool isEmpty() const { return aLaCarte.empty() && menu.empty(); }
};

// The whole ticket: header, marks, à-la-carte section, menu section (its
// title on one line after à-la-carte dishes, in three lines otherwise),
// footer with the time of sending, and that many blank lines (none for zero
// or less).
Document compose(const Content &content, const QTime &sent, int blankLines);

// The quantity of a dish as the ticket writes it: an à-la-carte line in the
// system's number format, a menu dish as a whole number.
QString aLaCarteQuantity(double quantity);
QString menuQuantity(double quantity);

// Adds a mark under the header (after the marks already there).
void addMark(Document &ticket, const QString &mark);

// The number of line ends of a ticket as it reaches the printer.
int lineCount(const Document &ticket);

}  // namespace tpv::ticket
