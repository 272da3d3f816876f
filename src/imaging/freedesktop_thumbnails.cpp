#include "imaging/freedesktop_thumbnails.h"

#include "imaging/fitted_size.h"
#include "imaging/bmp_codec.h"
#include "imaging/exif_thumbnail.h"
#include "imaging/jpeg_head.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "imaging/jpeg_codec.h"
#include "platform/md5.h"
#include "imaging/png_codec.h"
#include "imaging/png_writer.h"
#include "platform/unique_fd.h"
#include "platform/user_folders.h"
#include "imaging/bitmap_utils.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {
namespace {

struct Level {
    const char* folder;
    int size;
};
constexpr std::array<Level, 4> kLevels = {{{"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}}};

// A thumbnail is read whole into memory; no real one comes near this.
constexpr off_t kMaxEntryBytes = 16 * 1024 * 1024;
// Pictures larger than this are not read for a thumbnail (the pixel limit of the codecs bounds
// the decoded size; this bounds the read).
constexpr off_t kMaxPictureBytes = 512 * 1024 * 1024;

constexpr const char* kFailFolder = "fail/kalidor/";

const Level* levelFor(int boxSide) {
    for (const Level& level : kLevels)
        if (boxSide <= level.size)
            return &level;
    return nullptr;
}

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

struct FileFacts {
    std::string uri;
    std::string mtime;
    std::string size;
};

// The entry's picture when it exists, is a PNG and was made for this file as it is now.
std::optional<Bitmap> validEntry(const std::string& entryPath, const FileFacts& facts) {
    struct stat info{};
    if (::stat(entryPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxEntryBytes)
        return std::nullopt;
    try {
        const std::vector<std::uint8_t> bytes = readFileBytes(entryPath);
        const auto text = png::readText(bytes);
        if (!text)
            return std::nullopt;
        const auto value = [&](const char* key) -> const std::string* {
            const auto found = text->find(key);
            return found == text->end() ? nullptr : &found->second;
        };
        const std::string* uri = value("Thumb::URI");
        const std::string* mtime = value("Thumb::MTime");
        const std::string* size = value("Thumb::Size");
        if (!uri || *uri != facts.uri || !mtime || *mtime != facts.mtime || (size && *size != facts.size))
            return std::nullopt;
        return png::decode(bytes);
    } catch (const std::exception&) {
        return std::nullopt;  // unreadable or broken: made again
    }
}

bool makePrivateFolders(const std::string& folder) {
    // Each missing part is made 0700; parts that exist keep their modes.
    std::string part;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        part += folder[i];
        if ((folder[i] == '/' || i + 1 == folder.size()) && part.size() > 1)
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
    }
    struct stat info{};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Writes the entry through a 0600 temporary file in its own folder and renames it into place.
// A cache that cannot be written is no error: the caller still has its thumbnail.
void writeEntry(const std::string& entryPath, const Bitmap& thumbnail, const FileFacts& facts, const char* mime) {
    const std::string folder = entryPath.substr(0, entryPath.rfind('/') + 1);
    if (!makePrivateFolders(folder))
        return;
    std::vector<std::uint8_t> bytes;
    try {
        std::vector<png::TextChunk> text = {
            {"Thumb::URI", facts.uri}, {"Thumb::MTime", facts.mtime}, {"Thumb::Size", facts.size}};
        if (mime)
            text.push_back({"Thumb::Mime", mime});
        text.push_back({"Software", "Kalidor"});
        bytes = png::encode(thumbnail, text, png::kFastestFile);
    } catch (const std::exception&) {
        return;
    }
    std::string temp = entryPath + ".XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));  // made 0600
    if (!fd)
        return;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    const bool closed = ::close(fd.release()) == 0;
    if (written != bytes.size() || !closed || ::rename(temp.c_str(), entryPath.c_str()) != 0)
        ::unlink(temp.c_str());
}

enum class Kind { None, Bmp, Jpeg, Png };

Kind kindOf(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return Kind::Jpeg;
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1A\n", 8) == 0)
        return Kind::Png;
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return Kind::Bmp;
    return Kind::None;
}

std::vector<std::uint8_t> headOf(const std::string& path) {
    std::vector<std::uint8_t> head(8);
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    ssize_t n = -1;
    if (fd)
        do
            n = ::read(fd.get(), head.data(), head.size());
        while (n < 0 && errno == EINTR);
    head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return head;
}

const char* mimeOf(Kind kind) {
    switch (kind) {
    case Kind::Bmp: return "image/bmp";
    case Kind::Jpeg: return "image/jpeg";
    case Kind::Png: return "image/png";
    case Kind::None: break;
    }
    return nullptr;
}

// The picture decoded, for a thumbnail that fits `box` x `box`. Raises the codec's error, or one
// for data that is no picture we decode.
Bitmap decodePictureOrRaise(const std::vector<std::uint8_t>& bytes, Kind kind, int box) {
    switch (kind) {
    case Kind::Jpeg: {
        jpeg::DecodeOptions options;
        options.fitWidth = options.fitHeight = box;
        return jpeg::decode(bytes, options);
    }
    case Kind::Png: return png::decode(bytes);
    case Kind::Bmp: {
        Bitmap picture = bmp::decode(bytes);
        if (picture.empty())
            throw Error("BMP: the picture has no pixels");
        return picture.toBgr24();
    }
    case Kind::None: break;
    }
    throw Error("not a BMP, JPEG or PNG picture");
}

// The same, nullopt where that raises.
std::optional<Bitmap> decodePicture(const std::vector<std::uint8_t>& bytes, Kind kind, int box) {
    try {
        return decodePictureOrRaise(bytes, kind, box);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Shrinks (never enlarges) so that the longer side is at most `side`.
Bitmap shrinkTo(const Bitmap& picture, int side) {
    if (picture.width() <= side && picture.height() <= side)
        return picture;
    const FitSize size = FittedSize(picture.width(), picture.height(), side, side);
    return ResizeAverage(picture, size.width, size.height);
}

Bitmap fitInto(const Bitmap& picture, int width, int height) {
    const FitSize size = FittedSize(picture.width(), picture.height(), width, height);
    if (size.width == picture.width() && size.height == picture.height())
        return picture;
    return ResizeAverage(picture, size.width, size.height);
}

}  // namespace

std::string ThumbnailFileUri(const std::string& absolutePath) {
    static constexpr char safe[] = "!$&'()*+,-./:=@_~";
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : absolutePath) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte < 0x80 && std::isalnum(byte)) || (byte != 0 && std::strchr(safe, c))) {
            uri += c;
        } else {
            uri += '%';
            uri += hex[byte >> 4];
            uri += hex[byte & 15];
        }
    }
    return uri;
}

FreedesktopThumbnails::FreedesktopThumbnails(std::string root) : root_(std::move(root)) {
    if (!root_.empty() && root_.back() != '/')
        root_ += '/';
}

std::string FreedesktopThumbnails::DefaultRoot() {
    try {
        return XdgBaseFolder("XDG_CACHE_HOME", ".cache") + "thumbnails/";
    } catch (const Error&) {
        return "";  // no cache rather than one in a folder others can write
    }
}

std::string FreedesktopThumbnails::EntryPath(const std::string& path, int boxSide) const {
    const Level* level = levelFor(boxSide);
    if (!level || root_.empty())
        return "";
    return root_ + level->folder + "/" + Md5Hex(ThumbnailFileUri(absolutePath(path))) + ".png";
}

std::string FreedesktopThumbnails::FailPath(const std::string& path) const {
    if (root_.empty())
        return "";
    return root_ + kFailFolder + Md5Hex(ThumbnailFileUri(absolutePath(path))) + ".png";
}

bool FreedesktopThumbnails::Extract(const std::string& path, Bitmap& bitmap) const {
    const int width = bitmap.width(), height = bitmap.height();
    if (width <= 0 || height <= 0)
        return false;
    const std::string absolute = absolutePath(path);
    struct stat info{};
    if (::stat(absolute.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxPictureBytes)
        return false;
    const FileFacts facts{ThumbnailFileUri(absolute), std::to_string(static_cast<long long>(info.st_mtime)),
                          std::to_string(static_cast<long long>(info.st_size))};
    const std::string name = Md5Hex(facts.uri) + ".png";
    const Level* level = levelFor(std::max(width, height));
    const std::string entry = level ? root_ + level->folder + "/" + name : "";
    // The standard asks not to make thumbnails of the cache's own files.
    const bool cacheable = level && !root_.empty() && absolute.compare(0, root_.size(), root_) != 0;

    try {
        if (cacheable) {
            if (std::optional<Bitmap> cached = validEntry(entry, facts)) {
                bitmap = fitInto(*cached, width, height);
                return true;
            }
            if (validEntry(root_ + kFailFolder + name, facts))
                return false;
        }
        // The first bytes tell a picture from anything else before the whole file is read.
        const Kind kind = kindOf(headOf(absolute));
        if (kind == Kind::None)
            return false;
        // The entry is made for its level's size, so that every program reading it finds it full size.
        const int side = level ? level->size : std::max(width, height);
        const auto keep = [&](const Bitmap& thumbnail) {
            if (cacheable)
                writeEntry(entry, thumbnail, facts, mimeOf(kind));
            bitmap = fitInto(thumbnail, width, height);
            return true;
        };
        // A camera's photo carries a small JPEG of itself at its start: when that is large enough
        // and shows the same picture, the photo is not read further.
        if (kind == Kind::Jpeg)
            if (std::optional<Bitmap> embedded = embeddedThumbnail(jpeg::readHead(absolute), side))
                return keep(*embedded);
        std::vector<std::uint8_t> bytes;
        try {
            bytes = readFileBytes(absolute);
        } catch (const Error&) {
            return false;  // unreadable now; may be readable later, so no failure marker
        }
        std::optional<Bitmap> picture = decodePicture(bytes, kind, side);
        if (!picture) {
            if (cacheable)
                writeEntry(root_ + kFailFolder + name, Bitmap(1, 1, 32), facts, mimeOf(kind));
            return false;
        }
        return keep(shrinkTo(*picture, side));
    } catch (const std::exception&) {
        return false;  // out of memory and the like: no thumbnail, nothing changed
    }
}

void MakeThumbnail(const std::string& path, Bitmap& bitmap) {
    const int width = bitmap.width(), height = bitmap.height();
    if (width <= 0 || height <= 0)
        throw Error("Thumbnail: empty box for " + path);
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0)
        throw Error("cannot open " + path + ": " + std::strerror(errno));
    if (S_ISREG(info.st_mode) && info.st_size > kMaxPictureBytes)
        throw Error("Thumbnail: " + std::to_string(static_cast<long long>(info.st_size)) +
                    " bytes is more than a picture is read for (" + path + ")");
    const std::vector<std::uint8_t> bytes = readFileBytes(path);  // refuses what is no regular file
    try {
        bitmap = fitInto(decodePictureOrRaise(bytes, kindOf(bytes), std::max(width, height)), width, height);
    } catch (const Error& e) {
        throw Error(std::string(e.what()) + " (" + path + ")");
    }
}

namespace UnitImageExtract {

bool ExtractThumbnail(const std::string& path, Bitmap& bitmap, std::uint32_t) {
    return FreedesktopThumbnails(FreedesktopThumbnails::DefaultRoot()).Extract(path, bitmap);
}

}  // namespace UnitImageExtract
}  // namespace kalidor
