#include "imaging/bmp_codec.h"

#include "platform/error.h"
#include "platform/file_io.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>
#include <string>

namespace kalidor::bmp {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitFields = 6,
};

[[noreturn]] void fail(const std::string& condition) { throw Error("BMP: " + condition); }

std::string hex(std::uint32_t v) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string s = "0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        s += digits[(v >> shift) & 0xF];
    return s;
}

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t i32(const std::uint8_t* p) { return static_cast<std::int32_t>(u32(p)); }

// One colour channel of a bit-field layout, scaled to 8 bits.
class Channel {
public:
    explicit Channel(std::uint32_t mask) : mask_(mask) {
        if (mask == 0)
            return;
        shift_ = std::countr_zero(mask);
        const std::uint32_t bits = mask >> shift_;
        if ((bits & (bits + 1)) != 0)
            fail("bit field mask " + hex(mask) + " is not contiguous");
        max_ = bits;
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (max_ == 0)
            return 0;
        const std::uint64_t v = (pixel & mask_) >> shift_;
        return static_cast<std::uint8_t>((v * 255 + max_ / 2) / max_);
    }

private:
    std::uint32_t mask_;
    int shift_ = 0;
    std::uint64_t max_ = 0;
};

// The parsed headers and where the parts of the file lie.
struct Decoder {
    std::span<const std::uint8_t> bytes;
    std::int64_t maxPixels;

    std::uint32_t headerSize = 0;
    bool core = false;  // OS/2 1.x: 16-bit sizes, 3-byte palette entries
    bool os2v2 = false;
    std::int64_t width = 0;
    std::int64_t height = 0;  // always positive; topDown says which way rows run
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 3> masks{};  // red, green, blue; bit-field pictures only
    std::size_t headersEnd = 0;  // end of the headers and of any masks that follow them
    std::size_t pixelOffset = 0;

    Bitmap run();
    void readHeaders();
    void readMasks();
    void checkSize() const;
    void checkPixelData() const;
    void readPalette(Bitmap& out) const;
    void readRows(Bitmap& out) const;
    void readBitFields(Bitmap& out) const;
    void readRle(Bitmap& out) const;

    std::size_t fileRowSize() const {
        return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4);
    }
    // The row of `out` holding the picture's file row `y`.
    int outRow(std::int64_t y) const { return static_cast<int>(topDown ? y : height - 1 - y); }
};

void Decoder::readHeaders() {
    const std::uint8_t* d = bytes.data();
    if (bytes.size() < 2 || d[0] != 'B' || d[1] != 'M')
        fail("not a BMP file (no BM signature)");
    if (bytes.size() < kFileHeaderSize + 4)
        fail("file too short for the headers");
    const std::uint32_t offBits = u32(d + 10);
    headerSize = u32(d + 14);
    switch (headerSize) {
    case 12: core = true; break;
    case 16: case 64: os2v2 = true; break;
    case 40: case 52: case 56: case 108: case 124: break;
    default: fail("unknown header size " + std::to_string(headerSize));
    }
    if (bytes.size() - kFileHeaderSize < headerSize)
        fail("header truncated");
    const std::uint8_t* h = d + kFileHeaderSize;
    int planes;
    if (core) {
        width = u16(h + 4);
        height = u16(h + 6);
        planes = u16(h + 8);
        bitCount = u16(h + 10);
    } else {
        width = i32(h + 4);
        height = i32(h + 8);
        planes = u16(h + 12);
        bitCount = u16(h + 14);
        if (headerSize >= 40) {  // a 16-byte OS/2 header leaves the rest zero
            compression = u32(h + 16);
            colorsUsed = u32(h + 32);
        }
    }
    if (height < 0) {
        topDown = true;
        height = -height;
    }
    if (planes != 1)
        fail("planes must be 1, not " + std::to_string(planes));

    if (os2v2 && compression == 3)
        fail("OS/2 Huffman compression is not supported");
    if (os2v2 && compression == 4)
        fail("OS/2 RLE24 compression is not supported");
    if (compression == kJpeg || compression == kPng)
        fail("embedded JPEG/PNG data is not supported");
    switch (compression) {
    case kRgb:
        if (!Bitmap::isValidFormat(bitCount))
            fail("unsupported bit count " + std::to_string(bitCount));
        break;
    case kRle8:
    case kRle4: {
        const int needed = compression == kRle8 ? 8 : 4;
        if (bitCount != needed)
            fail("RLE" + std::to_string(needed) + " needs " + std::to_string(needed) + " bits per pixel, not " +
                 std::to_string(bitCount));
        if (topDown)
            fail("a top-down picture cannot be RLE compressed");
        break;
    }
    case kBitFields:
    case kAlphaBitFields:
        if (bitCount != 16 && bitCount != 32)
            fail("bit fields need 16 or 32 bits per pixel, not " + std::to_string(bitCount));
        break;
    default: fail("unsupported compression " + std::to_string(compression));
    }

    headersEnd = kFileHeaderSize + headerSize;
    readMasks();
    if (offBits < headersEnd)
        fail("pixel data offset inside the headers");
    if (offBits > bytes.size())
        fail("pixel data offset beyond end of file");
    pixelOffset = offBits;
}

void Decoder::readMasks() {
    if (compression != kBitFields && compression != kAlphaBitFields)
        return;
    // Masks the header has no room for follow it; the alpha mask is read past but not used.
    const std::size_t inHeader = headerSize >= 56 ? 4 : headerSize >= 52 ? 3 : 0;
    const std::size_t needed = compression == kAlphaBitFields ? 4 : 3;
    const std::size_t after = needed > inHeader ? needed - inHeader : 0;
    if (bytes.size() - headersEnd < after * 4)
        fail("bit field masks truncated");
    const std::uint8_t* m = bytes.data() + kFileHeaderSize + kInfoHeaderSize;
    masks = {u32(m), u32(m + 4), u32(m + 8)};
    headersEnd += after * 4;
    for (const std::uint32_t mask : masks)
        Channel{mask};  // refuses a scattered mask before anything is allocated
}

void Decoder::checkSize() const {
    if (width < 0)
        fail("negative width " + std::to_string(width));
    if (width > INT_MAX || height > INT_MAX)
        fail("size " + std::to_string(width) + " x " + std::to_string(height) + " out of range");
    const std::int64_t limit = std::min(maxPixels, kMaxBitmapPixels);
    if (width * height > limit)
        fail(std::to_string(width) + " x " + std::to_string(height) + " pixels is more than the limit of " +
             std::to_string(limit));
}

// Uncompressed rows must all be present before anything is allocated for them; only the
// padding of the last row may be missing. RLE data must be able to hold the picture.
void Decoder::checkPixelData() const {
    if (width == 0 || height == 0)
        return;
    if (compression == kRle8 || compression == kRle4) {
        // An encoded run of up to 255 pixels takes two bytes. Ends of lines, moves and an early
        // end of the bitmap let a file leave pixels unwritten, but no writer leaves most of a big
        // picture so: twice the run limit bounds what a real file holds.
        constexpr std::int64_t kPixelsPerRleByte = 256;
        if (!PlausiblePixelCount(width * height, bytes.size() - pixelOffset, kPixelsPerRleByte))
            fail(std::to_string(bytes.size() - pixelOffset) + " bytes of RLE data cannot hold " + std::to_string(width) +
                 " x " + std::to_string(height) + " pixels");
        return;
    }
    const std::size_t used = Bitmap::strideFor(static_cast<int>(width), bitCount);
    const std::size_t needed = fileRowSize() * static_cast<std::size_t>(height - 1) + used;
    if (bytes.size() - pixelOffset < needed)
        fail("pixel data truncated");
}

void Decoder::readPalette(Bitmap& out) const {
    // Room before the pixel data bounds the palette, so an offset that cuts into it shortens it.
    const std::size_t entrySize = core ? 3 : 4;
    const std::size_t full = std::size_t{1} << bitCount;
    std::size_t count = (core || colorsUsed == 0) ? full : std::min<std::size_t>(colorsUsed, full);
    count = std::min(count, (pixelOffset - headersEnd) / entrySize);
    const std::uint8_t* p = bytes.data() + headersEnd;
    for (std::size_t i = 0; i < count; ++i, p += entrySize)
        out.palette()[i] = PaletteEntry{p[0], p[1], p[2], 0};
}

void Decoder::readRows(Bitmap& out) const {
    const std::size_t rowSize = fileRowSize();
    const std::size_t used = Bitmap::strideFor(static_cast<int>(width), bitCount);
    // Bits past the width in the last byte of a row are cleared, so equal pictures compare equal.
    const unsigned spare = static_cast<unsigned>(used * 8 - static_cast<std::size_t>(width) * bitCount);
    const std::uint8_t keep = static_cast<std::uint8_t>(0xFF << spare);
    for (std::int64_t y = 0; y < height; ++y) {
        std::uint8_t* dst = out.row(outRow(y));
        std::memcpy(dst, bytes.data() + pixelOffset + static_cast<std::size_t>(y) * rowSize, used);
        dst[used - 1] &= keep;
    }
}

void Decoder::readBitFields(Bitmap& out) const {
    const std::size_t rowSize = fileRowSize();
    const std::size_t bytesPerPixel = static_cast<std::size_t>(bitCount) / 8;
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* src = bytes.data() + pixelOffset + static_cast<std::size_t>(y) * rowSize;
        std::uint8_t* dst = out.row(outRow(y));
        for (std::int64_t x = 0; x < width; ++x, src += bytesPerPixel, dst += 3) {
            const std::uint32_t v = bytesPerPixel == 2 ? u16(src) : u32(src);
            dst[0] = blue(v);
            dst[1] = green(v);
            dst[2] = red(v);
        }
    }
}

// Pixels of a run that pass the row end are dropped, and a move below the last row ends the
// picture. Data that stops before the end-of-bitmap mark leaves what was decoded so far; pixels
// never written keep index 0.
void Decoder::readRle(Bitmap& out) const {
    const bool four = compression == kRle4;
    const std::uint8_t* d = bytes.data();
    const std::size_t end = bytes.size();
    std::size_t p = pixelOffset;
    std::int64_t x = 0, y = 0;
    std::uint8_t* row = out.row(outRow(0));
    auto put = [&](std::uint8_t index) {  // callers keep x inside the row
        if (!four)
            row[x] = index;
        else if (x & 1)
            row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & 0xF0) | index);
        else
            row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & 0x0F) | (index << 4));
        ++x;
    };
    auto moveTo = [&](std::int64_t newX, std::int64_t newY) {
        x = std::min(newX, width);
        y = newY;
        if (y < height)
            row = out.row(outRow(y));
    };
    while (y < height && end - p >= 2) {
        const unsigned count = d[p], value = d[p + 1];
        p += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count && x < width; ++i)
                put(static_cast<std::uint8_t>(!four ? value : (i & 1) ? (value & 0x0F) : (value >> 4)));
        } else if (value == 0) {
            moveTo(0, y + 1);
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (end - p < 2)
                return;
            moveTo(x + d[p], y + d[p + 1]);
            p += 2;
        } else {
            const std::size_t runBytes = four ? (value + 1) / 2 : value;
            const std::size_t have = std::min(runBytes, end - p);
            for (unsigned i = 0; i < value && x < width; ++i) {
                const std::size_t at = four ? i / 2 : i;
                if (at >= have)
                    break;
                const unsigned b = d[p + at];
                put(static_cast<std::uint8_t>(!four ? b : (i & 1) ? (b & 0x0F) : (b >> 4)));
            }
            if (have < runBytes)
                return;
            p += runBytes + (runBytes & 1);  // absolute runs keep the data word-aligned
            p = std::min(p, end);
        }
    }
}

Bitmap Decoder::run() {
    readHeaders();
    checkSize();
    checkPixelData();
    const bool paletted = bitCount <= 8;
    int outBits = bitCount;
    if (compression == kBitFields || compression == kAlphaBitFields) {
        const bool standard = bitCount == 16 ? masks == std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                                             : masks == std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
        if (!standard)
            outBits = 24;
    }
    // An empty picture becomes 0 x 0, so no caller loops over a huge other side.
    if (width == 0 || height == 0)
        return Bitmap(0, 0, outBits);
    Bitmap out(static_cast<int>(width), static_cast<int>(height), outBits);
    if (paletted)
        readPalette(out);
    if (compression == kRle8 || compression == kRle4)
        readRle(out);
    else if (outBits != bitCount)
        readBitFields(out);
    else
        readRows(out);
    return out;
}

void put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

}  // namespace

Bitmap decode(std::span<const std::uint8_t> bytes, std::int64_t maxPixels) {
    Decoder decoder{bytes, maxPixels};
    return decoder.run();
}

Bitmap readFile(const std::string& path) {
    return decodeFile(
        path, [](std::span<const std::uint8_t> bytes) { return decode(bytes); },
        [](std::span<const std::uint8_t> b) { return b.size() >= 2 && b[0] == 'B' && b[1] == 'M'; });
}

std::vector<std::uint8_t> encode(const Bitmap& bitmap) {
    if (bitmap.bitsPerPixel() != 24)
        return encode(bitmap.toBgr24());
    const std::size_t width = static_cast<std::size_t>(bitmap.width());
    const std::size_t height = static_cast<std::size_t>(bitmap.height());
    const std::size_t rowSize = (width * 3 + 3) / 4 * 4;
    const std::size_t imageSize = width == 0 ? 0 : rowSize * height;
    const std::size_t offset = kFileHeaderSize + kInfoHeaderSize;
    std::vector<std::uint8_t> out;
    out.reserve(offset + imageSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, static_cast<std::uint32_t>(offset + imageSize));
    put32(out, 0);  // reserved
    put32(out, static_cast<std::uint32_t>(offset));
    put32(out, kInfoHeaderSize);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);   // planes
    put16(out, 24);  // bits per pixel
    put32(out, kRgb);
    put32(out, static_cast<std::uint32_t>(imageSize));
    put32(out, 0);  // horizontal resolution
    put32(out, 0);  // vertical resolution
    put32(out, 0);  // colours used
    put32(out, 0);  // important colours
    if (imageSize == 0)
        return out;
    for (std::size_t y = height; y-- > 0;) {
        const std::uint8_t* src = bitmap.row(static_cast<int>(y));
        out.insert(out.end(), src, src + width * 3);
        out.resize(out.size() + rowSize - width * 3, 0);
    }
    return out;
}

void writeFile(const Bitmap& bitmap, const std::string& path) {
    writeFileAtomically(path, encode(bitmap));
}

}  // namespace kalidor::bmp
