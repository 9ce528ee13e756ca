#pragma once
// What the program tells the service manager (systemd, Type=notify): that it
// is ready, that it is alive (the watchdog), what happened last, and that it
// is stopping. Outside a service (NOTIFY_SOCKET not set) every call does
// nothing and returns false.
#include <QByteArray>
#include <QString>

namespace tpv {

class ServiceNotify {
public:
    virtual ~ServiceNotify() = default;

    // READY=1: polling runs.
    bool ready() { return send("READY=1"); }
    // WATCHDOG=1: one more tick ran.
    bool watchdog() { return send("WATCHDOG=1"); }
    // STATUS=TEXT: the last event, as systemctl status shows it. One line.
    bool status(const QString &text);
    // STOPPING=1: the ordinary shutdown has begun.
    bool stopping() { return send("STOPPING=1"); }

    // The watchdog interval the service manager expects pings within, in
    // milliseconds; 0 when no watchdog is set for this process.
    static qint64 watchdogIntervalMs();

    // The message sent for STATUS=TEXT.
    static QByteArray statusMessage(const QString &text);

protected:
    // Sends one notification; true when it reached the service manager.
    // Tests of the callers override it to record what is said.
    virtual bool send(const QByteArray &state);
};

}  // namespace tpv
