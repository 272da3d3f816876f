#pragma once
// The program writing into controls, as opposed to the user: the controls' change signals are
// blocked while `write` runs, so that a refresh from the project never reaches an edit handler
// and only the user's own actions count as edits.

#include <QObject>
#include <QSignalBlocker>

#include <initializer_list>
#include <vector>

namespace kalidor {

template <class Write>
void WriteQuietly(std::initializer_list<QObject*> controls, Write&& write) {
    std::vector<QSignalBlocker> quiet;
    quiet.reserve(controls.size());
    for (QObject* control : controls) quiet.emplace_back(control);
    write();
}

}  // namespace kalidor
