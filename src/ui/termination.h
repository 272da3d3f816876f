#pragma once
// Ends the program's event loop on SIGTERM, SIGINT or SIGHUP (logout, `kill`, Ctrl-C in the
// terminal), so windows and workers are torn down as on a normal quit. Unsaved changes are not
// asked about: the sender is not a person at the window.

#include <QObject>

namespace kalidor {

// Installs the handlers; the returned object lives as long as the application.
void QuitOnTerminationSignals(QObject* application);

}  // namespace kalidor
