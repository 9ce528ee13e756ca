#pragma once
// The statements on the print queue, PendGar: one row per job a terminal
// leaves for this server. PPOrd numbers the job within its business day
// (PPFecha), PPCod says what it is ('Com' an order), PParg1 is the terminal,
// PParg3 the order, PParg7 the routing profile, and PPPend is 0 while the job
// waits and 1 once done.
//
// A business day is passed as stored and escaped here. Job numbers and
// terminals are passed as the SQL numbers they already are (read from the
// queue and checked, or written by this program).
#include <QString>

namespace tpv::sql::queue {

// The jobs of the terminal that wait on the business day, oldest first: what
// a poll prints.
QString pendingJobsToPrint(const QString &fecha, int tpv);
// The same jobs, newest first, for the window's list of pending jobs.
QString pendingJobsListed(int tpv, const QString &fecha);
// The jobs of the terminal done on the business day, newest first, for the
// list of done jobs the operator reprints from.
QString doneJobsListed(int tpv, const QString &fecha);
// Jobs that no poll will ever select because a column the selection reads
// is null, for the terminal and day (or with no terminal, for the day).
QString jobsNoPollSelects(int tpv, const QString &fecha);

// Marks a job done once its tickets went out.
QString markJobDone(const QString &ord, const QString &fecha);
// Sets a done job of the terminal waiting again, to print its order whole.
QString markJobPending(const QString &ord, const QString &fecha, int tpv);
// Sets every job of the business day waiting again, of every terminal.
QString markDayPending(const QString &fecha);
// A null routing profile becomes empty text, once at every activation.
QString emptyNullProfiles();

// The routing profile (PParg7) of a job.
QString routingProfileOfJob(const QString &ord, const QString &fecha);
// How many orders of the business day have jobs, of every terminal.
QString countOrdersOfDay(const QString &fecha);

}  // namespace tpv::sql::queue
