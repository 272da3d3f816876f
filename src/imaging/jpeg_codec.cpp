#include "imaging/jpeg_codec.h"

#include "platform/error.h"
#include "imaging/exif_orientation.h"
#include "platform/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports failures by calling error_exit, which must not return. Ours keeps the message
// and longjmps back to a setjmp in a small "step" function. A step holds no object with a
// destructor, and every frame between it and libjpeg is either libjpeg's or a helper of ours
// holding only plain values, so the jump skips no destructor. The objects that own libjpeg's
// state live in the caller, which turns a failed step into kalidor::Error.

namespace kalidor::jpeg {
namespace {

// Progressive files may repeat scans without limit, each one a pass over the whole picture.
constexpr int kMaxScans = 500;

// Huffman coding spends at least a bit on each 8 x 8 block of a scan, and a picture of one colour
// costs a baseline or progressive file 170 to 340 pixels a byte, photos far fewer: four times that
// is beyond any picture whose data is all there.
constexpr std::int64_t kPixelsPerJpegByte = 1024;

struct ErrorState {
    jpeg_error_mgr mgr;  // first, so that libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

ErrorState& errorStateOf(j_common_ptr cinfo) noexcept { return *reinterpret_cast<ErrorState*>(cinfo->err); }

[[noreturn]] void failWith(j_common_ptr cinfo, const char* message) noexcept {
    ErrorState& state = errorStateOf(cinfo);
    std::snprintf(state.message, sizeof state.message, "%s", message);
    std::longjmp(state.jump, 1);
}

[[noreturn]] void onError(j_common_ptr cinfo) noexcept {
    ErrorState& state = errorStateOf(cinfo);
    (*cinfo->err->format_message)(cinfo, state.message);
    std::longjmp(state.jump, 1);
}

// Warnings (level -1) are ignored except running out of data, after which libjpeg would pad the
// picture with grey and report success.
void onMessage(j_common_ptr cinfo, int level) noexcept {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        failWith(cinfo, "premature end of data");
}

void onProgress(j_common_ptr cinfo) noexcept {
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        failWith(cinfo, "more than 500 scans");
}

void installErrorHandlers(ErrorState& state) noexcept {
    jpeg_std_error(&state.mgr);
    state.mgr.error_exit = onError;
    state.mgr.emit_message = onMessage;
    state.message[0] = '\0';
}

[[noreturn]] void throwFailure(const ErrorState& state) {
    throw Error(std::string("JPEG: ") + state.message);
}

// ---------------------------------------------------------------------------------------------
// Decoding

class Decompressor {
public:
    Decompressor() noexcept {
        installErrorHandlers(err);
        cinfo.err = &err.mgr;  // jpeg_create_decompress keeps it
        progress.progress_monitor = onProgress;
    }
    // Safe whether or not jpeg_create_decompress ran or finished: the zeroed struct has no pools.
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct cinfo{};
    ErrorState err{};
    jpeg_progress_mgr progress{};
};

struct PixelTarget {
    Bitmap* bitmap = nullptr;
    std::uint8_t* cmykRow = nullptr;  // scratch row when libjpeg delivers CMYK
    bool invertedCmyk = false;
};

bool readHeader(Decompressor& d, std::span<const std::uint8_t> bytes) {
    if (setjmp(d.err.jump) != 0)
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.cinfo.progress = &d.progress;
    jpeg_mem_src(&d.cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&d.cinfo, TRUE);
    return true;
}

// Adobe applications store CMYK inverted (255 is no ink); others store the amount of ink.
// Without a colour profile the plain product of the white left by each ink and by black will do.
void cmykRowToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, JDIMENSION width, bool inverted) noexcept {
    const unsigned flip = inverted ? 0 : 255;
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned c = cmyk[0] ^ flip, m = cmyk[1] ^ flip, y = cmyk[2] ^ flip, k = cmyk[3] ^ flip;
        bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

// Called inside readPixels' protection; holds only plain values (see the top of the file).
void copyScanlines(j_decompress_ptr cinfo, const PixelTarget& target) {
    Bitmap& bitmap = *target.bitmap;
    const int components = target.cmykRow ? 4 : 3;
    if (cinfo->output_width != static_cast<JDIMENSION>(bitmap.width()) ||
        cinfo->output_height != static_cast<JDIMENSION>(bitmap.height()) || cinfo->output_components != components)
        failWith(reinterpret_cast<j_common_ptr>(cinfo), "unexpected output layout");
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        if (target.cmykRow) {
            JSAMPROW row = target.cmykRow;
            jpeg_read_scanlines(cinfo, &row, 1);
            cmykRowToBgr(target.cmykRow, bitmap.row(y), cinfo->output_width, target.invertedCmyk);
        } else {
            JSAMPROW rows[16];
            const int count = std::min(16, bitmap.height() - y);
            for (int i = 0; i < count; ++i)
                rows[i] = bitmap.row(y + i);
            jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(count));
        }
    }
}

bool readPixels(Decompressor& d, const PixelTarget& target) {
    if (setjmp(d.err.jump) != 0)
        return false;
    jpeg_start_decompress(&d.cinfo);
    copyScanlines(&d.cinfo, target);
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

bool calcOutputDimensions(Decompressor& d) {
    if (setjmp(d.err.jump) != 0)
        return false;
    jpeg_calc_output_dimensions(&d.cinfo);
    return true;
}

// The largest of 8, 4, 2 by which both sides can be divided (rounding up, as libjpeg does) and
// still hold the picture fitted into the box; 1 when none can.
unsigned scaleDenominator(double width, double height, int boxWidth, int boxHeight) noexcept {
    const double scale = std::min(boxWidth / width, boxHeight / height);
    if (scale >= 1)
        return 1;
    const double needWidth = std::ceil(width * scale), needHeight = std::ceil(height * scale);
    for (unsigned denominator : {8u, 4u, 2u})
        if (std::ceil(width / denominator) >= needWidth && std::ceil(height / denominator) >= needHeight)
            return denominator;
    return 1;
}

bool isExifPayload(const jpeg_marker_struct& marker) noexcept {
    return marker.marker == JPEG_APP0 + 1 && marker.data_length >= 6 && std::memcmp(marker.data, "Exif\0\0", 6) == 0;
}

int orientationOf(const jpeg_decompress_struct& cinfo) noexcept {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next)
        if (isExifPayload(*m))
            return exifOrientation({m->data, m->data_length});
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Encoding

class Compressor {
public:
    Compressor() noexcept {
        installErrorHandlers(err);
        cinfo.err = &err.mgr;
    }
    ~Compressor() {
        // The memory destination frees and replaces its buffer as it grows but reports the live
        // one only at the end; after a failure, ask for it so that the right buffer is freed.
        if (destinationSet)
            cinfo.dest->term_destination(&cinfo);
        if (initial != buffer)  // replaced by a larger one, which libjpeg does not free
            std::free(initial);
        std::free(buffer);
        jpeg_destroy_compress(&cinfo);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    jpeg_compress_struct cinfo{};
    ErrorState err{};
    unsigned char* buffer = nullptr;  // malloc'ed, replaced by jpeg_mem_dest when it grows
    unsigned char* initial = nullptr;
    unsigned long size = 0;
    bool destinationSet = false;
};

// Called inside compress' protection; holds only plain values.
void writeScanlines(j_compress_ptr cinfo, const Bitmap& bitmap) {
    while (cinfo->next_scanline < cinfo->image_height) {
        const int y = static_cast<int>(cinfo->next_scanline);
        JSAMPROW rows[16];
        const int count = std::min(16, bitmap.height() - y);
        for (int i = 0; i < count; ++i)
            rows[i] = const_cast<JSAMPROW>(bitmap.row(y + i));  // libjpeg only reads them
        jpeg_write_scanlines(cinfo, rows, static_cast<JDIMENSION>(count));
    }
}

bool compress(Compressor& c, const Bitmap& bitmap, int quality) {
    if (setjmp(c.err.jump) != 0)
        return false;
    jpeg_create_compress(&c.cinfo);
    // Room for the whole picture from the start: growing from 4 KiB by doubling copies more
    // than the finished file, and untouched room costs nothing.
    c.size = static_cast<unsigned long>(bitmap.width()) * static_cast<unsigned long>(bitmap.height()) * 3 + 4096;
    c.initial = c.buffer = static_cast<unsigned char*>(std::malloc(c.size));
    if (!c.buffer)
        c.size = 0;  // then libjpeg allocates
    jpeg_mem_dest(&c.cinfo, &c.buffer, &c.size);
    c.destinationSet = true;
    c.cinfo.image_width = static_cast<JDIMENSION>(bitmap.width());
    c.cinfo.image_height = static_cast<JDIMENSION>(bitmap.height());
    c.cinfo.input_components = 3;
    c.cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c.cinfo);  // YCbCr, 2x2 chroma subsampling, baseline Huffman tables
    jpeg_set_quality(&c.cinfo, quality, TRUE);
    jpeg_start_compress(&c.cinfo, TRUE);
    writeScanlines(&c.cinfo, bitmap);
    jpeg_finish_compress(&c.cinfo);
    return true;
}

class OutputFile {
public:
    explicit OutputFile(const std::string& path)
        : path_(path), fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)) {
        if (fd_ < 0)
            fail(errno);
    }
    ~OutputFile() {
        if (fd_ >= 0) {
            ::close(fd_);
            ::unlink(path_.c_str());  // only reached when the write was not finished
        }
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::span<const std::uint8_t> bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                fail(errno);
            }
            bytes = bytes.subspan(static_cast<std::size_t>(n));
        }
    }
    void close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            const int error = errno;
            ::unlink(path_.c_str());
            fail(error);
        }
    }

private:
    [[noreturn]] void fail(int error) const {
        throw Error("JPEG: cannot write " + path_ + ": " + std::strerror(error));
    }

    std::string path_;
    int fd_;
};

}  // namespace

Bitmap decode(std::span<const std::uint8_t> bytes, const DecodeOptions& options) {
    Decompressor d;
    if (!readHeader(d, bytes))
        throwFailure(d.err);

    const std::int64_t pixels = static_cast<std::int64_t>(d.cinfo.image_width) * d.cinfo.image_height;
    const std::string size = std::to_string(d.cinfo.image_width) + " x " + std::to_string(d.cinfo.image_height);
    if (pixels > options.maxPixels)
        throw Error("JPEG: " + size + " pixels is more than the limit of " + std::to_string(options.maxPixels));
    // A progressive picture holds all its coefficients as well as its pixels, 1.5 GB for 16000 x
    // 16000, however little data the file has to fill them with.
    if (!PlausiblePixelCount(pixels, bytes.size(), kPixelsPerJpegByte))
        throw Error("JPEG: " + std::to_string(bytes.size()) + " bytes cannot hold " + size + " pixels");

    PixelTarget target;
    std::vector<std::uint8_t> cmykRow;
    switch (d.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_RGB:
    case JCS_YCbCr:
        d.cinfo.out_color_space = JCS_EXT_BGR;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        d.cinfo.out_color_space = JCS_CMYK;  // libjpeg turns YCCK into CMYK
        cmykRow.resize(static_cast<std::size_t>(d.cinfo.image_width) * 4);
        target.cmykRow = cmykRow.data();
        target.invertedCmyk = d.cinfo.saw_Adobe_marker;
        break;
    default:
        throw Error("JPEG: unsupported colour space of " + std::to_string(d.cinfo.num_components) + " components");
    }
    const int orientation = options.applyExifOrientation ? orientationOf(d.cinfo) : 1;

    int width = static_cast<int>(d.cinfo.image_width), height = static_cast<int>(d.cinfo.image_height);
    if (options.fitWidth > 0 && options.fitHeight > 0) {
        // Orientations 5 to 8 turn the picture a quarter, so the box applies to swapped sides.
        const bool quarterTurn = orientation >= 5 && orientation <= 8;
        const unsigned denominator = quarterTurn
                                         ? scaleDenominator(height, width, options.fitWidth, options.fitHeight)
                                         : scaleDenominator(width, height, options.fitWidth, options.fitHeight);
        if (denominator > 1) {
            d.cinfo.scale_num = 1;
            d.cinfo.scale_denom = denominator;
            if (!calcOutputDimensions(d))
                throwFailure(d.err);
            width = static_cast<int>(d.cinfo.output_width);
            height = static_cast<int>(d.cinfo.output_height);
        }
    }
    Bitmap bitmap(width, height, 24);
    target.bitmap = &bitmap;
    if (!readPixels(d, target))
        throwFailure(d.err);
    if (orientation != 1)
        return applyExifOrientation(bitmap, orientation);
    return bitmap;
}

Bitmap readFile(const std::string& path, const DecodeOptions& options) {
    return decodeFile(
        path, [&options](std::span<const std::uint8_t> bytes) { return decode(bytes, options); },
        [](std::span<const std::uint8_t> b) { return b.size() >= 2 && b[0] == 0xFF && b[1] == 0xD8; });
}

std::vector<std::uint8_t> encode(const Bitmap& bitmap, int quality) {
    if (bitmap.empty())
        throw Error("JPEG: cannot encode an empty picture");
    if (quality < 1 || quality > 100)
        throw Error("JPEG: quality " + std::to_string(quality) + " is outside 1..100");
    if (bitmap.bitsPerPixel() != 24)
        return encode(bitmap.toBgr24(), quality);
    Compressor c;
    if (!compress(c, bitmap, quality))
        throwFailure(c.err);
    return std::vector<std::uint8_t>(c.buffer, c.buffer + c.size);
}

void writeFile(const Bitmap& bitmap, const std::string& path, int quality) {
    const std::vector<std::uint8_t> bytes = encode(bitmap, quality);
    OutputFile file(path);
    file.write(bytes);
    file.close();
}

}  // namespace kalidor::jpeg
