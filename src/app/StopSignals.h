#pragma once
// SIGTERM and SIGINT as an event of the message loop: the handler writes one
// byte into a pipe whose read end the loop watches, so the process sleeps
// until a signal or a timer wakes it.
#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace tpv {

class StopSignals {
public:
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals();

private:
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onStop_;
};

}  // namespace tpv
