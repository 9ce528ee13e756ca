#include "sql/QueueStatements.h"

#include "sql/SqlText.h"

namespace tpv::sql::queue {

QString pendingJobsToPrint(const QString &fecha, int tpv) {
    return QStringLiteral("SELECT * FROM PendGar WHERE PPPend = 0  AND PPFecha = '") + escaped(fecha) +
           QStringLiteral("' AND PPArg1 = '") + QString::number(tpv) +
           QStringLiteral("' Order By PPFecha Asc,PPOrd Asc");
}

QString pendingJobsListed(int tpv, const QString &fecha) {
    return QStringLiteral("Select * from PendGar Where PPArg1 = '") + QString::number(tpv) +
           QStringLiteral("' AND PPPend = 0 AND PPFecha = '") + escaped(fecha) +
           QStringLiteral("' Order By PPFecha Desc,PPOrd Desc");
}

QString doneJobsListed(int tpv, const QString &fecha) {
    return QStringLiteral("Select * from PendGar Where PPArg1 = '") + QString::number(tpv) +
           QStringLiteral("' AND PPPend = 1 And PpFecha = '") + escaped(fecha) +
           QStringLiteral("' Order By PPFecha Desc,PPOrd Desc");
}

QString jobsNoPollSelects(int tpv, const QString &fecha) {
    const QString day = escaped(fecha);
    return QStringLiteral("Select * from PendGar Where (PPArg1 = '") + QString::number(tpv) +
           QStringLiteral("' Or (PPArg1 Is Null And PPFecha = '") + day + QStringLiteral("')) And (PPFecha = '") + day +
           QStringLiteral(
               "' Or PPFecha Is Null) And (PPPend = 0 Or PPPend Is Null) And (PPFecha Is Null Or PPCod Is Null Or "
               "PPArg1 Is Null Or PPPend Is Null) Order By PPOrd");
}

QString markJobDone(const QString &ord, const QString &fecha) {
    return QStringLiteral("UPDATE PendGar SET PPPend = 1 WHERE PPOrd = ") + ord + QStringLiteral(" AND PPFecha = '") +
           escaped(fecha) + QStringLiteral("'");
}

QString markJobPending(const QString &ord, const QString &fecha, int tpv) {
    return QStringLiteral("UPDATE PendGar SET PPPend = 0 WHERE PPOrd = ") + ord + QStringLiteral(" AND PPFecha = '") +
           escaped(fecha) + QStringLiteral("' AND PPArg1 = '") + QString::number(tpv) + QStringLiteral("'");
}

QString markDayPending(const QString &fecha) {
    return QStringLiteral("UPDATE PendGar Set PPPend = 0 Where PPFecha = '") + escaped(fecha) + QStringLiteral("'");
}

QString emptyNullProfiles() { return QStringLiteral("UPDATE PendGar SET PPArg7 = '' WHERE PPArg7 IS null"); }

QString routingProfileOfJob(const QString &ord, const QString &fecha) {
    return QStringLiteral("SELECT PParg7 FROM PendGar WHERE PPOrd = ") + ord + QStringLiteral(" AND PPFecha = '") +
           escaped(fecha) + QStringLiteral("'");
}

QString countOrdersOfDay(const QString &fecha) {
    return QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT PParg1, PParg3 FROM PendGar WHERE PPFecha = '") +
           escaped(fecha) + QStringLiteral("' AND PPCod = 'Com') AS comandas");
}

}  // namespace tpv::sql::queue
