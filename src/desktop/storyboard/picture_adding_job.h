#pragma once
// Adding pictures without stopping the window: a worker thread checks the files (the broken-JPEG
// pass), copies each into the project folder and makes its thumbnail; every finished picture is
// handed to the window's thread, in order, to be inserted there. One run at a time.

#include "model/pic_object.h"
#include "translation/message.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kalidor {

class PictureAddingJob : public QObject {
    Q_OBJECT
public:
    explicit PictureAddingJob(QObject* parent = nullptr);
    // Stops the worker after the file it is on and waits for it; pictures not yet inserted are
    // dropped with their copies, which nothing will ever name.
    ~PictureAddingJob() override;

    // Runs on the window's thread with the pictures made since the last call, in the order of
    // the files: a window that fell behind inserts them together and redraws once.
    std::function<void(std::vector<std::unique_ptr<TThPicObject>>)> insert;

    // Starts a run over `paths` into `projectDir`. With `checkFirst`, a .jpg/.jpeg that does not
    // decode stops the run before anything is copied and its message is the only one. False when
    // a run is going on or there is nothing to add.
    bool Start(std::string projectDir, std::vector<std::string> paths, bool checkFirst);
    bool Running() const { return running_; }

signals:
    // done of total steps (the check pass, when made, counts one step per file too).
    void progress(int done, int total);
    // The run is over and every picture made was inserted. `messages` name the files that were
    // not added; `refused` says the check pass stopped the run.
    void finished(QStringList messages, bool refused);

private:
    struct Result {
        std::unique_ptr<TThPicObject> picture;  // null for a file not added
        Message message;
    };
    void work(std::string projectDir, std::vector<std::string> paths, bool checkFirst);
    // The broken-JPEG pass: the message for the first file that fails, or nullopt.
    std::optional<Message> checkPictures(const std::vector<std::string>& paths);
    void post(Result result, int done);
    void deliver();
    void join();

    std::thread worker_;
    std::atomic<bool> stop_{false};
    bool running_ = false;
    int total_ = 0;

    std::mutex mutex_;  // guards the three below
    std::deque<Result> ready_;
    int done_ = 0;
    bool over_ = false, refused_ = false;

    QStringList messages_;
};

}  // namespace kalidor
