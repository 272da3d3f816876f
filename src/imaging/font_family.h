#pragma once
// Resolves a face name (Windows names such as "ＭＳ Ｐゴシック" included) through fontconfig to
// the family of an installed face that covers Japanese.

#include <string>

namespace kalidor {

// The family name of fontconfig's best match; empty when fontconfig finds nothing.
std::string ResolveFontFamily(const std::string& faceName);

}  // namespace kalidor
