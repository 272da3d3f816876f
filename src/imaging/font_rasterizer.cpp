#include "imaging/font_rasterizer.h"

#include "imaging/bitmap.h"
#include "platform/error.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_map>
#include <utility>

namespace kalidor {
namespace {

// One owner per C handle.
struct FtLibraryDone {
    void operator()(FT_Library library) const noexcept { FT_Done_FreeType(library); }
};
struct FtFaceDone {
    void operator()(FT_Face face) const noexcept { FT_Done_Face(face); }
};
struct FcPatternDone {
    void operator()(FcPattern* pattern) const noexcept { FcPatternDestroy(pattern); }
};
struct FcFontSetDone {
    void operator()(FcFontSet* set) const noexcept { FcFontSetDestroy(set); }
};
using FtLibraryPtr = std::unique_ptr<FT_LibraryRec_, FtLibraryDone>;
using FtFacePtr = std::unique_ptr<FT_FaceRec_, FtFaceDone>;
using FcPatternPtr = std::unique_ptr<FcPattern, FcPatternDone>;
using FcFontSetPtr = std::unique_ptr<FcFontSet, FcFontSetDone>;

// Keeps sizes where a single glyph bitmap stays a few megabytes.
constexpr int kMaxPointSize = 1000;
// Widths are summed in 64 bits and kept below this so that positions computed from them
// cannot overflow an int.
constexpr std::int64_t kMaxTextExtent = std::int64_t{1} << 28;
// The oblique shear of synthesized italics, tan(12 degrees) in 16.16.
constexpr FT_Fixed kObliqueShear = 0x0366A;

void checkFreeType(FT_Error error, const char* what) {
    if (error != 0) {
        const char* name = FT_Error_String(error);
        throw Error(std::string("Font: FreeType failed ") + what + " (error " + std::to_string(error) +
                    (name ? std::string(", ") + name : std::string()) + ")");
    }
}

void ensureFontconfig() {
    static const bool initialised = FcInit() == FcTrue;  // once per process, thread-safe
    if (!initialised) throw Error("Font: fontconfig could not be initialised");
}

// round(value * numerator / denominator), halves away from zero.
int mulDivRound(std::int64_t value, std::int64_t numerator, std::int64_t denominator) noexcept {
    const std::int64_t product = value * numerator;
    const std::int64_t half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

std::string patternString(const FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || value == nullptr) return {};
    return reinterpret_cast<const char*>(value);
}

int patternInteger(const FcPattern* pattern, const char* object, int fallback) {
    int value = fallback;
    return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

struct LoadedFace {
    FtFacePtr face;
    std::string file;
    int index = 0;
    std::string family;
    bool synthBold = false;
    bool synthItalic = false;
    int pixelSize = 0;  // the size last set on the face
};

struct FallbackCandidate {
    std::string file;
    int index = 0;
    const FcPattern* font = nullptr;     // borrowed from the sorted font set
    const FcCharSet* charset = nullptr;  // borrowed from the sorted font set
    int face = -1;                       // index into the opened faces; -1 unopened, -2 unusable
};

struct GlyphRef {
    int face = 0;
    FT_UInt glyph = 0;
};

}  // namespace

struct FontRasterizer::Impl {
    bool bold = false;
    bool italic = false;
    // Declared before the faces so that the faces are closed first.
    FtLibraryPtr library;
    std::vector<LoadedFace> faces;  // [0] is the primary face
    FcPatternPtr request;
    FcFontSetPtr sorted;
    std::vector<FallbackCandidate> candidates;
    bool candidatesListed = false;
    std::unordered_map<char32_t, GlyphRef> glyphs;
    std::unordered_map<std::uint64_t, int> advances;  // at the current size
    int points = 0;
    int pixels = 0;
    int ascent = 0;
    int descent = 0;

    LoadedFace openFace(const FcPattern* font) {
        LoadedFace loaded;
        loaded.file = patternString(font, FC_FILE);
        loaded.index = patternInteger(font, FC_INDEX, 0);
        loaded.family = patternString(font, FC_FAMILY);
        if (loaded.file.empty()) throw Error("Font: fontconfig gave a face without a file");
        FT_Face face = nullptr;
        checkFreeType(FT_New_Face(library.get(), loaded.file.c_str(), loaded.index, &face),
                      ("opening " + loaded.file).c_str());
        loaded.face.reset(face);
        // Synthesize only what the face itself does not provide. The face's own flags decide:
        // fontconfig's configuration relabels a regular face as bold or oblique when it expects
        // the caller to synthesize.
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        const bool heavy = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0 ||
                           (os2 != nullptr && os2->version != 0xFFFF && os2->usWeightClass >= 600);
        loaded.synthBold = bold && !heavy;
        loaded.synthItalic = italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
        return loaded;
    }

    void sizeFace(LoadedFace& loaded) {
        if (loaded.pixelSize == pixels) return;
        FT_Face face = loaded.face.get();
        FT_Error error = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels));
        if (error != 0 && face->num_fixed_sizes > 0) {
            // A bitmap-only face: the strike nearest the wanted size.
            int best = 0;
            for (int i = 1; i < face->num_fixed_sizes; ++i)
                if (std::abs(face->available_sizes[i].height - pixels) <
                    std::abs(face->available_sizes[best].height - pixels))
                    best = i;
            error = FT_Select_Size(face, best);
        }
        checkFreeType(error, "setting the size");
        loaded.pixelSize = pixels;
    }

    int scale(long fontUnits) const noexcept {
        return mulDivRound(fontUnits, pixels, std::max<int>(faces[0].face->units_per_EM, 1));
    }

    void updateMetrics() {
        LoadedFace& primary = faces[0];
        sizeFace(primary);
        FT_Face face = primary.face.get();
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (FT_IS_SCALABLE(face) && os2 != nullptr && os2->version != 0xFFFF &&
            os2->usWinAscent + os2->usWinDescent > 0) {
            // The Windows line: the face's win ascent and descent, each rounded to pixels.
            ascent = scale(os2->usWinAscent);
            descent = scale(os2->usWinDescent);
        } else {
            ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
            descent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
        }
    }

    void listCandidates() {
        candidatesListed = true;
        FcResult result = FcResultNoMatch;
        sorted.reset(FcFontSort(nullptr, request.get(), FcTrue, nullptr, &result));
        if (!sorted) return;
        for (int i = 0; i < sorted->nfont; ++i) {
            FallbackCandidate candidate;
            candidate.font = sorted->fonts[i];
            candidate.file = patternString(candidate.font, FC_FILE);
            candidate.index = patternInteger(candidate.font, FC_INDEX, 0);
            FcCharSet* charset = nullptr;
            if (candidate.file.empty() ||
                FcPatternGetCharSet(candidate.font, FC_CHARSET, 0, &charset) != FcResultMatch)
                continue;
            candidate.charset = charset;
            candidates.push_back(std::move(candidate));
        }
    }

    int openCandidate(FallbackCandidate& candidate) {
        for (std::size_t i = 0; i < faces.size(); ++i)
            if (faces[i].file == candidate.file && faces[i].index == candidate.index)
                return static_cast<int>(i);
        try {
            faces.push_back(openFace(candidate.font));
        } catch (const Error&) {
            return -2;  // a broken font file must not stop the other faces from being tried
        }
        return static_cast<int>(faces.size() - 1);
    }

    std::optional<GlyphRef> fromFallback(char32_t character) {
        if (!candidatesListed) listCandidates();
        for (FallbackCandidate& candidate : candidates) {
            if (candidate.face == -2 || !FcCharSetHasChar(candidate.charset, character)) continue;
            if (candidate.face == -1) candidate.face = openCandidate(candidate);
            if (candidate.face < 0) continue;
            const FT_UInt glyph = FT_Get_Char_Index(faces[candidate.face].face.get(), character);
            if (glyph != 0) return GlyphRef{candidate.face, glyph};
        }
        return std::nullopt;
    }

    GlyphRef resolve(char32_t character) {
        if (auto found = glyphs.find(character); found != glyphs.end()) return found->second;
        GlyphRef ref{0, FT_Get_Char_Index(faces[0].face.get(), character)};
        if (ref.glyph == 0) {
            // No face has it: the primary face's missing-glyph box.
            if (auto fallback = fromFallback(character)) ref = *fallback;
        }
        glyphs.emplace(character, ref);
        return ref;
    }

    // Synthetic bold widens by about 1/24 em (as FreeType's own emboldening), in whole pixels
    // so that advances stay whole.
    int boldExtra() const noexcept { return std::max(1, (pixels + 12) / 24); }

    // Loads the glyph at the current size; returns its advance in whole pixels.
    int load(GlyphRef ref, bool forDrawing) {
        LoadedFace& loaded = faces[ref.face];
        sizeFace(loaded);
        FT_Face face = loaded.face.get();
        // Outlines always, so that the synthesized styles apply; bitmap-only faces as they are.
        FT_Error error = FT_Load_Glyph(face, ref.glyph, FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP);
        if (error != 0) error = FT_Load_Glyph(face, ref.glyph, FT_LOAD_TARGET_LIGHT | FT_LOAD_COLOR);
        checkFreeType(error, "loading a glyph");
        FT_GlyphSlot slot = face->glyph;
        // Light hinting rounds advances already; rounding here makes whole pixels certain.
        int advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (loaded.synthBold) advance += boldExtra();
        if (forDrawing && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            if (loaded.synthBold) {
                const FT_Pos strength = static_cast<FT_Pos>(boldExtra()) * 64;
                checkFreeType(FT_Outline_EmboldenXY(&slot->outline, strength, strength), "emboldening");
            }
            if (loaded.synthItalic) {
                FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
                FT_Outline_Transform(&slot->outline, &shear);
            }
        }
        return advance;
    }

    int advance(GlyphRef ref) {
        const std::uint64_t key = (static_cast<std::uint64_t>(ref.face) << 32) | ref.glyph;
        if (auto found = advances.find(key); found != advances.end()) return found->second;
        const int width = load(ref, false);
        advances.emplace(key, width);
        return width;
    }

    std::int64_t width(const std::u32string& text) {
        std::int64_t sum = 0;
        for (char32_t character : text) {
            sum += advance(resolve(character));
            if (sum >= kMaxTextExtent) return kMaxTextExtent;
        }
        return sum;
    }

    struct Stroke {
        int top = 0;
        int thickness = 0;
    };

    Stroke underline() const {
        FT_Face face = faces[0].face.get();
        Stroke stroke;
        if (FT_IS_SCALABLE(face) && face->underline_thickness > 0) {
            stroke.thickness = std::max(1, scale(face->underline_thickness));
            // FreeType gives the stroke's centre, negative below the baseline.
            stroke.top = ascent - scale(face->underline_position) - stroke.thickness / 2;
        } else {
            stroke.thickness = std::max(1, (pixels + 7) / 14);
            stroke.top = ascent + std::max(1, descent / 2) - stroke.thickness / 2;
        }
        return stroke;
    }

    Stroke strikeOut() const {
        FT_Face face = faces[0].face.get();
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        Stroke stroke;
        if (FT_IS_SCALABLE(face) && os2 != nullptr && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
            stroke.thickness = std::max(1, scale(os2->yStrikeoutSize));
            stroke.top = ascent - scale(os2->yStrikeoutPosition);  // the stroke's top above the baseline
        } else {
            // About half the height of the lower-case letters.
            stroke.thickness = underline().thickness;
            stroke.top = ascent - (pixels + 2) / 4 - stroke.thickness / 2;
        }
        return stroke;
    }
};

namespace {

struct Piece {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> alpha;
};

// The rendered glyph as 8-bit coverage; other pixel modes than grey, mono and colour give nothing.
Piece pieceOf(const FT_Bitmap& bitmap, int left, int top) {
    Piece piece{left, top, static_cast<int>(bitmap.width), static_cast<int>(bitmap.rows), {}};
    piece.alpha.resize(static_cast<std::size_t>(piece.width) * piece.height);
    for (int y = 0; y < piece.height; ++y) {
        const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        std::uint8_t* target = piece.alpha.data() + static_cast<std::size_t>(y) * piece.width;
        for (int x = 0; x < piece.width; ++x) {
            switch (bitmap.pixel_mode) {
            case FT_PIXEL_MODE_GRAY:
                target[x] =
                    bitmap.num_grays == 256
                        ? source[x]
                        : static_cast<std::uint8_t>(source[x] * 255 / std::max(1, bitmap.num_grays - 1));
                break;
            case FT_PIXEL_MODE_MONO: target[x] = (source[x / 8] & (0x80 >> (x % 8))) ? 255 : 0; break;
            case FT_PIXEL_MODE_BGRA: target[x] = source[x * 4 + 3]; break;
            default: target[x] = 0;
            }
        }
    }
    return piece;
}

// Coverage laid over coverage, as if the two were painted one after the other.
std::uint8_t over(std::uint8_t below, std::uint8_t above) noexcept {
    return static_cast<std::uint8_t>(below + (above * (255 - below) + 127) / 255);
}

}  // namespace

int PointsToPixels(int points) noexcept { return mulDivRound(points, 96, 72); }

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80           ? 1
                     : (lead >> 5) == 0x6  ? 2
                     : (lead >> 4) == 0xE  ? 3
                     : (lead >> 3) == 0x1E ? 4
                                           : 0;
        char32_t value = length == 1   ? lead
                         : length == 2 ? lead & 0x1F
                         : length == 3 ? lead & 0x0F
                                       : lead & 0x07;
        bool valid = length > 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            value = (value << 6) | (next & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid && (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)))
            valid = false;
        if (valid) {
            out.push_back(value);
            i += length;
        } else {
            out.push_back(U'\uFFFD');
            ++i;
            while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
        }
    }
    return out;
}

FontRasterizer::FontRasterizer(std::string_view family, bool bold, bool italic)
    : impl_(std::make_unique<Impl>()) {
    ensureFontconfig();
    impl_->bold = bold;
    impl_->italic = italic;
    FT_Library library = nullptr;
    checkFreeType(FT_Init_FreeType(&library), "initialising");
    impl_->library.reset(library);

    FcPatternPtr pattern(FcPatternCreate());
    if (!pattern) throw Error("Font: out of memory for a font pattern");
    const std::string name(family);
    if (!name.empty())
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    // Japanese added so that an uninstalled face name still yields a face that has kana and kanji.
    FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());

    FcResult result = FcResultNoMatch;
    FcPatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match) throw Error("Font: no installed font for \"" + name + "\"");
    impl_->faces.push_back(impl_->openFace(match.get()));
    impl_->request = std::move(pattern);
    SetPointSize(12);
}

FontRasterizer::~FontRasterizer() = default;
FontRasterizer::FontRasterizer(FontRasterizer&&) noexcept = default;
FontRasterizer& FontRasterizer::operator=(FontRasterizer&&) noexcept = default;

void FontRasterizer::SetPointSize(int points) {
    points = std::clamp(points, 1, kMaxPointSize);
    if (points == impl_->points) return;
    const int pixels = std::max(1, PointsToPixels(points));
    impl_->points = points;
    if (pixels == impl_->pixels) return;
    impl_->pixels = pixels;
    impl_->advances.clear();
    impl_->updateMetrics();
}

int FontRasterizer::PointSize() const noexcept { return impl_->points; }
int FontRasterizer::PixelSize() const noexcept { return impl_->pixels; }
int FontRasterizer::Ascent() const noexcept { return impl_->ascent; }
int FontRasterizer::Descent() const noexcept { return impl_->descent; }

int FontRasterizer::TextWidth(std::string_view text) {
    return static_cast<int>(impl_->width(DecodeUtf8(text)));
}

std::string FontRasterizer::PrimaryFamily() const { return impl_->faces[0].family; }

std::string FontRasterizer::FamilyFor(char32_t character) {
    return impl_->faces[impl_->resolve(character).face].family;
}

CoverageMask FontRasterizer::Rasterize(std::string_view text, bool underline, bool strikeOut,
                                       const CellRect& visible) {
    Impl& impl = *impl_;
    const std::u32string characters = DecodeUtf8(text);
    const int totalWidth = static_cast<int>(impl.width(characters));
    // Ink can reach this far beyond its advance (bearings, italic shear, emboldening).
    const int slack = 2 * impl.pixels + 2;

    std::vector<Piece> pieces;
    std::int64_t pen = 0;
    for (char32_t character : characters) {
        if (pen > visible.right + slack) break;
        const GlyphRef ref = impl.resolve(character);
        const int advance = impl.advance(ref);
        if (pen + advance + slack >= visible.left) {
            impl.load(ref, true);
            FT_GlyphSlot slot = impl.faces[ref.face].face->glyph;
            if (slot->format != FT_GLYPH_FORMAT_BITMAP)
                checkFreeType(FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL), "rendering a glyph");
            if (slot->bitmap.width > 0 && slot->bitmap.rows > 0)
                pieces.push_back(pieceOf(slot->bitmap, static_cast<int>(pen) + slot->bitmap_left,
                                         impl.ascent - slot->bitmap_top));
        }
        pen += advance;
    }

    std::vector<Impl::Stroke> strokes;
    if (underline) strokes.push_back(impl.underline());
    if (strikeOut) strokes.push_back(impl.strikeOut());

    // The union of the ink, cut to the visible part.
    std::int64_t left = std::numeric_limits<int>::max(), top = left, right = std::numeric_limits<int>::min(),
                 bottom = right;
    auto include = [&](std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b) {
        left = std::min(left, l), top = std::min(top, t), right = std::max(right, r),
        bottom = std::max(bottom, b);
    };
    for (const Piece& piece : pieces)
        include(piece.left, piece.top, piece.left + piece.width, piece.top + piece.height);
    if (totalWidth > 0)
        for (const Impl::Stroke& stroke : strokes)
            include(0, stroke.top, totalWidth, stroke.top + stroke.thickness);
    left = std::max<std::int64_t>(left, visible.left);
    top = std::max<std::int64_t>(top, visible.top);
    right = std::min<std::int64_t>(right, visible.right);
    bottom = std::min<std::int64_t>(bottom, visible.bottom);
    CoverageMask mask;
    if (left >= right || top >= bottom) return mask;
    if ((right - left) * (bottom - top) > kMaxBitmapPixels)
        throw Error("Font: caption too large to rasterise");

    mask.left = static_cast<int>(left);
    mask.top = static_cast<int>(top);
    mask.width = static_cast<int>(right - left);
    mask.height = static_cast<int>(bottom - top);
    mask.alpha.assign(static_cast<std::size_t>(mask.width) * mask.height, 0);
    auto cell = [&](int x, int y) -> std::uint8_t& {
        return mask.alpha[static_cast<std::size_t>(y - mask.top) * mask.width + (x - mask.left)];
    };
    for (const Piece& piece : pieces) {
        const int x0 = std::max(piece.left, mask.left),
                  x1 = std::min(piece.left + piece.width, mask.left + mask.width);
        const int y0 = std::max(piece.top, mask.top),
                  y1 = std::min(piece.top + piece.height, mask.top + mask.height);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                std::uint8_t& target = cell(x, y);
                target = over(
                    target,
                    piece.alpha[static_cast<std::size_t>(y - piece.top) * piece.width + (x - piece.left)]);
            }
    }
    if (totalWidth > 0)
        for (const Impl::Stroke& stroke : strokes) {
            const int x0 = std::max(0, mask.left), x1 = std::min(totalWidth, mask.left + mask.width);
            const int y0 = std::max(stroke.top, mask.top),
                      y1 = std::min(stroke.top + stroke.thickness, mask.top + mask.height);
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) cell(x, y) = 255;
        }
    return mask;
}

}  // namespace kalidor
