#include "imaging/png_writer.h"

#include "platform/error.h"
#include "platform/file_io.h"

#include <csetjmp>
#include <cstring>
#include <map>
#include <optional>
#include <span>
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
               png_bytepp rows, std::vector<png_text>& text, int compressionLevel) {
    if (setjmp(state.jump))
        return false;
    png_set_write_fn(png, nullptr, onWrite, onFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, compressionLevel);
    if (!text.empty())
        png_set_text(png, info, text.data(), static_cast<int>(text.size()));
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

std::vector<std::uint8_t> encode(const Bitmap& bitmap, const std::vector<TextChunk>& text, int compressionLevel) {
    if (bitmap.empty())
        throw Error("PNG: cannot write an empty picture");
    std::vector<png_text> chunks;
    for (const TextChunk& chunk : text) {
        if (chunk.key.empty() || chunk.key.size() > 79)
            throw Error("PNG: text key \"" + chunk.key + "\" is not 1 to 79 bytes long");
        png_text entry{};
        entry.compression = PNG_TEXT_COMPRESSION_NONE;
        entry.key = const_cast<char*>(chunk.key.c_str());  // libpng copies, never writes
        entry.text = const_cast<char*>(chunk.value.c_str());
        entry.text_length = chunk.value.size();
        chunks.push_back(entry);
    }
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
                   alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, rows.data(), chunks, compressionLevel))
        throw Error(std::string("PNG: ") + state.message);
    return bytes;
}

std::optional<std::map<std::string, std::string>> readText(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 8 || std::memcmp(bytes.data(), signature, 8) != 0)
        return std::nullopt;
    std::map<std::string, std::string> text;
    std::size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
                                     std::uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
        if (length > bytes.size() - at - 12)
            return std::nullopt;
        const std::string type(reinterpret_cast<const char*>(bytes.data() + at + 4), 4);
        const char* data = reinterpret_cast<const char*>(bytes.data() + at + 8);
        if (type == "tEXt") {
            const std::string chunk(data, length);
            const std::size_t zero = chunk.find('\0');
            if (zero != std::string::npos)
                text.emplace(chunk.substr(0, zero), chunk.substr(zero + 1));
        } else if (type == "IEND") {
            return text;
        }
        at += 12 + length;
    }
    return std::nullopt;
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
