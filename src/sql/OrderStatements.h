#pragma once
// The statements on the order tables the terminals write: Tic (an order's
// header), Til (its à-la-carte lines, TilImp the quantity printed so far),
// Tilm (the dishes chosen inside set menus, Imp the quantity printed) and
// cargosr (the extras of a line: modifier, garnish, sauce), with the article
// table Artv and the routing profiles PerfilEnvioImp that send each family
// of articles to its printers.
//
// An order is named by its terminal, business day and number. The business
// day is passed as stored and escaped here. A terminal or order passed as a
// Variant is the value the queue row holds, written here the way each
// statement always wrote it (as stored, or checked as a 16-bit number); one
// passed as text or int is already the SQL number.
#include "compat/Variant.h"

#include <QString>
#include <QStringList>

namespace tpv::sql::order {

// What a print run reads of the order before printing. A null printed
// count counts as nothing printed yet:
QString clearNullPrintedLines(const Variant &tpv, const QString &fecha, const Variant &comanda);
QString clearNullPrintedDishes(const Variant &tpv, const QString &fecha, const Variant &comanda);
// Number and quantity of the unprinted lines, the unprinted menu dishes,
// and every extras row of the order.
QString unprintedLines(const Variant &tpv, const QString &fecha, const Variant &comanda);
QString unprintedDishes(const Variant &tpv, const QString &fecha, const Variant &comanda);
QString extrasRows(const Variant &tpv, const QString &fecha, const Variant &comanda);

// "(TilOrd = 3 AND TilCant = 2)": a row the run read, by its number and
// quantity as SQL literals.
QString rowRead(const QString &numberColumn, const QString &number, const QString &quantityColumn,
                const QString &quantity);
// " AND (...)": any of the rows read, joined by OR two by two so that a long
// order nests the expression only as deep as the logarithm of its rows;
// " AND 1 = 0" when none was read.
QString onlyRowsRead(const QStringList &rows);

// Completion: the lines, menu dishes and extras rows the run read, as
// onlyRowsRead restricts them, marked printed at their quantity.
QString markLinesPrinted(const Variant &tpv, const QString &fecha, const Variant &comanda, const QString &rowsRead);
QString markDishesPrinted(const Variant &tpv, const QString &fecha, const Variant &comanda, const QString &rowsRead);
QString markExtrasPrinted(const Variant &tpv, const QString &fecha, const Variant &comanda, const QString &rowsRead);

// The order's header row.
QString orderHeader(const Variant &tpv, const QString &fecha, const Variant &comanda);
// The unprinted lines of the order with their article and the routing of
// its family under the job's profile, in line order.
QString unprintedLinesRouted(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &profile);
// The extras row of one line (its number checked and written bare).
QString extrasOfLine(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &line);
// One line of the order, to tell whether it is still there.
QString orderLine(int tpv, const QString &fecha, const Variant &comanda, const Variant &line);
// The unprinted menu dishes of the order with their article and routing, in
// dish order.
QString unprintedDishesRouted(const Variant &tpv, const QString &fecha, const Variant &comanda, const Variant &profile);

// The table (TicMes) an order is served at.
QString tableOfOrder(int tpv, const QString &fecha, const Variant &comanda);

// A reprint: the order's lines and menu dishes set unprinted.
QString reprintOrderLines(int tpv, const QString &fecha, const QString &comanda);
QString reprintOrderDishes(int tpv, const QString &fecha, const QString &comanda);
// Every line and menu dish of the business day set unprinted, of every
// terminal.
QString reprintDayLines(const QString &fecha);
QString reprintDayDishes(const QString &fecha);

}  // namespace tpv::sql::order
