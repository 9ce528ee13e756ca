#pragma once
// The order print run: one job of the queue printed as one ticket per routed
// printer, then marked done.
#include "platform/Variant.h"

#include <QString>
#include <vector>

namespace tpv {
class FrmPpal;

inline const QString CRLF = QStringLiteral("\r\n");

// The three kinds of extra of a line or dish, each a code and a name column,
// in the order they are printed and stored: modifier, garnish, sauce.
struct ExtraKind {
    const char *code;
    const char *name;
};
inline constexpr ExtraKind kExtraKinds[] = {{"modifc", "modifn"}, {"guarnic", "guarnin"}, {"salsac", "salsan"}};
inline constexpr const char *kDestinos[] = {"destino1", "destino2", "destino3"};

// The job's values, read by name from the queue row the poll stands on.
struct JobValues {
    Variant PParg1, PParg3, PParg7, PPFecha, PPOrd;
    QString arg1() const { return PParg1.toText(); }     // as stored
    QString fecha() const { return PPFecha.toText(); }   // as stored
    QString ord() const { return PPOrd.toText(); }       // as stored
};

// The state of one run; nothing of it outlives the call.
struct PrintRun {
    JobValues job;
    QString Cabecera;
    std::vector<QString> TextoImpresora;   // indices 0 to NumImpresoras
    std::vector<bool> MenuIniciado;        // indices 0 to NumImpresoras

    // The entry of a printer number read from a routing column (error 94 for
    // a null, error 9 outside 0 to NumImpresoras).
    QString &texto(const Variant &destino);
    int index(const Variant &destino) const;
};

JobValues readJob(FrmPpal &f);

// The stages of the run, in order.
void printHeader(FrmPpal &f, PrintRun &run);
void printCartaLines(FrmPpal &f, PrintRun &run);
void printMenuLines(FrmPpal &f, PrintRun &run);
void sendTicketsAndComplete(FrmPpal &f, PrintRun &run);

// The footer of a ticket at a given time: ten asterisks, the time, one.
QString ticketFooter(const class QTime &t);
}  // namespace tpv
