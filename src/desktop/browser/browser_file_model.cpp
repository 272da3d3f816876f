#include "desktop/browser/browser_file_model.h"

#include "desktop/shared/drag_formats.h"

#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace kalidor::browser {

void BrowserFileModel::Reset(std::vector<std::string> paths) {
    beginResetModel();
    files_ = std::move(paths);
    thumbnails_.assign(files_.size(), QImage());
    endResetModel();
}

void BrowserFileModel::SetThumbnail(int row, const QImage& thumbnail) {
    if (row < 0 || row >= rowCount()) return;
    thumbnails_[static_cast<std::size_t>(row)] = thumbnail;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {ThumbnailRole});
}

int BrowserFileModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(files_.size());
}

QVariant BrowserFileModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const std::string& path = files_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return QString::fromStdString(path.substr(path.rfind('/') + 1));
    case PathRole: return QString::fromStdString(path);
    case ThumbnailRole: return thumbnails_[static_cast<std::size_t>(index.row())];
    default: return {};
    }
}

Qt::ItemFlags BrowserFileModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList BrowserFileModel::mimeTypes() const {
    return {QString::fromLatin1(kBrowserFilesMime), QStringLiteral("text/uri-list")};
}

QMimeData* BrowserFileModel::mimeData(const QModelIndexList& indexes) const {
    // The view hands the items in the order they were selected; a drop adds them in list order.
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && index.row() < rowCount()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QList<QUrl> urls;
    QByteArray paths;
    for (const int row : rows) {
        const QString path = QString::fromStdString(files_[static_cast<std::size_t>(row)]);
        urls.append(QUrl::fromLocalFile(path));
        paths += path.toUtf8() + '\n';
    }
    auto* data = new QMimeData;
    data->setUrls(urls);
    data->setData(QString::fromLatin1(kBrowserFilesMime), paths);
    return data;
}

Qt::DropActions BrowserFileModel::supportedDragActions() const { return Qt::CopyAction; }

}  // namespace kalidor::browser
