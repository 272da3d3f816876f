#pragma once
// Keeps a recovery copy of the open project while it has unsaved edits: a moment after an edit,
// and at once when the program is asked to end (a signal, the session's logout). The window's
// thread only takes the snapshot; the writer's thread writes it.

#include "desktop_rules/recovery_writer.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <string>

namespace kalidor {

class WindowState;

class RecoveryKeeper : public QObject {
public:
    RecoveryKeeper(WindowState& state, std::string home, QObject* parent = nullptr);

    // The project changed (an edit, an undo): the copy follows within the moment.
    void Changed();
    // The copy found at the start was restored: it is this run's now.
    void Adopted() {
        holds_ = true;
        Changed();
    }
    // The edits were saved or thrown away: this run's copy goes.
    void Discarded();
    // The user ended the program and was asked about the edits: no copy follows any more.
    void Ended();
    // The program is being ended from outside: the copy is written now, and waited for.
    void KeepNow();

    const std::string& Home() const { return writer_.Home(); }

private:
    void keep();

    WindowState& state_;
    QTimer timer_;
    std::int64_t editedAt_ = 0;
    bool ended_ = false;
    // Whether the copy in Home() is this run's: a copy left by an earlier run is not its to
    // remove before the user has answered about it.
    bool holds_ = false;
    rules::RecoveryWriter writer_;
};

}  // namespace kalidor
