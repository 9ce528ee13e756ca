#pragma once
// One line to standard error, written whole and flushed: the headless
// operator's screen and a service manager's log.
#include <QString>

namespace tpv {
void writeErrorLine(const QString &line);
}
