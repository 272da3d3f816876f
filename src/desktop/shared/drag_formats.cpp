#include "desktop/shared/drag_formats.h"

#include <QUrl>

namespace kalidor {

rules::DragSource DragSourceOf(const QMimeData* data) {
    using rules::DragSource;
    if (!data) return DragSource::Other;
    if (data->hasFormat(kPanelMime)) return DragSource::PanelControl;
    if (data->hasFormat(kActionListMime)) return DragSource::ActionList;
    if (data->hasFormat(kActionPreviewMime)) return DragSource::ActionPreview;
    if (data->hasFormat(kBrowserFilesMime)) return DragSource::BrowserFiles;
    if (data->hasUrls()) return DragSource::DesktopFiles;
    return DragSource::Other;
}

std::vector<std::string> DraggedFiles(const QMimeData* data) {
    std::vector<std::string> files;
    if (!data) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
    return files;
}

int DraggedNumber(const QMimeData* data) {
    if (!data) return -1;
    for (const char* format : {kPanelMime, kActionListMime, kActionPreviewMime}) {
        if (!data->hasFormat(format)) continue;
        bool ok = false;
        const int number = QString::fromLatin1(data->data(format)).toInt(&ok);
        return ok ? number : -1;
    }
    return -1;
}

}  // namespace kalidor
