#pragma once
// The items of the picture browser's file list: one per listed file, holding only its full path
// and, once made, its thumbnail. A drag of items carries the browser's own format plus the files'
// URLs, in list order.

#include <QAbstractListModel>
#include <QImage>

#include <string>
#include <vector>

namespace kalidor::browser {

class BrowserFileModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { PathRole = Qt::UserRole + 1, ThumbnailRole };

    using QAbstractListModel::QAbstractListModel;

    // A new folder's files; no item has a thumbnail yet.
    void Reset(std::vector<std::string> paths);
    // Item `row`'s thumbnail arrived; a null image means the file has none.
    void SetThumbnail(int row, const QImage& thumbnail);

    // The full path of every item; entry i belongs to row i.
    const std::vector<std::string>& Files() const { return files_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    std::vector<std::string> files_;
    std::vector<QImage> thumbnails_;
};

}  // namespace kalidor::browser
