#pragma once
// The whole program: command line, platform choice (window or headless, CUPS
// or folder printers), start-up, the message loop and shutdown.

#include <QtGlobal>

class QMessageLogContext;
class QString;

namespace tpv {

int runProgram(int argc, char **argv);

// Qt's own messages as lines of the log, but for its notice of a missing
// runtime folder (XDG_RUNTIME_DIR), which a service or root always meets and
// nobody has to act on. For qInstallMessageHandler.
void qtMessageToLog(QtMsgType type, const QMessageLogContext &context, const QString &text);

}  // namespace tpv
