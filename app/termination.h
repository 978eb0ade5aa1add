// Ending the program on a termination request from outside (logout, kill,
// Ctrl+C in the terminal it was started from).
#pragma once

class QCoreApplication;

namespace vm {

// SIGTERM, SIGINT and SIGHUP end the event loop, so that main's way out runs
// as after Exit: the history is saved and the work files are deleted.
void QuitOnTerminationSignals(QCoreApplication& app);

}  // namespace vm
