#include "platform/png_writer.h"

#include "platform/error.h"
#include "platform/file_io.h"

#include <csetjmp>
#include <cstring>
#include <memory>

#include <png.h>

// As in the reader: libpng's error callback longjmps back to a setjmp in `writeRows`, which
// holds no object with a destructor, so the jump skips none.

namespace kalidor::png {
namespace {

struct WriteState {
    std::jmp_buf jump;
    char message[256];
    std::vector<std::uint8_t>* out;
};

[[noreturn]] void onError(png_structp png, png_const_charp message) {
    auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
    std::strncpy(state->message, message ? message : "unknown error", sizeof state->message - 1);
    state->message[sizeof state->message - 1] = '\0';
    std::longjmp(state->jump, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
    state->out->insert(state->out->end(), data, data + length);
}

void onFlush(png_structp) {}

bool writeRows(png_structp png, png_infop info, WriteState& state, int width, int height, int colorType,
               png_bytepp rows) {
    if (setjmp(state.jump))
        return false;
    png_set_write_fn(png, nullptr, onWrite, onFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

struct WriteStruct {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteStruct() { png_destroy_write_struct(&png, &info); }
};

}  // namespace

std::vector<std::uint8_t> encode(const Bitmap& bitmap) {
    if (bitmap.empty())
        throw Error("PNG: cannot write an empty picture");
    const bool alpha = bitmap.bitsPerPixel() == 32;
    const Bitmap source = alpha || bitmap.bitsPerPixel() == 24 ? Bitmap() : bitmap.toBgr24();
    const Bitmap& pixels = source.empty() ? bitmap : source;
    const int channels = alpha ? 4 : 3;

    // Blue, green, red rows become red, green, blue (and alpha) rows.
    const std::size_t stride = static_cast<std::size_t>(pixels.width()) * channels;
    std::vector<std::uint8_t> rgb(stride * static_cast<std::size_t>(pixels.height()));
    std::vector<png_bytep> rows(static_cast<std::size_t>(pixels.height()));
    for (int y = 0; y < pixels.height(); ++y) {
        const std::uint8_t* in = pixels.row(y);
        std::uint8_t* out = rgb.data() + stride * static_cast<std::size_t>(y);
        rows[static_cast<std::size_t>(y)] = out;
        for (int x = 0; x < pixels.width(); ++x, in += channels, out += channels) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            if (alpha)
                out[3] = in[3];
        }
    }

    std::vector<std::uint8_t> bytes;
    WriteState state{};
    state.out = &bytes;
    WriteStruct handle;
    handle.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, onError, onWarning);
    if (handle.png)
        handle.info = png_create_info_struct(handle.png);
    if (!handle.png || !handle.info)
        throw Error("PNG: out of memory");
    if (!writeRows(handle.png, handle.info, state, pixels.width(), pixels.height(),
                   alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, rows.data()))
        throw Error(std::string("PNG: ") + state.message);
    return bytes;
}

void writeFile(const Bitmap& bitmap, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = encode(bitmap);
    } catch (const Error& e) {
        throw Error(std::string(e.what()) + " (" + path + ")");
    }
    writeFileAtomically(path, bytes);
}

}  // namespace kalidor::png
