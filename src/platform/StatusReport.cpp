#include "platform/StatusReport.h"

namespace tpv {

namespace {
const QString kKey = QStringLiteral("estado");
}

void StatusReport::report(const QString &text) {
    ++count_;
    line_.setCaption(text);
    log_.failed(kKey, text);
    if (onReport) onReport(text);
}

void StatusReport::notice(const QString &text) {
    ++count_;
    line_.setCaption(text);
    logLine(LogPriority::Warning, text);
    if (onReport) onReport(text);
}

void StatusReport::stillShown(const QString &text) {
    ++count_;
    line_.setCaption(text);
}

void StatusReport::clear() {
    if (log_.recovered(kKey) && onReport) onReport(QStringLiteral("Funcionamiento normal"));
    line_.setCaption(QString());
}

}  // namespace tpv
