#pragma once
// How many of this user's jobs each CUPS queue keeps waiting, for the list of
// printers the operator sees at every tick. The scheduler is asked at most
// once per tick, for every queue in one request, on a connection of its own
// with short limits; after a failed request it is left alone for a while, so
// a scheduler that hangs costs one short wait now and then, never one wait
// per printer per tick.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <chrono>
#include <optional>

typedef struct _http_s http_t;

namespace tpv {

class CupsWaitingJobs {
public:
    CupsWaitingJobs() = default;
    ~CupsWaitingJobs();
    CupsWaitingJobs(const CupsWaitingJobs &) = delete;
    CupsWaitingJobs &operator=(const CupsWaitingJobs &) = delete;

    // Jobs of this user that `queue` keeps: held or stopped ones, and ones
    // still pending or printing a while after they were sent (a printer that
    // is off or unreachable). A ticket that is just printing is not counted.
    // -1 when the scheduler did not answer.
    int waiting(const QString &queue);
    // Whether `queue` keeps, or kept (the scheduler's history of finished
    // jobs), a job of this user with that title; nullopt when the
    // scheduler did not answer. Asked on its own, not once per tick: only a
    // ticket left unconfirmed by a process that died needs it.
    std::optional<bool> hasJobTitled(const QString &queue, const QString &title);
    // A new tick: the next waiting() asks the scheduler again (unless it is
    // being left alone after a failure).
    void newTick() { fresh_ = false; }

    // How long a pending job may take before it counts as waiting.
    static constexpr std::chrono::seconds kPrintingGrace{30};
    // How long the scheduler is left alone after a request that failed.
    static constexpr std::chrono::seconds kQuietAfterFailure{60};

private:
    bool ask();
    http_t *connection(bool *made);
    void closeConnection();

    http_t *http_ = nullptr;
    QByteArray server_;
    int port_ = 0;
    bool fresh_ = false;  // counts_ are this tick's
    bool answered_ = false;
    QHash<QString, int> counts_;
    std::chrono::steady_clock::time_point quietUntil_{};
};

}  // namespace tpv
