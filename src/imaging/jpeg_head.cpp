#include "imaging/jpeg_head.h"

#include "platform/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor::jpeg {
namespace {

// Cameras write a handful of segments before the frame; this many means the data is not a
// picture's head.
constexpr int kMaxSegments = 1024;

bool isFrameHeader(std::uint8_t marker) noexcept {
    // SOF0..SOF15, less DHT (C4), JPG (C8) and DAC (CC), which share the range.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the segments through `readAt(offset, into, count)`, which fills what it can and returns
// how many bytes it filled, so that a file is read as little as a buffer is.
template <typename ReadAt>
Head walkSegments(ReadAt readAt) {
    Head head;
    std::uint8_t bytes[4];
    if (readAt(0, bytes, 2) != 2 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return head;
    std::uint64_t at = 2;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        if (readAt(at, bytes, 4) != 4 || bytes[0] != 0xFF)
            return head;
        const std::uint8_t marker = bytes[1];
        if (marker == 0xFF) {  // a fill byte before the marker
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            return head;  // no frame header before the data or the end
        const std::size_t length = static_cast<std::size_t>(bytes[2]) << 8 | bytes[3];
        if (length < 2)
            return head;
        const std::size_t payloadLength = length - 2;
        if (isFrameHeader(marker)) {
            std::uint8_t frame[5];  // precision, height, width
            if (payloadLength < sizeof frame || readAt(at + 4, frame, sizeof frame) != sizeof frame)
                return head;
            head.height = frame[1] << 8 | frame[2];
            head.width = frame[3] << 8 | frame[4];
            if (head.width == 0 || head.height == 0)
                head.width = head.height = 0;  // the height may come later, in a DNL segment: not ours
            return head;
        }
        if (marker == 0xE1 && head.exif.empty() && payloadLength >= 6) {
            std::uint8_t signature[6];
            if (readAt(at + 4, signature, sizeof signature) == sizeof signature &&
                std::memcmp(signature, "Exif\0\0", sizeof signature) == 0) {
                head.exif.resize(payloadLength);
                if (readAt(at + 4, head.exif.data(), payloadLength) != payloadLength) {
                    head.exif.clear();  // cut short: the file ends inside it
                    return head;
                }
            }
        }
        at += 2 + length;
    }
    return head;
}

}  // namespace

Head parseHead(std::span<const std::uint8_t> bytes) {
    return walkSegments([bytes](std::uint64_t offset, std::uint8_t* into, std::size_t count) -> std::size_t {
        if (offset >= bytes.size())
            return 0;
        const std::size_t n = std::min<std::size_t>(count, bytes.size() - static_cast<std::size_t>(offset));
        std::memcpy(into, bytes.data() + offset, n);
        return n;
    });
}

Head readHead(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info{};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return walkSegments([&fd](std::uint64_t offset, std::uint8_t* into, std::size_t count) -> std::size_t {
        std::size_t filled = 0;
        while (filled < count) {
            const ssize_t n = ::pread(fd.get(), into + filled, count - filled, static_cast<off_t>(offset + filled));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            filled += static_cast<std::size_t>(n);
        }
        return filled;
    });
}

}  // namespace kalidor::jpeg
