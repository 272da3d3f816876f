#include "desktop/pages/movie_page_export.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace kalidor {

MovieExport::MovieExport(QObject* parent) : QObject(parent), dispatcher_(this) {
    // Quitting with an export under way: its encoder is stopped and its frames removed while the
    // windows its steps draw into still exist.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &MovieExport::StopAndWait);
}

MovieExport::~MovieExport() { StopAndWait(); }

void MovieExport::Start(const TThPicObjectManager& project, ExportStatus& status, std::function<void()> done,
                        MakeMovieOptions options) {
    StopAndWait();  // the previous thread has ended; join it
    Flags = {};
    thread_ = std::make_unique<TMakeMovieThread>(project, status, Flags, dispatcher_, nullptr, std::move(options));
    completed_ = false;
    thread_->OnCompleted = [this, done = std::move(done)] {
        completed_ = true;
        if (done) done();
    };
    thread_->Start();
}

bool MovieExport::Running() const { return thread_ && !thread_->Finished(); }

void MovieExport::StopAndWait() {
    if (!thread_) return;
    if (!thread_->Finished()) thread_->RequestStop();
    // Its steps, OnCompleted included, need this thread's loop; waiting for the thread before
    // its last step has run would wait for itself. After that step the thread only ends.
    while (!completed_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    thread_->Wait();
    thread_.reset();
}

}  // namespace kalidor
