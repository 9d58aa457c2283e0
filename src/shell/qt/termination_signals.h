#pragma once

#include <QObject>

namespace velira
{

// Turns SIGTERM, SIGINT and SIGHUP (a logout, a kill, Ctrl+C in a terminal)
// into a way out of the shell that writes the memory image first. The
// signal handler only writes a byte to a pipe; the message loop does the
// rest on the user-interface thread.
void InstallTerminationSignals(QObject *parent);

} // namespace velira
