#pragma once
// A second start brings the running window to the front: the running program listens on a local
// socket beside its instance lock; a second start that finds the lock held sends "raise" there
// and ends.

#include <QWidget>

#include <string>

namespace kalidor {

// The running program: listens for second starts beside `lockPath` and raises `window` for each.
// The listener lives as long as the window.
void ListenForSecondStarts(QWidget* window, const std::string& lockPath);

// The second start: true when the running program answered that its window came to the front
// within `timeoutMs`.
bool BringRunningToFront(const std::string& lockPath, int timeoutMs = 3000);

}  // namespace kalidor
