#pragma once
// Ends the program on SIGTERM, SIGINT or SIGHUP (logout, `kill`, Ctrl-C in the terminal) in
// whatever state it is: every event loop is left, a modal question or notice included (it
// answers No), so windows and workers are torn down as on a normal quit. Unsaved changes are
// not asked about, as the sender is not a person at the window: the recovery copy keeps them.

#include <QObject>

namespace kalidor {

// Installs the handlers; the notifier they use lives as long as `application`.
void QuitOnTerminationSignals(QObject* application);

// The signal that asked the program to end, or 0. A signal that came before the main loop
// started (a start-up notice was showing) is kept here, as leaving that notice's loop does not
// stop the main loop from starting: check it before running it.
int TerminationSignal();

}  // namespace kalidor
