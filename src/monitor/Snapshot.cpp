#include "monitor/Snapshot.h"

#include "compat/Error.h"

#include <utility>

namespace tpv {

void TickHistogram::add(double seconds) {
    ++count;
    sumSeconds += seconds;
    for (size_t i = 0; i < kBounds.size(); ++i) {
        if (seconds <= kBounds[i]) {
            ++counts[i];
            return;
        }
    }
}

QString causeWord(long errorNumber, const PrinterStatus &stateAfter) {
    if (errorNumber == err::NotInList) return QStringLiteral("no_instalada");
    if (stateAfter.isFailure()) return statusWord(stateAfter.condition);
    return QStringLiteral("error");
}

QString durationText(qint64 ms) {
    const qint64 s = std::max<qint64>(0, ms / 1000);
    if (s < 60) return QStringLiteral("%1 s").arg(s);
    if (s < 3600)
        return s % 60 ? QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60) : QStringLiteral("%1 min").arg(s / 60);
    const qint64 min = (s % 3600) / 60;
    return min ? QStringLiteral("%1 h %2 min").arg(s / 3600).arg(min) : QStringLiteral("%1 h").arg(s / 3600);
}

}  // namespace tpv
