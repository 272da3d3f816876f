#include "desktop_rules/recovery_copy.h"

#include "model/byte_stream.h"
#include "model/project_file.h"
#include "model/th_utility.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "platform/md5.h"
#include "platform/user_folders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor::rules {
namespace {

constexpr std::string_view kMagic = "KALIDOR RECOVERY 1\n";
constexpr std::size_t kDigestLength = 32;

std::string folderOf(const std::string& home) { return home + "recovery/"; }
std::string fileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// UTF-8 strings and 64-bit numbers, which project.dat's own fields do not carry.
void putText(ByteWriter& out, const std::string& text) {
    out.int32(static_cast<std::int32_t>(text.size()));
    out.raw(text);
}
void put64(ByteWriter& out, std::int64_t value) {
    out.int32(static_cast<std::int32_t>(static_cast<std::uint64_t>(value) & 0xffffffffu));
    out.int32(static_cast<std::int32_t>(static_cast<std::uint64_t>(value) >> 32));
}
std::string takeText(ByteReader& in, const char* field) {
    const std::int32_t length = in.int32(field);
    if (length < 0) in.fail(std::string(field) + " has a negative length");
    const auto bytes = in.raw(static_cast<std::size_t>(length), field);
    return {bytes.begin(), bytes.end()};
}
std::int64_t take64(ByteReader& in, const char* field) {
    const auto low = static_cast<std::uint32_t>(in.int32(field));
    const auto high = static_cast<std::uint32_t>(in.int32(field));
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
bool isRegular(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A hard link shares the picture without copying it (the usual case: the state and data folders
// are on one file system); elsewhere it is copied. Made under a temporary name and renamed, so a
// half-copied picture never takes the name.
void placePicture(const std::string& source, const std::string& target) {
    const std::string temporary = target + ".tmp";
    ::unlink(temporary.c_str());
    std::error_code copyError;
    if (::link(source.c_str(), temporary.c_str()) != 0 && !ThUtility::CopyFile(source, temporary, &copyError))
        throw Error("Recovery: cannot keep the picture " + source + ": " + copyError.message());
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temporary.c_str());
        throw Error("Recovery: cannot keep the picture " + target + ": " + reason);
    }
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

}  // namespace

FileStamp StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    return {true, static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

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
    const std::vector<std::uint8_t> projectBytes = ProjectFileBytes(project);

    const std::string folder = folderOf(home);
    const std::string pictures = folder + "pictures/";
    MakeFolders(pictures, 0700);
    const std::set<std::string> used = usedCopies(snapshot.copies, project);
    for (const std::string& copy : used)
        if (!isRegular(pictures + fileName(copy))) placePicture(copy, pictures + fileName(copy));

    ByteWriter body;
    putText(body, snapshot.projectDir);
    put64(body, snapshot.editedAt);
    body.byte(snapshot.saved.exists ? 1 : 0);
    put64(body, snapshot.saved.size);
    put64(body, snapshot.saved.mtimeNs);
    body.int32(static_cast<std::int32_t>(snapshot.copies.size()));
    for (const std::string& copy : snapshot.copies) putText(body, copy);
    body.int32(static_cast<std::int32_t>(projectBytes.size()));
    body.raw(projectBytes);
    const auto& bodyBytes = body.bytes();
    ByteWriter file;
    file.raw(std::string(kMagic));
    file.raw(Md5Hex(std::string_view(reinterpret_cast<const char*>(bodyBytes.data()), bodyBytes.size())));
    file.raw(bodyBytes);
    writeFileAtomically(folder + "copy.dat", file.bytes());

    // Pictures of earlier edits that these no longer use.
    std::vector<std::string> kept;
    ThUtility::ListFiles(pictures, kept, false);
    std::set<std::string> usedNames;
    for (const std::string& copy : used) usedNames.insert(fileName(copy));
    for (const std::string& picture : kept)
        if (!usedNames.count(fileName(picture))) ::unlink(picture.c_str());
}

bool RemoveRecoveryCopy(const std::string& home) {
    const std::string folder = folderOf(home);
    return !isDirectory(folder) || ThUtility::DeleteFolderTree(folder);
}

std::string SetRecoveryCopyAside(const std::string& home) {
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string aside = home + "recovery-" + stamp + "/";
    const std::string folder = folderOf(home);
    if (::rename(folder.substr(0, folder.size() - 1).c_str(), aside.substr(0, aside.size() - 1).c_str()) == 0)
        return aside;
    RemoveRecoveryCopy(home);
    return {};
}

FoundRecovery FindRecoveryCopy(const std::string& home) {
    FoundRecovery found;
    const std::string path = folderOf(home) + "copy.dat";
    if (!isRegular(path)) {
        // A folder with no copy (a write that never finished its first copy.dat) holds nothing.
        return found;
    }
    try {
        const std::vector<std::uint8_t> bytes = readFileBytes(path);
        const std::size_t head = kMagic.size() + kDigestLength;
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (bytes.size() < head || text.substr(0, kMagic.size()) != kMagic)
            throw Error("Recovery: not a recovery copy (" + path + ")");
        if (Md5Hex(text.substr(head)) != text.substr(kMagic.size(), kDigestLength))
            throw Error("Recovery: the copy is damaged (" + path + ")");
        ByteReader in{std::span<const std::uint8_t>(bytes).subspan(head), path};
        found.projectDir = takeText(in, "project folder");
        found.editedAt = take64(in, "edit time");
        FileStamp saved;
        saved.exists = in.byte("project file state") != 0;
        saved.size = take64(in, "project file size");
        saved.mtimeNs = take64(in, "project file time");
        const std::int32_t copyCount = in.int32("picture copies");
        if (copyCount < 0) in.fail("negative number of picture copies");
        for (std::int32_t i = 0; i < copyCount; ++i) found.copies.push_back(takeText(in, "picture copy"));
        const std::int32_t projectLength = in.int32("project");
        if (projectLength < 0 || static_cast<std::size_t>(projectLength) != in.remaining())
            in.fail("the project's length does not match");
        if (found.projectDir.empty() || found.projectDir.front() != '/' || found.projectDir.back() != '/')
            in.fail("the project folder is not a folder path");
        found.project.ProjectDir = found.projectDir;
        ParseProjectFile(in.raw(static_cast<std::size_t>(projectLength), "project"), path, found.project);

        if (!isDirectory(found.projectDir)) {
            found.state = RecoveryCase::ProjectGone;
            return found;
        }
        if (StampOf(found.projectDir + "project.dat") != saved) {
            found.state = RecoveryCase::ProjectChanged;
            return found;
        }
        for (const std::string& copy : usedCopies(found.copies, found.project))
            if (!isRegular(copy) && !isRegular(folderOf(home) + "pictures/" + fileName(copy)))
                throw Error("Recovery: the picture " + fileName(copy) + " of the edits is missing (" + path + ")");
        found.state = RecoveryCase::Valid;
    } catch (const std::exception& error) {
        found.state = RecoveryCase::Damaged;
        found.reason = error.what();
    }
    return found;
}

void RestoreRecoveredPictures(const std::string& home, const FoundRecovery& found) {
    for (const std::string& copy : usedCopies(found.copies, found.project))
        if (!isRegular(copy)) placePicture(folderOf(home) + "pictures/" + fileName(copy), copy);
}

}  // namespace kalidor::rules
