#include "devices/cups/CupsWaitingJobs.h"

#include <cups/cups.h>
#include <ctime>

namespace tpv {

namespace {

// Short limits: the local scheduler answers in milliseconds, and the tick
// waits for this answer.
constexpr int kConnectMs = 1000;
constexpr double kAnswerSeconds = 1.0;

}  // namespace

CupsWaitingJobs::~CupsWaitingJobs() { closeConnection(); }

void CupsWaitingJobs::closeConnection() {
    if (http_) httpClose(http_);
    http_ = nullptr;
}

http_t *CupsWaitingJobs::connection(bool *made) {
    const QByteArray server = cupsServer();
    const int port = ippPort();
    if (http_ && (server != server_ || port != port_)) closeConnection();
    *made = !http_;
    if (!http_) {
        server_ = server;
        port_ = port;
        http_ = httpConnect2(server.constData(), port, nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectMs, nullptr);
        if (http_) httpSetTimeout(http_, kAnswerSeconds, nullptr, nullptr);
    }
    return http_;
}

bool CupsWaitingJobs::ask() {
    counts_.clear();
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool made = false;
        http_t *http = connection(&made);
        if (!http) return false;
        cups_job_t *jobs = nullptr;
        // Every queue at once, only this user's jobs: the server's own
        // tickets, not the office's.
        const int n = cupsGetJobs2(http, &jobs, nullptr, 1, CUPS_WHICHJOBS_ACTIVE);
        if (n >= 0) {
            const time_t now = std::time(nullptr);
            for (int i = 0; i < n; ++i) {
                const cups_job_t &j = jobs[i];
                const bool stuck = j.state == IPP_JSTATE_HELD || j.state == IPP_JSTATE_STOPPED ||
                                   now - j.creation_time >= kPrintingGrace.count();
                if (stuck && j.dest) counts_[QString::fromUtf8(j.dest)] += 1;
            }
            cupsFreeJobs(n, jobs);
            return true;
        }
        // The scheduler may have closed a connection kept from an earlier
        // tick: once more on a new one, unless this one was new already or
        // the failure was not the connection's.
        const bool transport = httpError(http) != 0 || cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        closeConnection();
        if (made || !transport) return false;
    }
    return false;
}

std::optional<bool> CupsWaitingJobs::hasJobTitled(const QString &queue, const QString &title) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool made = false;
        http_t *http = connection(&made);
        if (!http) return std::nullopt;
        cups_job_t *jobs = nullptr;
        const QByteArray name = queue.toUtf8();
        const int n = cupsGetJobs2(http, &jobs, name.constData(), 1, CUPS_WHICHJOBS_ALL);
        if (n >= 0) {
            bool found = false;
            for (int i = 0; i < n && !found; ++i) found = jobs[i].title && QString::fromUtf8(jobs[i].title) == title;
            cupsFreeJobs(n, jobs);
            return found;
        }
        const bool transport = httpError(http) != 0 || cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        closeConnection();
        if (made || !transport) return std::nullopt;
    }
    return std::nullopt;
}

int CupsWaitingJobs::waiting(const QString &queue) {
    if (!fresh_) {
        fresh_ = true;
        const auto now = std::chrono::steady_clock::now();
        if (now < quietUntil_) {
            answered_ = false;
        } else {
            answered_ = ask();
            if (!answered_) quietUntil_ = now + kQuietAfterFailure;
        }
    }
    return answered_ ? counts_.value(queue) : -1;
}

}  // namespace tpv
