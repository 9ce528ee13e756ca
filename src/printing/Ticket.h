#pragma once
// How a kitchen ticket looks: every piece of text the print run writes into
// a printer's ticket, from the order header to the blank lines fed at the
// end. Plain text with CR LF line ends; nothing here reads a database or
// touches a printer, so a change of layout is made and tested here alone.
#include <QString>
#include <cstdint>

class QTime;

namespace tpv::ticket {

inline const QString CRLF = QStringLiteral("\r\n");

// The order header: date and room, table and order number, an empty line.
// The values are written as the database returns them.
QString header(const QString &TicFec1, const QString &TicSal, const QString &TicMes, const QString &TicComa);

// À-la-carte section: its title (after the header), a line, an extra of the
// line, and the line end (an empty line follows a line with an extra row).
QString cartaTitle(const QString &Cabecera);
QString cartaLine(double quantity, const QString &TilArtN);
QString extra(const QString &name);
QString cartaLineEnd(bool withExtraRow);

// Menu section: its title, in full when the printer's text is still empty
// (after the header), on one line when it follows à-la-carte lines; a dish
// and the dish end.
QString menuTitle(const QString &Cabecera, bool textEmpty);
QString menuDish(int16_t quantity, const QString &mlplan);
QString menuDishEnd();

// The footer with the time of sending, and the blank lines fed after it.
QString footer(const QTime &sent);
QString blankLines(int count);

// The ticket text without the footer's time, for comparing two sendings of
// the same ticket.
QString withoutSendingTime(const QString &ticketText);

}  // namespace tpv::ticket
