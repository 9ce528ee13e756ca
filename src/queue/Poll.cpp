#include "app/FrmPpal.h"
#include "config/Config.h"
#include "platform/Error.h"
#include "queue/Queue.h"

namespace tpv {

void restartPolling(FrmPpal &f) {
    if (f.g.Tiempo < 0) {
        f.report(QStringLiteral("El intervalo de sondeo (Tiempo = %1) no es válido; se sondea cada segundo").arg(f.g.Tiempo));
        f.T.setInterval(1000);
        return;
    }
    f.T.setInterval(f.g.Tiempo);
}

void T_Timer(FrmPpal &f) {
    restartPolling(f);
    Actualizar(f);
    Funciones(f);
}

void T_TimerSafe(FrmPpal &f) {
    const int reportsBefore = f.reportCount();
    try {
        if (f.reconnectServer) {
            abrir_conexiones(f);
            f.reconnectServer = false;
        }
        T_Timer(f);
        if (f.reportCount() == reportsBefore) f.clearReport();
    } catch (const TpvError &e) {
        if (e.number() == err::CannotOpen) f.reconnectServer = true;
        if (f.g.Rs.isOpen()) f.g.Rs.close();
        f.report(QStringLiteral("Error al consultar la cola de impresión (%1): %2").arg(e.number()).arg(e.description()));
    }
}

void Funciones(FrmPpal &f) {
    Global &g = f.g;
    if (g.Rs.isOpen()) g.Rs.close();
    g.Rs.open(QStringLiteral("SELECT * FROM PendGar WHERE PPPend = 0  AND PPFecha = '") + f.FechaTpv +
                  QStringLiteral("' AND PPArg1 = '") + QString::number(g.tpv) +
                  QStringLiteral("' Order By PPFecha Asc,PPOrd Asc"),
              conn(g.Cn));
    if (!g.Rs.eof()) {
        g.Rs.moveFirst();
        while (!g.Rs.eof()) {
            HacerLaFuncion(f);
            g.Rs.moveNext();
        }
    }
    g.Rs.close();
}

void HacerLaFuncion(FrmPpal &f) {
    const QString code = f.g.Rs.field(2).toText();
    if (code != QLatin1String("Com")) return;
    try {
        ImpComanda(f);
    } catch (const TpvError &e) {
        // One job that cannot be printed must not hold back the jobs after
        // it: it stays pending, the operator is told, the poll goes on. A
        // lost server stops the tick instead.
        if (e.number() == err::CannotOpen) throw;
        QString order;
        try {
            order = f.g.Rs.field(QStringLiteral("PParg3")).toText().trimmed() + QStringLiteral(" (trabajo ") +
                    f.g.Rs.field(QStringLiteral("PPOrd")).toText() + QLatin1Char(')');
        } catch (const TpvError &) {
        }
        f.report(QStringLiteral("No se pudo imprimir la comanda %1: error %2: %3")
                     .arg(order)
                     .arg(e.number())
                     .arg(e.description()));
    }
}

}  // namespace tpv
