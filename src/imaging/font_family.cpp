#include "imaging/font_family.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <string_view>
#include <utility>

namespace kalidor {
namespace {
struct PatternFree {
    void operator()(FcPattern* p) const noexcept { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternFree>;
}  // namespace

// Windows' Japanese faces and their free look-alikes, proportional ("Ｐ") to proportional:
// fontconfig's own rules alias the ASCII names at best, and never the full-width spelling.
constexpr std::pair<std::string_view, std::string_view> kWindowsFaces[] = {
    {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"}, {"ＭＳ ゴシック", "IPAGothic"},  // not translated
    {"MS Gothic", "IPAGothic"},       {"ＭＳ Ｐ明朝", "IPAPMincho"},  {"MS PMincho", "IPAPMincho"},  // not translated
    {"ＭＳ 明朝", "IPAMincho"},        {"MS Mincho", "IPAMincho"},  // face names: not translated
};

std::string ResolveFontFamily(const std::string& faceName) {
    if (!FcInit()) return {};
    PatternPtr pattern(FcPatternCreate());
    if (!pattern) return {};
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(faceName.c_str()));
    for (const auto& [windows, alike] : kWindowsFaces)
        if (faceName == windows)
            FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(std::string(alike).c_str()));
    // Japanese requested so that an uninstalled Windows face still gives kana and kanji.
    FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    FcChar8* family = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch || !family) return {};
    return reinterpret_cast<const char*>(family);
}

}  // namespace kalidor
