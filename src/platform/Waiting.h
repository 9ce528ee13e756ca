#pragma once
// While the program waits on a device (a printer that does not answer, a
// scheduler that is slow), it lets the window turn its event loop now and
// then, so that the window repaints and takes clicks instead of freezing for
// seconds. The window installs the hook; headless there is none, and waiting
// is plain waiting.
//
// The hook must not start work that waits on a device itself: the poll timer
// holds the ticks and the operator's actions that fall due meanwhile (see
// PollTimer), so only painting and queued clicks happen inside it.
#include <functional>

namespace tpv::waiting {

// How long a wait lasts at most between two turns of the hook.
constexpr int kSliceMs = 50;

void setHook(std::function<void()> hook);
// Calls the hook, unless it is already running further up this thread.
void turn();

}  // namespace tpv::waiting
