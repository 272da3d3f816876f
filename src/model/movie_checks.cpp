#include "model/movie_checks.h"

#include "encode/command_line.h"
#include "model/pic_object.h"

#include <filesystem>

namespace kalidor {

std::optional<std::string> MovieSizeProblem(int width, int height) {
    if (width < kMinMovieSide || height < kMinMovieSide)
        return "動画のサイズは100x100以上にしてください";
    if (width > kMaxMovieSide || height > kMaxMovieSide)
        return "動画のサイズは2000x2000以下にしてください";
    return std::nullopt;
}

std::optional<std::string> ExportPathProblem(const TThPicObjectManager& project) {
    std::error_code ec;
    if (project.UseMusic && !std::filesystem::is_regular_file(project.MusicFilePath, ec))
        return "指定された音楽ファイルが見つかりません";
    if (project.SaveFilePath.find_first_not_of(" \t") == std::string::npos)
        return "保存場所を指定してください";
    // The encoder's line quotes each path; one that quoting cannot keep whole would be split
    // into other arguments.
    const char* unusable = "に使えない文字（\"）が含まれています: ";
    if (!CanQuoteInCommandLine(project.ProjectDir))
        return "プロジェクトフォルダのパス" + std::string(unusable) + project.ProjectDir;
    if (project.UseMusic && !CanQuoteInCommandLine(project.MusicFilePath))
        return "音楽ファイルのパス" + std::string(unusable) + project.MusicFilePath;
    if (!CanQuoteInCommandLine(project.SaveFilePath))
        return "動画の保存先" + std::string(unusable) + project.SaveFilePath;
    return std::nullopt;
}

}  // namespace kalidor
