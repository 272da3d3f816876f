#include "desktop/pages/project_list_model.h"

#include "model/project_list.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>

#include <sys/stat.h>

namespace kalidor {
namespace {

// Changes to either file make the cached tile stale.
std::string stampOf(const std::string& entry) {
    std::string stamp;
    for (const std::string& file : {entry, ProjectFolderOf(entry) + "project.dat"}) {
        struct stat info {};
        if (stat(file.c_str(), &info) == 0)
            stamp += std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + ":" +
                     std::to_string(info.st_size) + ";";
        else
            stamp += "-;";
    }
    return stamp;
}

QImage toImage(const Bitmap& bitmap) {
    if (bitmap.empty()) return {};
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* source = bitmap.row(y);
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x, source += 3) target[x] = qRgb(source[2], source[1], source[0]);
    }
    return image;
}

}  // namespace

ProjectListModel::ProjectListModel(QObject* parent) : QAbstractListModel(parent) {}

ProjectListModel::~ProjectListModel() { stopWorker(); }

void ProjectListModel::stopWorker() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
    stop_ = false;
}

void ProjectListModel::SetScale(int scale) {
    if (scale == scale_) return;
    stopWorker();
    scale_ = scale;
    cache_.clear();
}

void ProjectListModel::Refill(const std::string& projectRoot) {
    stopWorker();
    ++generation_;
    beginResetModel();
    rows_.clear();
    std::vector<std::pair<int, std::string>> toLoad;
    for (const std::string& entry : ListProjectEntries(projectRoot)) {
        Row row;
        row.entry = entry;
        row.name = QString::fromStdString(ProjectNameOf(entry));
        row.stamp = stampOf(entry);
        if (auto hit = cache_.find(entry); hit != cache_.end() && hit->second.stamp == row.stamp) {
            row.thumbnail = hit->second.thumbnail;
            row.problem = hit->second.problem;
            row.loaded = true;
        } else {
            toLoad.emplace_back(static_cast<int>(rows_.size()), entry);
        }
        rows_.push_back(std::move(row));
    }
    endResetModel();
    // Forget projects that are gone, so the cache holds no more than the list.
    std::erase_if(cache_, [this](const auto& item) {
        return std::none_of(rows_.begin(), rows_.end(), [&item](const Row& row) { return row.entry == item.first; });
    });
    pending_ = static_cast<int>(toLoad.size());
    const int total = static_cast<int>(rows_.size());
    emit progress(total - pending_, total);
    if (toLoad.empty()) {
        emit finished();
        return;
    }
    const unsigned generation = generation_;
    worker_ = std::thread([this, generation, scale = scale_, toLoad = std::move(toLoad)] {
        // Results go to the model's thread in batches: one queued call per batch keeps the
        // view's relayouts few while the first thumbnails still show at once.
        std::vector<Loaded> batch;
        auto flushedAt = std::chrono::steady_clock::now();
        const auto flush = [&] {
            QMetaObject::invokeMethod(
                this, [this, generation, batch = std::move(batch)]() mutable { deliver(generation, std::move(batch)); },
                Qt::QueuedConnection);
            batch = {};
            flushedAt = std::chrono::steady_clock::now();
        };
        for (const auto& [row, entry] : toLoad) {
            if (stop_) return;
            Loaded loaded{row, stampOf(entry), {}, {}};
            ProjectTile tile = LoadProjectTile(entry, scale);
            if (tile.sharpThumbnail.empty()) {
                loaded.thumbnail = toImage(tile.thumbnail);
            } else {
                loaded.thumbnail = toImage(tile.sharpThumbnail);
                loaded.thumbnail.setDevicePixelRatio(scale);
            }
            loaded.problem = QString::fromStdString(tile.problem);
            batch.push_back(std::move(loaded));
            if (batch.size() >= 64 || std::chrono::steady_clock::now() - flushedAt > std::chrono::milliseconds(40)) flush();
        }
        if (!batch.empty()) flush();
    });
}

void ProjectListModel::deliver(unsigned generation, std::vector<Loaded> batch) {
    if (generation != generation_) return;
    int first = static_cast<int>(rows_.size()), last = -1;
    for (Loaded& loaded : batch) {
        if (loaded.row >= static_cast<int>(rows_.size())) continue;
        Row& target = rows_[static_cast<std::size_t>(loaded.row)];
        target.thumbnail = loaded.thumbnail;
        target.problem = loaded.problem;
        target.loaded = true;
        cache_[target.entry] = Cached{std::move(loaded.stamp), std::move(loaded.thumbnail), std::move(loaded.problem)};
        first = std::min(first, loaded.row);
        last = std::max(last, loaded.row);
        --pending_;
    }
    if (last >= 0) emit dataChanged(index(first), index(last));
    const int total = static_cast<int>(rows_.size());
    emit progress(total - pending_, total);
    if (pending_ == 0) emit finished();
}

int ProjectListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ProjectListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole: return row.name;
    case ThumbnailRole: return row.thumbnail;
    case ProblemRole: return row.problem;
    case LoadedRole: return row.loaded;
    default: return {};
    }
}

}  // namespace kalidor
