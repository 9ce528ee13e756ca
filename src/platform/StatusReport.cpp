#include "platform/StatusReport.h"

#include "platform/Console.h"

namespace tpv {

void StatusReport::report(const QString &text) {
    ++count_;
    line_.setCaption(text);
    if (text == lastLogged_) return;
    lastLogged_ = text;
    writeErrorLine(text);
}

void StatusReport::clear() {
    if (!lastLogged_.isEmpty() && !line_.caption().isEmpty()) {
        writeErrorLine(QStringLiteral("Funcionamiento normal restablecido"));
    }
    lastLogged_.clear();
    line_.setCaption(QString());
}

}  // namespace tpv
