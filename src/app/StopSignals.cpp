#include "app/StopSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tpv {

namespace {
int gPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    // Nothing to do when the pipe is full: a stop is already on its way.
    [[maybe_unused]] const ssize_t n = ::write(gPipe[1], &byte, 1);
}
}  // namespace

StopSignals::StopSignals(std::function<void()> onStop) : onStop_(std::move(onStop)) {
    if (gPipe[0] < 0 && ::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        char buf[16];
        while (::read(gPipe[0], buf, sizeof buf) > 0) {
        }
        if (onStop_) onStop_();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

StopSignals::~StopSignals() {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace tpv
