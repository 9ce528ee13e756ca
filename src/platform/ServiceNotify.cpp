#include "platform/ServiceNotify.h"

#include <algorithm>
#include <systemd/sd-daemon.h>

namespace tpv {

namespace {
// The journal and systemctl show a status of a line or two; a ticket's whole
// text is not a status.
constexpr qsizetype kMaxStatusChars = 200;
}  // namespace

QByteArray ServiceNotify::statusMessage(const QString &text) {
    // A line break would start a second assignment (STATUS=...\nREADY=1).
    QString line = text;
    for (QChar &c : line)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) c = QLatin1Char(' ');
    if (line.size() > kMaxStatusChars) {
        qsizetype keep = kMaxStatusChars - 1;
        if (line.at(keep - 1).isHighSurrogate()) --keep;  // never half a character
        line = line.left(keep) + QChar(0x2026);
    }
    return "STATUS=" + line.toUtf8();
}

bool ServiceNotify::status(const QString &text) { return send(statusMessage(text)); }

bool ServiceNotify::send(const QByteArray &state) {
    // 0: not started by a service manager; < 0: the socket refused it.
    return sd_notify(0, state.constData()) > 0;
}

qint64 ServiceNotify::watchdogIntervalMs() {
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) <= 0) return 0;
    // A watchdog under a millisecond still is one.
    return std::max<qint64>(1, static_cast<qint64>(usec / 1000));
}

}  // namespace tpv
