#pragma once
// The rows of the project list: one per project folder, each with its name and, once loaded,
// its thumbnail or the reason it cannot be shown. Thumbnails are read on a worker thread and
// kept in a cache keyed by the files' change times, so a refill shows known projects at once
// and rereads only what changed.

#include <QAbstractListModel>
#include <QImage>
#include <QString>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace kalidor {

class ProjectListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { ThumbnailRole = Qt::UserRole + 1, ProblemRole, LoadedRole };

    explicit ProjectListModel(QObject* parent = nullptr);
    ~ProjectListModel() override;

    // Lists the folders of the project root again and starts loading the thumbnails that the
    // cache does not hold. Returns at once.
    void Refill(const std::string& projectRoot);
    // The screen's scale the thumbnails are for: above 1, the first picture is fitted again at
    // that many times the size where it shows what thum.bmp shows. A change forgets what was
    // made for the old one; the next Refill makes it again.
    void SetScale(int scale);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const std::string& Entry(int row) const { return rows_.at(static_cast<std::size_t>(row)).entry; }
    QString Problem(int row) const { return rows_.at(static_cast<std::size_t>(row)).problem; }
    bool Loading() const { return pending_ > 0; }

signals:
    // loaded of total thumbnails are in; `finished` follows the last one.
    void progress(int loaded, int total);
    void finished();

private:
    struct Row {
        std::string entry;
        QString name;
        QImage thumbnail;
        QString problem;
        bool loaded = false;
        std::string stamp;
    };
    struct Cached {
        std::string stamp;
        QImage thumbnail;
        QString problem;
    };
    void stopWorker();
    struct Loaded {
        int row;
        std::string stamp;
        QImage thumbnail;
        QString problem;
    };
    void deliver(unsigned generation, std::vector<Loaded> batch);

    std::vector<Row> rows_;
    std::map<std::string, Cached> cache_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    unsigned generation_ = 0;
    int scale_ = 1;
    int pending_ = 0;
};

}  // namespace kalidor
