#pragma once
// A printer's state as the operator reads it, or nothing while none is known.
#include "devices/PrinterStatus.h"

#include <optional>

namespace tpv {

inline QString statusText(const PrinterStatus &s) { return s.known() ? statusLabel(s) : QString(); }
inline QString statusText(const std::optional<PrinterStatus> &s) { return s ? statusText(*s) : QString(); }

}  // namespace tpv
