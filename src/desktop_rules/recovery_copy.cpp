#include "desktop_rules/recovery_copy.h"

#include "model/project_file.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/user_folders.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <set>
#include <sys/stat.h>

namespace kalidor::rules {
namespace {

constexpr const char* kCopy = "copy.dat";
constexpr const char* kOlder = "older.dat";
constexpr const char* kRemoved = "removed.dat";
constexpr const char* kPictures = "pictures";
constexpr const char* kDeferredPrefix = "deferred-";
constexpr mode_t kPrivate = 0700;

std::string fileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
bool isRegular(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
std::optional<FileIdentity> identityAt(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return IdentityOf(info);
}

// The copies the edited project uses: only those need keeping, the others are unused copies.
std::set<std::string> usedCopies(const std::vector<std::string>& copies, const TThPicObjectManager& project) {
    std::set<std::string> used;
    for (int i = 0; i < project.Count(); ++i) used.insert(project.Items(i).PicturePath);
    std::set<std::string> result;
    for (const std::string& copy : copies)
        if (used.count(copy)) result.insert(copy);
    return result;
}

// Every file of pictures/ that the copy's files name: the live copy's first. nullopt when one
// of them cannot be read, so that what it names is not known.
std::optional<std::vector<StoredPicture>> describedPictures(const OwnedFolder& folder) {
    std::vector<StoredPicture> described;
    for (const char* name : {kCopy, kOlder, kRemoved}) {
        if (!folder.StatOf(name)) continue;
        try {
            for (StoredPicture& picture : DecodeRecoveryCopy(folder.Read(name), folder.Path() + name).stored)
                if (std::ranges::none_of(described, [&](const auto& p) { return p.name == picture.name; }))
                    described.push_back(std::move(picture));
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    return described;
}

// A placing cut short leaves the picture's temporary file (its name + ".tmp-" and six letters).
bool isTemporaryOf(const std::string& file, const std::string& name) {
    return file.size() == name.size() + 11 && file.compare(0, name.size() + 5, name + ".tmp-") == 0;
}
void removeWithTemporaries(const OwnedFolder& pictures, const std::string& name) {
    pictures.RemoveFile(name);
    for (const std::string& file : pictures.FileNames())
        if (isTemporaryOf(file, name)) pictures.RemoveFile(file);
}

// Whether pictures/ still holds what the copy put there for the picture.
bool stillKept(const OwnedFolder* pictures, const StoredPicture& picture) {
    if (!picture.kept || !pictures) return false;
    const auto info = pictures->StatOf(picture.name);
    return info && S_ISREG(info->st_mode) && IdentityOf(*info) == picture.stored;
}
const StoredPicture* keptFor(const std::vector<StoredPicture>& stored, const std::string& copy) {
    const auto it = std::ranges::find_if(stored, [&](const StoredPicture& p) { return p.kept && p.copy == copy; });
    return it == stored.end() ? nullptr : &*it;
}

// Moves a copy's folder to prefix + the time, or another free name beside it.
std::string moveAside(const OwnedFolder& home, const std::string& folder, const std::string& prefix) {
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    for (int n = 1; n <= 100; ++n) {
        const std::string name = prefix + stamp + (n == 1 ? std::string() : "-" + std::to_string(n));
        const int error = home.Rename(folder, name, false);
        if (error == 0) return name;
        if (error != EEXIST && error != ENOTEMPTY) break;
    }
    return {};
}

std::optional<OwnedFolder> copyFolder(const std::string& home, const std::string& folder) {
    const auto homeFolder = OwnedFolder::OwnIfPresent(home);
    return homeFolder ? homeFolder->FolderIfPresent(folder) : std::nullopt;
}

// Writes `copy` into the live folder. `replaced` tells whether copy.dat is this copy's already.
void writeLive(const OwnedFolder& live, RecoveryCopyFile& copy, const std::set<std::string>& used, bool& replaced) {
    const OwnedFolder pictures = live.Folder(kPictures, kPrivate);
    const std::vector<StoredPicture> before = describedPictures(live).value_or(std::vector<StoredPicture>{});
    const auto described = [&](const std::string& name) {
        return std::ranges::any_of(before, [&](const StoredPicture& p) { return p.name == name; });
    };
    std::set<std::string> names;
    std::vector<std::size_t> placing;
    for (const std::string& source : used) {
        // Kept again only when it is the same file as the project's copy, or that copy is gone.
        const StoredPicture* was = keptFor(before, source);
        const auto sourceNow = identityAt(source);
        if (was && stillKept(&pictures, *was) &&
            (!sourceNow || *sourceNow == was->source || sourceNow->SameFile(was->stored))) {
            copy.stored.push_back(*was);
            names.insert(was->name);
            continue;
        }
        // A name the copy did not write is not its to replace: another is taken.
        std::string name = fileName(source);
        for (int n = 2; names.count(name) || (pictures.StatOf(name) && !described(name)); ++n)
            name = std::to_string(n) + "-" + fileName(source);
        names.insert(name);
        placing.push_back(copy.stored.size());
        copy.stored.push_back({name, source, false, {}, {}});
    }
    // What the copy wrote before and keeps no more stays named until it is gone.
    const std::vector<std::string> present = pictures.FileNames();
    for (const StoredPicture& old : before)
        if (!names.count(old.name) && std::ranges::any_of(present, [&](const std::string& file) {
                return file == old.name || isTemporaryOf(file, old.name);
            }))
            copy.stored.push_back({old.name, old.copy, false, {}, {}});

    // copy.dat names the new pictures before they are made.
    if (!placing.empty()) {
        live.Write(kCopy, EncodeRecoveryCopy(copy));
        replaced = true;
    }
    for (const std::size_t index : placing) {
        StoredPicture& picture = copy.stored[index];
        picture.stored = pictures.Place(picture.copy, picture.name);
        picture.source = identityAt(picture.copy).value_or(FileIdentity{});
        picture.kept = true;
    }
    live.Write(kCopy, EncodeRecoveryCopy(copy));
    replaced = true;
    live.RemoveFile(kOlder);
    live.RemoveFile(kRemoved);
    for (const StoredPicture& picture : copy.stored) {
        if (!picture.kept) pictures.RemoveFile(picture.name);
        for (const std::string& file : present)
            if (isTemporaryOf(file, picture.name)) pictures.RemoveFile(file);
    }
}

}  // namespace

std::string RecoveryHome() {
    if (const char* home = std::getenv("KALIDOR_HOME"); home && *home) {
        std::string base = home;
        if (base.back() != '/') base += '/';
        return base + "state/kalidor/";
    }
    // Never the shared temporary folder: without a home this raises, as the workspace does.
    return XdgBaseFolder("XDG_STATE_HOME", ".local/state") + "kalidor/";
}

void WriteRecoveryCopy(const std::string& home, const RecoverySnapshot& snapshot) {
    TThPicObjectManager project;
    project.ProjectDir = snapshot.projectDir;
    RestoreState(project, snapshot.state);
    RecoveryCopyFile copy{snapshot.projectDir, snapshot.editedAt, snapshot.saved, snapshot.copies, {},
                          ProjectFileBytes(project)};
    const OwnedFolder live = OwnedFolder::Own(home, kPrivate).Folder(kLiveRecovery, kPrivate);
    bool replaced = false;
    try {
        writeLive(live, copy, usedCopies(snapshot.copies, project), replaced);
    } catch (const std::exception&) {
        // The copy there holds older edits than these: offered, it says so.
        if (!replaced && live.HasFile(kCopy)) live.Rename(kCopy, kOlder);
        throw;
    }
}

bool RemoveRecoveryCopy(const std::string& home, const std::string& folder) {
    try {
        const auto homeFolder = OwnedFolder::OwnIfPresent(home);
        const auto copy = homeFolder ? homeFolder->FolderIfPresent(folder) : std::nullopt;
        if (!copy) return true;
        // An older.dat beside copy.dat is one a later write replaced: copy.dat names its files.
        if (copy->HasFile(kCopy)) copy->RemoveFile(kOlder);
        // From here on there is no copy to offer, whatever else is cut short.
        for (const char* name : {kCopy, kOlder})
            if (copy->HasFile(name) && copy->Rename(name, kRemoved) != 0) return false;
        const auto described = describedPictures(*copy);
        if (!described) return false;
        if (const auto pictures = copy->FolderIfPresent(kPictures)) {
            for (const StoredPicture& picture : *described) removeWithTemporaries(*pictures, picture.name);
            copy->RemoveEmptyFolder(kPictures);
        }
        copy->RemoveFile(kRemoved);
        homeFolder->RemoveEmptyFolder(folder);
        return !homeFolder->StatOf(folder);
    } catch (const std::exception&) {
        return false;
    }
}

std::string SetRecoveryCopyAside(const std::string& home, const std::string& folder) {
    try {
        const auto homeFolder = OwnedFolder::OwnIfPresent(home);
        if (!homeFolder) return {};
        const std::string aside = moveAside(*homeFolder, folder, "recovery-");
        return aside.empty() ? aside : homeFolder->Path() + aside + "/";
    } catch (const std::exception&) {
        return {};
    }
}

std::string DeferRecoveryCopy(const std::string& home, const std::string& folder) {
    if (folder.rfind(kDeferredPrefix, 0) == 0) return folder;
    try {
        const auto homeFolder = OwnedFolder::OwnIfPresent(home);
        return homeFolder ? moveAside(*homeFolder, folder, kDeferredPrefix) : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

bool AdoptRecoveryCopy(const std::string& home, const std::string& folder) {
    if (folder == kLiveRecovery) return true;
    try {
        const auto homeFolder = OwnedFolder::OwnIfPresent(home);
        return homeFolder && homeFolder->Rename(folder, kLiveRecovery, false) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

std::vector<std::string> RecoveryCopiesIn(const std::string& home) {
    std::vector<std::string> found;
    std::optional<OwnedFolder> homeFolder;
    try {
        homeFolder = OwnedFolder::OwnIfPresent(home);
    } catch (const std::exception&) {
        return found;  // a link in the home's place is not followed
    }
    if (!homeFolder) return found;
    const auto holdsCopy = [&](const std::string& name) {
        try {
            const auto folder = homeFolder->FolderIfPresent(name);
            if (folder && !folder->StatOf(kCopy) && !folder->StatOf(kOlder) && folder->StatOf(kRemoved))
                RemoveRecoveryCopy(home, name);  // a removal cut short is finished
            return folder && (folder->StatOf(kCopy) || folder->StatOf(kOlder));
        } catch (const std::exception&) {
            return false;
        }
    };
    if (holdsCopy(kLiveRecovery)) found.push_back(kLiveRecovery);
    std::vector<std::string> deferred;
    for (const std::string& name : homeFolder->FolderNames())
        if (name.rfind(kDeferredPrefix, 0) == 0 && holdsCopy(name)) deferred.push_back(name);
    std::ranges::sort(deferred);
    found.insert(found.end(), deferred.begin(), deferred.end());
    return found;
}

FoundRecovery FindRecoveryCopy(const std::string& home, const std::string& folder) {
    FoundRecovery found;
    found.folder = folder;
    std::optional<OwnedFolder> copy;
    try {
        copy = copyFolder(home, folder);
    } catch (const std::exception&) {
        return found;  // a link in its place is nothing of the program's
    }
    const char* name = !copy ? nullptr : copy->StatOf(kCopy) ? kCopy : copy->StatOf(kOlder) ? kOlder : nullptr;
    if (!name) return found;
    found.older = name == std::string(kOlder);
    const std::string path = copy->Path() + name;
    try {
        const RecoveryCopyFile file = DecodeRecoveryCopy(copy->Read(name), path);
        found.projectDir = file.projectDir;
        found.editedAt = file.editedAt;
        found.copies = file.copies;
        found.stored = file.stored;
        found.project.ProjectDir = found.projectDir;
        ParseProjectFile(file.project, path, found.project);

        if (!isDirectory(found.projectDir)) {
            found.state = RecoveryCase::ProjectGone;
            return found;
        }
        // What project.dat holds already is nothing to give back.
        try {
            if (readFileBytes(found.projectDir + "project.dat") == file.project) {
                found.state = RecoveryCase::Unchanged;
                return found;
            }
        } catch (const std::exception&) {
        }
        if (StampOf(found.projectDir + "project.dat") != file.saved) {
            found.state = RecoveryCase::ProjectChanged;
            return found;
        }
        const std::optional<OwnedFolder> pictures = copy->FolderIfPresent(kPictures);
        for (const std::string& used : usedCopies(found.copies, found.project)) {
            if (isRegular(used)) continue;
            const StoredPicture* kept = keptFor(found.stored, used);
            if (!kept || !pictures || !pictures->StatOf(kept->name))
                throw Error("Recovery: the picture " + fileName(used) + " of the edits is missing (" + path + ")");
            if (!stillKept(&*pictures, *kept))
                throw Error("Recovery: the copy of the picture " + fileName(used) +
                            " was replaced by another file since it was kept (" + path + ")");
        }
        found.state = RecoveryCase::Valid;
    } catch (const std::exception& error) {
        found.state = RecoveryCase::Damaged;
        found.reason = error.what();
    }
    return found;
}

void RestoreRecoveredPictures(const std::string& home, const FoundRecovery& found) {
    const std::optional<OwnedFolder> copy = copyFolder(home, found.folder);
    const std::optional<OwnedFolder> pictures = copy ? copy->FolderIfPresent(kPictures) : std::nullopt;
    std::optional<OwnedFolder> project;
    for (const std::string& used : usedCopies(found.copies, found.project)) {
        if (isRegular(used)) continue;
        const StoredPicture* kept = keptFor(found.stored, used);
        if (!kept || !stillKept(pictures ? &*pictures : nullptr, *kept))
            throw Error("Recovery: the picture " + fileName(used) + " of the edits is missing");
        if (used.compare(0, found.projectDir.size(), found.projectDir) != 0 ||
            used.find('/', found.projectDir.size()) != std::string::npos)
            throw Error("Recovery: the picture " + used + " is not in the project's folder");
        if (!project) project.emplace(OwnedFolder::At(found.projectDir));
        project->Place(pictures->Path() + kept->name, fileName(used));
    }
}

}  // namespace kalidor::rules
