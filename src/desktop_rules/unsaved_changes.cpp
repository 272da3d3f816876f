#include "desktop_rules/unsaved_changes.h"

#include "model/discarded_copies.h"
#include "model/project_file.h"

#include <functional>
#include <string_view>

namespace kalidor::rules {
namespace {

// nullopt for a project no save could write (a text Shift-JIS cannot hold): it differs from
// anything saved.
std::optional<std::size_t> fingerprint(const TThPicObjectManager& project) {
    try {
        const std::vector<std::uint8_t> bytes = ProjectFileBytes(project);
        return std::hash<std::string_view>{}(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

void UnsavedChanges::Saved(const TThPicObjectManager& project) {
    saved_ = fingerprint(project);
    copies_.clear();
}

bool UnsavedChanges::Differs(const TThPicObjectManager& project) const {
    const std::optional<std::size_t> now = fingerprint(project);
    return !now || now != saved_;
}

void UnsavedChanges::CopyMade(const std::string& path) { copies_.insert(path); }

std::vector<std::string> UnsavedChanges::Discard(const std::string& projectDir) {
    std::vector<std::string> removed = RemoveDiscardedCopies(projectDir, copies_);
    copies_.clear();
    return removed;
}

}  // namespace kalidor::rules
