#pragma once
// The fence of the print run's writes: a write commits only while the
// writer's turn (its generation) is still the current one, checked inside
// the same transaction, so that a PC that froze and woke after another took
// the turn over can neither complete a job nor move a delivery level.
#include <QString>
#include <functional>

namespace tpv {

class Connection;

struct Fence {
    std::function<int()> tpv;
    // The generation this PC holds (0 when it holds none: nothing passes).
    std::function<qint64()> generation;
    // Told when a fenced write found the generation gone.
    std::function<void()> lost;
};

// Runs WORK as one transaction on DB whose first statement is the fence: it
// locks the terminal's turn and matches it only while the generation is
// current. When it does not, nothing of WORK runs and the error is
// err::WriteConflict, saying which PC holds the turn now.
void fencedTransaction(Connection &db, const Fence &fence, const std::function<void()> &work);

}  // namespace tpv
