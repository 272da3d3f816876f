#pragma once
// One export of the desktop program: the render thread, its result flags and the dispatcher
// that runs its steps in the main thread. A child of the main window, so it goes with it; a
// thread still running then (the program quitting) is stopped and its last steps are run, so
// the frames are removed and nothing waits on a loop that no longer turns.

#include "model/pic_object.h"
#include "render/export_result.h"
#include "render/make_movie_thread.h"
#include "desktop/shared/qt_dispatcher.h"

#include <QObject>

#include <functional>
#include <memory>

namespace kalidor {

class MovieExport : public QObject {
    Q_OBJECT
public:
    explicit MovieExport(QObject* parent);
    ~MovieExport() override;

    // Starts the render thread on the project; `done` runs in the main thread once it has ended.
    void Start(const TThPicObjectManager& project, ExportStatus& status, std::function<void()> done,
               MakeMovieOptions options = {});
    bool Running() const;
    // Asks the thread to stop and runs the main thread's loop until it has ended.
    void StopAndWait();

    ExportFlags Flags;

private:
    QtDispatcher dispatcher_;
    std::unique_ptr<TMakeMovieThread> thread_;
    bool completed_ = false;  // the thread's last step has run
};

}  // namespace kalidor
