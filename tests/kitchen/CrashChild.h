#pragma once
// The test executable doubles as a print server process that the crash
// tests kill: started with TPV_CRASH_CHILD set, main() runs this instead of
// the tests. It polls a prepared folder until no job is pending and kills
// itself with SIGKILL at the moment it is told:
//   TPV_CRASH_DATA, TPV_CRASH_PRINTERS  the data and folder-printer folders;
//   TPV_CRASH_CUPS=1                    the CUPS queues join the printers;
//   TPV_CRASH_AFTER_TICKET=N            right after the Nth ticket reached
//                                       its printer (before the journal notes it);
//   TPV_CRASH_BEFORE_TICKET=N           right before the Nth ticket goes out;
//   TPV_CRASH_AT_STATEMENT=N            at the Nth database statement (the
//                                       server's, the work file's, the journal's).
namespace tpv::test {
int crashChildMain();
}
