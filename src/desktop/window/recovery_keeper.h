#pragma once
// Keeps a recovery copy of the open project while it differs from what is saved: a moment after
// an edit, and at once when the program is asked to end (a signal, the session's logout). The
// window's thread only takes the snapshot; the writer's thread writes it, and the window hears
// when the copy cannot be written (and again when it can).

#include "desktop_rules/recovery_writer.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
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
    // Whether the picture copies of the unsaved edits may leave the project's folder when the
    // program ends: the user let the edits go, or a copy holds them.
    bool MayDropPictureCopies();

    // Told, on the window's thread, why the copy cannot be written; an empty text once it can
    // again, or once there is nothing unsaved to keep.
    std::function<void(const QString& problem)> unprotected;

    const std::string& Home() const { return writer_.Home(); }

private:
    void keep();
    void written(const std::string& error);

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
