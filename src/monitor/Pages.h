#pragma once
// What the HTTP server answers, made from a snapshot as of NOWMS on the
// monotonic clock: the metrics in Prometheus's text format, the health as
// JSON, and the status page in Spanish.
#include "monitor/Alerts.h"
#include "monitor/Snapshot.h"

#include <QByteArray>

namespace tpv {

QByteArray metricsText(const Snapshot &s, qint64 nowMs);
// The JSON of /salud; its HTTP status is 200 for "bien" and "aviso", 503
// for "mal".
QByteArray healthJson(const Health &h, const Snapshot &s, qint64 nowMs);
QByteArray statusPage(const Snapshot &s, qint64 nowMs);

}  // namespace tpv
