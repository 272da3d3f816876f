#pragma once
// The checks a movie's settings pass before an export starts, with the messages the user sees.

#include <optional>
#include <string>

namespace kalidor {

inline constexpr int kMinMovieSide = 100;
inline constexpr int kMaxMovieSide = 2000;

// The message for a size outside 100..2000 a side, or nothing when the size is fine.
std::optional<std::string> MovieSizeProblem(int width, int height);

}  // namespace kalidor
