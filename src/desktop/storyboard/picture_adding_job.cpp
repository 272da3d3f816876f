#include "desktop/storyboard/picture_adding_job.h"

#include "desktop_rules/storyboard_editing.h"
#include "desktop/shared/translated.h"
#include "model/th_utility.h"
#include "platform/error.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace kalidor {

PictureAddingJob::PictureAddingJob(QObject* parent) : QObject(parent) {}

PictureAddingJob::~PictureAddingJob() {
    stop_ = true;
    join();
    for (const Result& result : ready_)
        if (result.picture) std::remove(result.picture->PicturePath.c_str());
}

void PictureAddingJob::join() {
    if (worker_.joinable()) worker_.join();
}

bool PictureAddingJob::Start(std::string projectDir, std::vector<std::string> paths, bool checkFirst) {
    if (running_ || paths.empty()) return false;
    join();
    running_ = true;
    stop_ = false;
    total_ = static_cast<int>(paths.size()) * (checkFirst ? 2 : 1);
    messages_.clear();
    {
        std::lock_guard lock(mutex_);
        ready_.clear();
        done_ = 0;
        over_ = refused_ = false;
    }
    worker_ = std::thread(&PictureAddingJob::work, this, std::move(projectDir), std::move(paths), checkFirst);
    return true;
}

void PictureAddingJob::work(std::string projectDir, std::vector<std::string> paths, bool checkFirst) {
    int step = 0;
    bool refused = false;
    if (checkFirst) {
        std::optional<Message> message = checkPictures(paths);
        step = static_cast<int>(paths.size());
        if (message) {
            post(Result{nullptr, std::move(*message)}, step);
            refused = true;
        }
    }
    for (std::size_t i = 0; i < paths.size() && !refused && !stop_; ++i) {
        // The engine's own adding, into a scratch project whose only picture is then handed over:
        // the copy and the thumbnail are the slow part and stay on this thread.
        TThPicObjectManager scratch;
        scratch.ProjectDir = projectDir;
        Result result;
        if (!rules::IsSupportedPicture(paths[i])) {
            // A file from the desktop that is no picture we read is not copied at all.
            result.message = rules::UnsupportedImageMessage(
                ThUtility::ExtractFileName(paths[i]), "not a .bmp, .jpg, .jpeg or .png file name (" + paths[i] + ")");
            post(std::move(result), ++step);
            continue;
        }
        try {
            rules::AddResult added = rules::AddPictureFiles(scratch, {paths[i]}, -1);
            if (added.added == 1) result.picture = scratch.Extract(0);
            else if (!added.messages.empty()) result.message = added.messages.front();
        } catch (const std::exception& error) {
            result.message = MessageOf(error);
        }
        post(std::move(result), ++step);
    }
    std::lock_guard lock(mutex_);
    over_ = true;
    refused_ = refused;
    QMetaObject::invokeMethod(this, &PictureAddingJob::deliver, Qt::QueuedConnection);
}

std::optional<Message> PictureAddingJob::checkPictures(const std::vector<std::string>& paths) {
    // Each file is decoded in full, the slowest part of adding photos, so the files are shared
    // out over the cores. Files are taken in list order and no worker takes one after the first
    // bad file found, so every file before it has been checked when they are all done: the
    // message names the first bad file of the list, as a check in order would.
    const std::size_t count = paths.size();
    std::vector<std::optional<Message>> verdicts(count);
    std::atomic<std::size_t> next{0}, firstBad{count};
    std::atomic<int> checked{0};
    auto check = [&] {
        for (std::size_t i; (i = next++) < count && i < firstBad && !stop_;) {
            verdicts[i] = rules::CheckPicturesToAdd({paths[i]}, false);
            if (verdicts[i]) {
                std::size_t bad = firstBad;
                while (i < bad && !firstBad.compare_exchange_weak(bad, i)) {
                }
            }
            post(Result{}, ++checked);
        }
    };
    const std::size_t helpers = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), count) - 1;
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < helpers; ++i) threads.emplace_back(check);
    check();
    for (std::thread& thread : threads) thread.join();
    if (firstBad < count) return verdicts[firstBad];
    return std::nullopt;
}

void PictureAddingJob::post(Result result, int done) {
    {
        std::lock_guard lock(mutex_);
        if (result.picture || !result.message.empty()) ready_.push_back(std::move(result));
        done_ = std::max(done_, done);
    }
    QMetaObject::invokeMethod(this, &PictureAddingJob::deliver, Qt::QueuedConnection);
}

void PictureAddingJob::deliver() {
    std::deque<Result> ready;
    int done = 0;
    bool over = false, refused = false;
    {
        std::lock_guard lock(mutex_);
        ready.swap(ready_);
        done = done_;
        over = over_;
        refused = refused_;
    }
    if (!running_) return;
    std::vector<std::unique_ptr<TThPicObject>> pictures;
    for (Result& result : ready) {
        if (result.picture) pictures.push_back(std::move(result.picture));
        if (!result.message.empty()) messages_ << Translated(result.message);
    }
    if (!pictures.empty() && insert) insert(std::move(pictures));
    emit progress(done, total_);
    if (!over) return;
    join();
    running_ = false;
    emit finished(messages_, refused);
}

}  // namespace kalidor
