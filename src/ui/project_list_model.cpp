#include "ui/project_list_model.h"

#include "model/project_list.h"

#include <QMetaObject>

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
    pending_ = static_cast<int>(toLoad.size());
    const int total = static_cast<int>(rows_.size());
    emit progress(total - pending_, total);
    if (toLoad.empty()) {
        emit finished();
        return;
    }
    const unsigned generation = generation_;
    worker_ = std::thread([this, generation, toLoad = std::move(toLoad)] {
        for (const auto& [row, entry] : toLoad) {
            if (stop_) return;
            const std::string stamp = stampOf(entry);
            ProjectTile tile = LoadProjectTile(entry);
            QImage image = toImage(tile.thumbnail);
            QString problem = QString::fromStdString(tile.problem);
            // Queued to the model's thread; stale generations are dropped there.
            QMetaObject::invokeMethod(
                this,
                [this, generation, row, stamp, image = std::move(image), problem = std::move(problem)]() mutable {
                    deliver(generation, row, stamp, std::move(image), std::move(problem));
                },
                Qt::QueuedConnection);
        }
    });
}

void ProjectListModel::deliver(unsigned generation, int row, const std::string& stamp, QImage thumbnail, QString problem) {
    if (generation != generation_ || row >= static_cast<int>(rows_.size())) return;
    Row& target = rows_[static_cast<std::size_t>(row)];
    target.thumbnail = thumbnail;
    target.problem = problem;
    target.loaded = true;
    cache_[target.entry] = Cached{stamp, std::move(thumbnail), std::move(problem)};
    const QModelIndex at = index(row);
    emit dataChanged(at, at);
    --pending_;
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
