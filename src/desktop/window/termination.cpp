#include "desktop/window/termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace kalidor {
namespace {

int signalPipe[2] = {-1, -1};
std::atomic<int> received{0};

// Async-signal-safe: only write() the signal's number; the event loop does the rest.
void onSignal(int signal) {
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

void QuitOnTerminationSignals(QObject* application) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, application);
    QObject::connect(notifier, &QSocketNotifier::activated, application, [] {
        char byte = 0;
        if (::read(signalPipe[0], &byte, 1) == 1) received = byte;
        // exit(), not quit(): quit() first asks the windows to close, and the main window would
        // ask about unsaved changes. exit() leaves every running loop, modal dialogs' too. A quit
        // asked for is a clean end: status 0.
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

int TerminationSignal() { return received; }

}  // namespace kalidor
