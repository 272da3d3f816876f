#pragma once
// What a drag carries inside the program, so that a drop target knows where it came from: the
// picture browser's files, a storyboard panel's picture, or an action from the action page.
// Files from the desktop's file manager come as plain file URLs.

#include "desktop_rules/storyboard_editing.h"

#include <QMimeData>

#include <string>
#include <vector>

namespace kalidor {

inline constexpr const char* kBrowserFilesMime = "application/x-kalidor-browser-files";  // + the file URLs
inline constexpr const char* kPanelMime = "application/x-kalidor-panel";                  // the picture index
inline constexpr const char* kActionListMime = "application/x-kalidor-action-list";      // the action number
inline constexpr const char* kActionPreviewMime = "application/x-kalidor-action-preview";  // the action number

rules::DragSource DragSourceOf(const QMimeData* data);
// The local files a drag of files carries, in order; others (remote URLs) are left out.
std::vector<std::string> DraggedFiles(const QMimeData* data);
// The number a panel or action drag carries, or -1.
int DraggedNumber(const QMimeData* data);

}  // namespace kalidor
