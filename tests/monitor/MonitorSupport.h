#pragma once
// A print server on the tests' folder with its monitoring on, built as the
// program builds it; the alerts of the log are kept apart to be read.
#include "app/Monitoring.h"
#include "monitor/Pages.h"
#include "kitchen/PrintingSupport.h"

#include <QProcess>

namespace tpv::test {

class Watched : public Printing {
protected:
    void TearDown() override {
        monitoring.reset();
        Printing::TearDown();
    }
    // Starts the server and watches it.
    void startWatched() {
        start();
        watch();
    }
    void watch() {
        monitoring = std::make_unique<Monitoring>(
            *printServer, QStringLiteral("9.8.7"), [this](LogPriority p, const QString &text) {
                alerts << QStringLiteral("<%1>%2").arg(static_cast<int>(p)).arg(text);
            });
    }
    std::shared_ptr<const Snapshot> snapshot() const { return monitoring->board().current(); }
    Health health() const { return evaluateHealth(*snapshot(), clock.steadyMs()); }
    const PrinterView *printer(const QString &name) const {
        for (const PrinterView &p : snapshot()->printers)
            if (p.name == name) return &p;
        return nullptr;
    }

    std::unique_ptr<Monitoring> monitoring;
    QStringList alerts;
};

// What promtool says, given INPUT, and its exit status; a missing promtool
// fails the test (it comes with the prometheus package).
inline std::pair<int, QString> promtool(const QStringList &args, const QByteArray &input = {}) {
    QProcess p;
    p.start(QStringLiteral("promtool"), args);
    if (!p.waitForStarted(10000)) return {-1, QStringLiteral("promtool no arranca (paquete prometheus)")};
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

}  // namespace tpv::test
