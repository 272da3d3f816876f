#include "desktop/shared/window_state.h"

namespace kalidor {

bool WindowState::Edit(const std::string& label, const std::function<void()>& change, const EditOptions& options) {
    if (heldBy_ && options.mergeKey != *heldBy_) return false;
    // Taken before the change, so that undoing the step brings back the selection it began with.
    rules::ProjectState before = History.Snapshot(Project);
    change();
    if (History.Commit(std::move(before), Project, label, options.mergeKey) || options.marksUnchanged) Modified = true;
    if (edited) edited();
    return true;
}

}  // namespace kalidor
