#include "imaging/png_codec.h"

#include "platform/error.h"
#include "platform/file_io.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>

// libpng reports failures through an error callback that must not return. Ours keeps the
// message and longjmps back to a setjmp in a small "step" function. A step holds no object with
// a destructor, and every frame between it and libpng is either libpng's or a helper of ours
// holding only plain values, so the jump skips no destructor. The reader that owns libpng's
// state lives in the caller, which turns a failed step into kalidor::Error.

namespace kalidor::png {
namespace {

constexpr png_uint_32 kMaxDimension = 1'000'000;
constexpr png_alloc_size_t kMaxChunkBytes = 8 * 1024 * 1024;
constexpr png_uint_32 kMaxCachedChunks = 256;

struct ErrorState {
    std::jmp_buf jump;
    char message[256];
};

struct Cursor {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
};

[[noreturn]] void onError(png_structp png, png_const_charp message) {
    auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    std::longjmp(state->jump, 1);
}

void onWarning(png_structp, png_const_charp) {}

void readFromCursor(png_structp png, png_bytep out, png_size_t length) {
    auto* cursor = static_cast<Cursor*>(png_get_io_ptr(png));
    if (length > cursor->size - cursor->position)
        png_error(png, "premature end of data");
    std::memcpy(out, cursor->data + cursor->position, length);
    cursor->position += length;
}

class Reader {
public:
    Reader() = default;
    ~Reader() {
        if (png != nullptr)
            png_destroy_read_struct(&png, &info, nullptr);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
    ErrorState err{};
    Cursor cursor;
};

// Where the decoded rows go. With `rows` libpng fills them all (interlaced pictures need the
// whole image); otherwise it delivers blue, green, red, alpha rows one at a time into `scratch`,
// each composed into `bitmap` at once.
struct PixelPlan {
    png_bytepp rows = nullptr;
    Bitmap* bitmap = nullptr;
    std::uint8_t* scratch = nullptr;
};

// Over black: value x alpha / 255, rounded to nearest.
void composeOverBlack(const std::uint8_t* bgra, std::uint8_t* bgr, int width) noexcept {
    for (int x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const unsigned alpha = bgra[3];
        for (int c = 0; c < 3; ++c)
            bgr[c] = static_cast<std::uint8_t>((bgra[c] * alpha + 127) / 255);
    }
}

bool readInfo(Reader& r, png_uint_32 dimensionLimit) {
    if (setjmp(r.err.jump) != 0)
        return false;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.err, onError, onWarning);
    if (r.png == nullptr) {
        std::snprintf(r.err.message, sizeof r.err.message, "cannot create the reader");
        return false;
    }
    r.info = png_create_info_struct(r.png);
    if (r.info == nullptr)
        png_error(r.png, "out of memory");
    png_set_read_fn(r.png, &r.cursor, readFromCursor);
    png_set_user_limits(r.png, dimensionLimit, dimensionLimit);
    png_set_chunk_cache_max(r.png, kMaxCachedChunks);
    png_set_chunk_malloc_max(r.png, kMaxChunkBytes);
    // Only the chunks that make up the pixels are read; text, profiles and the like are skipped
    // unread, so they cannot inflate into large allocations.
    png_set_keep_unknown_chunks(r.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(r.png, r.info);
    return true;
}

// Everything becomes 8-bit blue, green, red, plus alpha where the picture has transparency.
void setTransforms(png_structp png, png_infop info) {
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS) != 0)
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_strip_16(png);
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0)
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

bool configure(Reader& r) {
    if (setjmp(r.err.jump) != 0)
        return false;
    setTransforms(r.png, r.info);
    return true;
}

// Called inside readPixels' protection; holds only plain values.
void readRows(png_structp png, const PixelPlan& plan) {
    if (plan.rows != nullptr) {
        png_read_image(png, plan.rows);
        return;
    }
    Bitmap& bitmap = *plan.bitmap;
    for (int y = 0; y < bitmap.height(); ++y) {
        png_read_row(png, plan.scratch, nullptr);
        composeOverBlack(plan.scratch, bitmap.row(y), bitmap.width());
    }
}

bool readPixels(Reader& r, const PixelPlan& plan) {
    if (setjmp(r.err.jump) != 0)
        return false;
    readRows(r.png, plan);
    png_read_end(r.png, nullptr);  // reads up to IEND, so a cut-off file is noticed
    return true;
}

[[noreturn]] void throwFailure(const Reader& r) {
    throw Error(std::string("PNG: ") + r.err.message);
}

}  // namespace

Bitmap decode(std::span<const std::uint8_t> bytes, std::int64_t maxPixels) {
    Reader r;
    r.cursor = {bytes.data(), bytes.size(), 0};
    const auto limit = static_cast<png_uint_32>(std::clamp<std::int64_t>(maxPixels, 1, kMaxDimension));
    if (!readInfo(r, limit))
        throwFailure(r);

    const png_uint_32 width = png_get_image_width(r.png, r.info);
    const png_uint_32 height = png_get_image_height(r.png, r.info);
    if (static_cast<std::int64_t>(width) * height > maxPixels)
        throw Error("PNG: " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels is more than the limit of " + std::to_string(maxPixels));
    const bool interlaced = png_get_interlace_type(r.png, r.info) != PNG_INTERLACE_NONE;

    if (!configure(r))
        throwFailure(r);
    const int channels = png_get_channels(r.png, r.info);
    if (png_get_bit_depth(r.png, r.info) != 8 || (channels != 3 && channels != 4) ||
        png_get_rowbytes(r.png, r.info) != static_cast<std::size_t>(width) * channels)
        throw Error("PNG: unexpected row layout after conversion");

    Bitmap bitmap(static_cast<int>(width), static_cast<int>(height), 24);
    const bool alpha = channels == 4;
    std::vector<std::uint8_t> bgra;  // alpha pictures: one row, or all of them if interlaced
    if (alpha)
        bgra.resize(static_cast<std::size_t>(width) * 4 * (interlaced ? height : 1));
    std::vector<png_bytep> rows;
    PixelPlan plan;
    plan.bitmap = &bitmap;
    plan.scratch = bgra.data();
    if (!alpha || interlaced) {
        rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = alpha ? bgra.data() + static_cast<std::size_t>(y) * width * 4 : bitmap.row(static_cast<int>(y));
        plan.rows = rows.data();
    }
    if (!readPixels(r, plan))
        throwFailure(r);
    if (alpha && interlaced)
        for (png_uint_32 y = 0; y < height; ++y)
            composeOverBlack(rows[y], bitmap.row(static_cast<int>(y)), bitmap.width());
    return bitmap;
}

Bitmap readFile(const std::string& path) {
    return decodeFile(path, [](std::span<const std::uint8_t> bytes) { return decode(bytes); }, [](std::span<const std::uint8_t> b) {
        static const std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        return b.size() >= 8 && std::equal(kPng, kPng + 8, b.begin());
    });
}

}  // namespace kalidor::png
