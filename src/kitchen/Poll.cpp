#include "kitchen/Config.h"
#include "sql/QueueStatements.h"
#include "compat/Error.h"
#include "platform/PollTimer.h"
#include "kitchen/StatusReport.h"
#include "kitchen/Queue.h"

namespace tpv {

void restartPolling(PollTimer &T, int16_t Tiempo, StatusReport &status) {
    if (Tiempo < 0) {
        status.report(
            QStringLiteral("El intervalo de sondeo (Tiempo = %1) no es válido; se sondea cada segundo").arg(Tiempo));
        T.setInterval(1000);
        return;
    }
    T.setInterval(Tiempo);
}

namespace {

// A business date that is not a date (a mistyped closing, a name in
// CierreFecha) matches no day's jobs, or worse the jobs that carry the same
// text: nothing is polled for it, and the operator is told once, on the
// status line and in the log, until it changes.
bool businessDateUsable(const QueueContext &q) {
    BusinessDate &day = q.day;
    if (isBusinessDate(day.FechaTpv)) {
        day.reportedInvalid.reset();
        return true;
    }
    const QString text =
        day.FechaTpv.isEmpty()
            ? QStringLiteral("No hay fecha de trabajo del TPV %1 en icierre (cierrecod = %1): no se imprime nada")
                  .arg(q.g.tpv)
            : QStringLiteral(
                  "La fecha de trabajo del TPV %1 en icierre (CierreFecha = «%2») no es una fecha AAAAMMDD: "
                  "no se imprime nada hasta que se corrija")
                  .arg(q.g.tpv)
                  .arg(day.FechaTpv);
    if (day.reportedInvalid != day.FechaTpv) {
        day.reportedInvalid = day.FechaTpv;
        q.status.notice(text);
    } else {
        q.status.stillShown(text);
    }
    return false;
}

}  // namespace

bool refreshQueue(const QueueContext &q) {
    Actualizar(q.g, q.day, q.lists);
    const bool usable = businessDateUsable(q);
    if (usable) reportUnpollableJobs(q.g, q.day, q.status, q.unpollableReported);
    q.probe.fullReadDone();
    return usable;
}

bool T_Timer(const QueueContext &q) {
    restartPolling(q.T, q.g.Tiempo, q.status);
    // Nothing new: the lists stand, and every job the last poll handed to
    // the printing asked for this tick to read in full (a retry).
    const bool mayPrint = !q.mayPrint || q.mayPrint();
    if (!q.probe.fullReadNeeded(q.g, q.day.FechaTpv, mayPrint)) return businessDateUsable(q);
    if (!refreshQueue(q)) return false;
    if (mayPrint) Funciones(q);
    return true;
}

bool T_TimerSafe(const QueueContext &q) {
    q.status.startTick();
    bool polled = false;
    try {
        if (q.reconnectServer) {
            // The probe's own connection closes with the others, before any
            // opens anew (see abrir_conexiones).
            q.probe.reconnecting();
            abrir_conexiones(q.g);
            q.reconnectServer = false;
        } else {
            // A server file replaced or removed under the open connections
            // is err::CannotOpen here: they are opened anew at the next tick.
            checkConnectionSources(q.g);
        }
        polled = T_Timer(q);
    } catch (const TpvError &e) {
        polled = false;
        q.probe.requestFullRead();
        if (q.g.Rs.isOpen()) q.g.Rs.close();
        // The turn went to another PC in the middle of a job: the change of
        // turn says so; the job is the other PC's now.
        if (e.number() == err::WriteConflict) {
            q.status.endTick();
            return true;
        }
        if (e.number() == err::CannotOpen) q.reconnectServer = true;
        if (q.g.Rs.isOpen()) q.g.Rs.close();
        q.status.report(
            QStringLiteral("Error al consultar la cola de impresión (%1): %2").arg(e.number()).arg(e.description()),
            QStringLiteral("consulta de la cola"));
    }
    q.status.endTick();
    return polled;
}

void Funciones(const QueueContext &q) {
    Global &g = q.g;
    if (g.Rs.isOpen()) g.Rs.close();
    g.Rs.open(sql::queue::pendingJobsToPrint(q.day.FechaTpv, g.tpv), conn(g.Cn));
    if (!g.Rs.eof()) {
        g.Rs.moveFirst();
        while (!g.Rs.eof()) {
            HacerLaFuncion(q);
            g.Rs.moveNext();
        }
    }
    g.Rs.close();
}

namespace {
// "12 (trabajo 7)": how the operator finds the job that failed.
QString jobName(const Recordset &rs) {
    try {
        return rs.field(QStringLiteral("PParg3")).toText().trimmed() + QStringLiteral(" (trabajo ") +
               rs.field(QStringLiteral("PPOrd")).toText() + QLatin1Char(')');
    } catch (const TpvError &) {
        return {};
    }
}
}  // namespace

void HacerLaFuncion(const QueueContext &q) {
    const QString code = q.g.Rs.field(2).toText();
    if (code != QLatin1String("Com")) return;
    // Printed, it changed the queue; failed, it is tried again at the next
    // tick: either way that tick reads in full.
    q.probe.requestFullRead();
    try {
        if (q.ImpComanda) q.ImpComanda();
    } catch (const TpvError &e) {
        // One job that cannot be printed must not hold back the jobs after
        // it: it stays pending, the operator is told, the poll goes on. A
        // lost server stops the tick instead, so the connections are opened
        // anew at the next one.
        if (e.number() == err::CannotOpen || e.number() == err::WriteConflict) throw;
        q.status.report(QStringLiteral("No se pudo imprimir la comanda %1: error %2: %3")
                            .arg(jobName(q.g.Rs))
                            .arg(e.number())
                            .arg(e.description()));
    }
}

}  // namespace tpv
