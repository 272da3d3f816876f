#include "model/movie_checks.h"

namespace kalidor {

std::optional<std::string> MovieSizeProblem(int width, int height) {
    if (width < kMinMovieSide || height < kMinMovieSide)
        return "動画のサイズは100x100以上にしてください";
    if (width > kMaxMovieSide || height > kMaxMovieSide)
        return "動画のサイズは2000x2000以下にしてください";
    return std::nullopt;
}

}  // namespace kalidor
