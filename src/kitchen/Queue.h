#pragma once
// The poll timer's tick and the poll of the queue table PendGar.
#include "kitchen/JobLists.h"
#include "kitchen/QueueProbe.h"

#include <functional>

namespace tpv {
class PollTimer;
class StatusReport;

// What a tick touches.
struct QueueContext {
    Global &g;
    BusinessDate &day;
    JobLists lists;
    PollTimer &T;
    StatusReport &status;
    // The handler of "Com" jobs: order printing, with Rs standing on the job.
    std::function<void()> ImpComanda;
    // Set when a tick lost the server: the next tick opens the connections anew.
    bool &reconnectServer;
    // The unpollable jobs already reported (see reportUnpollableJobs).
    QSet<QString> &unpollableReported;
    // Whether this PC prints: a PC on standby keeps its lists but leaves
    // the jobs to the PC that holds the terminal's turn.
    std::function<bool()> mayPrint;
    // Whether the tick reads the queue in full.
    QueueProbe &probe;
};

// One tick: interval to Tiempo, then, when the probe finds something new or
// a full read is due, refresh the lists and poll. Failures reach the caller
// (see T_TimerSafe). False when the business date is no date and nothing
// was polled.
bool T_Timer(const QueueContext &q);
// The lists, the business date and the check for jobs no poll selects, read
// in full. False when the business date is no date.
bool refreshQueue(const QueueContext &q);
// The tick as the timer runs it: a failure is reported to the operator once
// per kind and the next tick polls again; a lost server connection is opened
// anew at the next tick. True when the queue was polled to its end (the order
// database answered and the business date is a date), even if a job of it
// could not be printed.
bool T_TimerSafe(const QueueContext &q);
void Funciones(const QueueContext &q);
void HacerLaFuncion(const QueueContext &q);
// Sets the poll timer to Tiempo. A negative Tiempo is no interval: the
// operator is told and the server polls every second rather than stopping.
void restartPolling(PollTimer &T, int16_t Tiempo, StatusReport &status);
}  // namespace tpv
