#pragma once
// The whole program: command line, platform choice (window or headless, CUPS
// or folder printers), start-up, the message loop and shutdown.
#include "app/window/QtMainWindow.h"

namespace tpv {
class FrmPpal;

int runProgram(int argc, char **argv);

// Qt's own messages as lines of the log, but for its notice of a missing
// runtime folder (XDG_RUNTIME_DIR), which a service or root always meets and
// nobody has to act on. For qInstallMessageHandler.
void qtMessageToLog(QtMsgType type, const QMessageLogContext &context, const QString &text);

// The window's buttons and menus, tied to the procedures they run.
MainWindowActions windowActions(FrmPpal &f, std::function<void(const std::function<void()> &)> run,
                                std::function<bool()> closeRequested);
}  // namespace tpv
