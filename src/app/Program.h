#pragma once
// The whole program: command line, platform choice (window or headless, CUPS
// or folder printers), start-up, the message loop and shutdown.

namespace tpv {
int runProgram(int argc, char **argv);
}  // namespace tpv
