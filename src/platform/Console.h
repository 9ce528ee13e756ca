#pragma once
// One line of the log (standard error; see platform/Log.h): the headless
// operator's screen and a service manager's journal.
#include "platform/Log.h"

#include <QString>

namespace tpv {
void writeErrorLine(const QString &line, LogPriority priority = LogPriority::Info);
}
