#pragma once
// Opens a folder in the desktop's file browser with the freedesktop launcher (xdg-open), without
// waiting for it: the window goes on while the launcher finds and starts the file manager, which
// may take a while or outlive the launcher's run.

#include <QString>

#include <functional>

class QObject;

namespace kalidor {

// `failed` runs later, on this thread, with the reason when the launcher could not be started
// or ended with an error (its exit status, as "xdg-open: no method available" ends with 3). The
// run belongs to `owner`: a launcher still running when the owner goes is stopped, and the file
// manager it started stays.
void OpenFolderInFileBrowser(QObject* owner, const QString& folder, std::function<void(const QString& reason)> failed);

}  // namespace kalidor
