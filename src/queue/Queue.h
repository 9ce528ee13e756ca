#pragma once
// The poll timer's tick, the poll of the queue table PendGar and the lists of
// pending and done jobs.
namespace tpv {
class FrmPpal;

// One tick: interval to Tiempo, refresh the lists, poll. Failures reach the
// caller (see T_TimerSafe).
void T_Timer(FrmPpal &f);
// The tick as the timer runs it: a failure is reported to the operator once
// per kind and the next tick polls again; a lost server connection is opened
// anew at the next tick.
void T_TimerSafe(FrmPpal &f);
void Funciones(FrmPpal &f);
// Sets the poll timer to Tiempo. A negative Tiempo is no interval: the
// operator is told and the server polls every second rather than stopping.
void restartPolling(FrmPpal &f);
void HacerLaFuncion(FrmPpal &f);

void Actualizar(FrmPpal &f);
void lstPend_Click(FrmPpal &f);

// Filled by order printing.
void ImpComanda(FrmPpal &f);
}  // namespace tpv
