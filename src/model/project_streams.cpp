#include "model/project_streams.h"

#include "imaging/bmp_codec.h"
#include "platform/error.h"
#include "platform/text_encoding.h"

#include <limits>

namespace kalidor::ThUtility {
namespace {

constexpr std::int32_t kGraphicBitmap = 1;
constexpr std::int64_t kMaxThumbnailPixels = 16LL * 1000 * 1000;

}  // namespace

void WriteString(ByteWriter& out, const std::string& utf8) {
    const std::string bytes = Utf8ToShiftJis(utf8);
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw Error("text: a text of " + std::to_string(bytes.size()) + " bytes is too long to store");
    out.int32(static_cast<std::int32_t>(bytes.size()));
    out.raw(bytes);
}

std::string ReadString(ByteReader& in, const char* field) {
    const std::int32_t length = in.int32(field);
    if (length <= 0)
        return {};
    const auto bytes = in.raw(static_cast<std::size_t>(length), field);
    try {
        return ShiftJisToUtf8({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    } catch (const Error& e) {
        in.fail(std::string(field) + ": " + e.what());
    }
}

void WriteFont(ByteWriter& out, const CaptionFont& font) {
    out.int32(font.Size);
    out.int32(static_cast<std::int32_t>(font.Color));
    WriteString(out, font.Name);
    out.byte(font.Style & 0x0F);
}

void ReadFont(ByteReader& in, CaptionFont& font) {
    font.Size = in.int32("font size");
    font.Color = static_cast<std::uint32_t>(in.int32("font colour"));
    font.Name = ReadString(in, "font name");
    font.Style = in.byte("font style") & 0x0F;
}

void WriteGraphic(ByteWriter& out, const Bitmap& graphic) {
    if (graphic.empty()) {
        out.int32(0);
        return;
    }
    const auto payload = bmp::encode(graphic);
    out.int32(static_cast<std::int32_t>(payload.size()));
    out.int32(kGraphicBitmap);
    out.raw(payload);
}

void ReadGraphic(ByteReader& in, Bitmap& graphic) {
    const std::int32_t length = in.int32("thumbnail length");
    graphic = Bitmap();
    if (length == 0)
        return;
    if (length < 0)
        in.fail("negative thumbnail length " + std::to_string(length));
    const std::int32_t kind = in.int32("thumbnail kind");
    const auto payload = in.raw(static_cast<std::size_t>(length), "thumbnail");
    if (kind != kGraphicBitmap)
        return;
    try {
        // Thumbnails are small; a huge claim is damage, not a picture worth the memory.
        graphic = bmp::decode(payload, kMaxThumbnailPixels);
    } catch (const Error&) {
        graphic = Bitmap();
    }
}

}  // namespace kalidor::ThUtility
