#include "model/discarded_copies.h"

#include "model/pic_object.h"

#include <filesystem>

namespace kalidor {

std::vector<std::string> RemoveDiscardedCopies(const std::string& projectDir, const std::set<std::string>& copies) {
    std::vector<std::string> removed;
    if (projectDir.empty() || copies.empty())
        return removed;
    TThPicObjectManager saved;
    try {
        saved.LoadProject(projectDir + "project.dat");
    } catch (const std::exception&) {
        return removed;
    }
    std::set<std::string> used;
    for (int i = 0; i < saved.Count(); ++i)
        used.insert(saved.Items(i).PicturePath);
    namespace fs = std::filesystem;
    for (const std::string& copy : copies) {
        if (used.count(copy) || copy.compare(0, projectDir.size(), projectDir) != 0 ||
            copy.find('/', projectDir.size()) != std::string::npos)
            continue;  // not directly inside the folder: not a copy of this project's
        std::error_code ec;
        // symlink_status: a link put in the copy's place is not the program's file.
        if (fs::is_regular_file(fs::symlink_status(copy, ec)) && fs::remove(copy, ec))
            removed.push_back(copy);
    }
    return removed;
}

}  // namespace kalidor
