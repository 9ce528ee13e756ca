#include "kitchen/StatusReport.h"

namespace tpv {

void StatusReport::report(const QString &text, const QString &key, const QString &cause) {
    ++count_;
    line_.setCaption(text);
    log_.failed(key.isEmpty() ? text : key, text, LogPriority::Error, cause);
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
    if (log_.recoverAll() > 0 && onReport) onReport(QStringLiteral("Funcionamiento normal"));
    line_.setCaption(QString());
}

void StatusReport::startTick() {
    countAtTickStart_ = count_;
    log_.startRound();
}

void StatusReport::endTick() {
    const bool recovered = log_.endRound() > 0;
    if (count_ != countAtTickStart_) return;
    if (recovered && onReport) onReport(QStringLiteral("Funcionamiento normal"));
    line_.setCaption(QString());
}

}  // namespace tpv
