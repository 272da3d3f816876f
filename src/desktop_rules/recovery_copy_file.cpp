#include "desktop_rules/recovery_copy_file.h"

#include "model/byte_stream.h"
#include "platform/error.h"
#include "platform/md5.h"

#include <string_view>
#include <sys/stat.h>

namespace kalidor::rules {
namespace {

constexpr std::string_view kMagic = "KALIDOR RECOVERY 2\n";
constexpr std::string_view kEarlierMagic = "KALIDOR RECOVERY ";
constexpr std::size_t kDigestLength = 32;

// UTF-8 strings and 64-bit numbers, which project.dat's own fields do not carry.
void putText(ByteWriter& out, const std::string& text) {
    out.int32(static_cast<std::int32_t>(text.size()));
    out.raw(text);
}
void put64(ByteWriter& out, std::int64_t value) {
    out.int32(static_cast<std::int32_t>(static_cast<std::uint64_t>(value) & 0xffffffffu));
    out.int32(static_cast<std::int32_t>(static_cast<std::uint64_t>(value) >> 32));
}
void putIdentity(ByteWriter& out, const FileIdentity& identity) {
    for (const std::int64_t value : {identity.device, identity.inode, identity.size, identity.mtimeNs})
        put64(out, value);
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
FileIdentity takeIdentity(ByteReader& in, const char* field) {
    FileIdentity identity;
    for (std::int64_t* value : {&identity.device, &identity.inode, &identity.size, &identity.mtimeNs})
        *value = take64(in, field);
    return identity;
}
std::int32_t takeCount(ByteReader& in, const char* field) {
    const std::int32_t count = in.int32(field);
    if (count < 0) in.fail(std::string("negative number of ") + field);
    return count;
}

}  // namespace

FileStamp StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    return {true, static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

std::vector<std::uint8_t> EncodeRecoveryCopy(const RecoveryCopyFile& copy) {
    ByteWriter body;
    putText(body, copy.projectDir);
    put64(body, copy.editedAt);
    body.byte(copy.saved.exists ? 1 : 0);
    put64(body, copy.saved.size);
    put64(body, copy.saved.mtimeNs);
    body.int32(static_cast<std::int32_t>(copy.copies.size()));
    for (const std::string& path : copy.copies) putText(body, path);
    body.int32(static_cast<std::int32_t>(copy.stored.size()));
    for (const StoredPicture& picture : copy.stored) {
        putText(body, picture.name);
        putText(body, picture.copy);
        body.byte(picture.kept ? 1 : 0);
        putIdentity(body, picture.source);
        putIdentity(body, picture.stored);
    }
    body.int32(static_cast<std::int32_t>(copy.project.size()));
    body.raw(copy.project);
    const auto& bodyBytes = body.bytes();
    ByteWriter file;
    file.raw(std::string(kMagic));
    file.raw(Md5Hex(std::string_view(reinterpret_cast<const char*>(bodyBytes.data()), bodyBytes.size())));
    file.raw(bodyBytes);
    return file.bytes();
}

RecoveryCopyFile DecodeRecoveryCopy(std::span<const std::uint8_t> bytes, const std::string& path) {
    const std::size_t head = kMagic.size() + kDigestLength;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.substr(0, kMagic.size()) != kMagic) {
        if (text.substr(0, kEarlierMagic.size()) == kEarlierMagic)
            throw Error("Recovery: the copy was written by another version of the program (" + path + ")");
        throw Error("Recovery: not a recovery copy (" + path + ")");
    }
    if (bytes.size() < head || Md5Hex(text.substr(head)) != text.substr(kMagic.size(), kDigestLength))
        throw Error("Recovery: the copy is damaged (" + path + ")");
    ByteReader in{bytes.subspan(head), path};
    RecoveryCopyFile copy;
    copy.projectDir = takeText(in, "project folder");
    copy.editedAt = take64(in, "edit time");
    copy.saved.exists = in.byte("project file state") != 0;
    copy.saved.size = take64(in, "project file size");
    copy.saved.mtimeNs = take64(in, "project file time");
    for (std::int32_t i = 0, n = takeCount(in, "picture copies"); i < n; ++i)
        copy.copies.push_back(takeText(in, "picture copy"));
    for (std::int32_t i = 0, n = takeCount(in, "kept pictures"); i < n; ++i) {
        StoredPicture picture;
        picture.name = takeText(in, "kept picture");
        if (picture.name.empty() || picture.name.find('/') != std::string::npos || picture.name == "." ||
            picture.name == "..")
            in.fail("a kept picture's name is not a file name");
        picture.copy = takeText(in, "kept picture copy");
        picture.kept = in.byte("kept picture state") != 0;
        picture.source = takeIdentity(in, "kept picture source");
        picture.stored = takeIdentity(in, "kept picture file");
        copy.stored.push_back(std::move(picture));
    }
    const std::int32_t projectLength = in.int32("project");
    if (projectLength < 0 || static_cast<std::size_t>(projectLength) != in.remaining())
        in.fail("the project's length does not match");
    if (copy.projectDir.empty() || copy.projectDir.front() != '/' || copy.projectDir.back() != '/')
        in.fail("the project folder is not a folder path");
    const auto project = in.raw(static_cast<std::size_t>(projectLength), "project");
    copy.project.assign(project.begin(), project.end());
    return copy;
}

}  // namespace kalidor::rules
