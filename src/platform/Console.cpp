#include "platform/Console.h"

namespace tpv {

void writeErrorLine(const QString &line, LogPriority priority) {
    // The usage text is several lines: each is a line of the log.
    for (const QString &part : line.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) logLine(priority, part);
}

}  // namespace tpv
