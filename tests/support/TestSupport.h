#pragma once
// A print server on real SQLite files in a temporary folder, with folder
// printers, scripted message boxes and a fixed clock.
#include "support/Harness.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace tpv::test {

// The error number a call fails with, or 0 when it does not fail.
long errorOf(const std::function<void()> &call);

class ServerTest : public ::testing::Test, protected demo::Harness {
protected:
    void SetUp() override;
    void TearDown() override { stop(); }

    // Builds the window on the prepared folder and runs load and activation.
    void start() { Harness::start(); }
    // One poll tick, as the timer runs it.
    void tick();
    // One tick with the log kept out of the test output.
    void quietTick() {
        testing::internal::CaptureStderr();
        tick();
        testing::internal::GetCapturedStderr();
    }

    QString readFile(const QString &path) const;
    // Every ticket printed on a folder printer, oldest first.
    QStringList tickets(const QString &printer) const;
    int scalar(const QString &sql) const;
    QString text(const QString &sql) const;
    void exec(const QString &sql) const { server->execute(sql); }
    QStringList messages() const;

    QString fecha = QStringLiteral("20261207");
};

}  // namespace tpv::test
