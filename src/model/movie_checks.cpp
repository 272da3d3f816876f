#include "model/movie_checks.h"

#include "encode/command_line.h"
#include "model/pic_object.h"

#include <algorithm>
#include <filesystem>

namespace kalidor {

std::optional<std::string> MovieSizeProblem(int width, int height) {
    if (width < kMinMovieSide || height < kMinMovieSide)
        return "動画のサイズは100x100以上にしてください";
    if (width > kMaxMovieSide || height > kMaxMovieSide)
        return "動画のサイズは2000x2000以下にしてください";
    return std::nullopt;
}

namespace {

// Lexically, and through links that exist, so "dir/../project/x.mp4" and a linked folder count.
std::filesystem::path resolved(const std::string& path) {
    std::error_code ec;
    auto result = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    if (ec)
        result = std::filesystem::path(path).lexically_normal();
    return result.has_filename() ? result : result.parent_path();
}

// The folder itself or anything below it.
bool isWithin(const std::filesystem::path& path, const std::filesystem::path& folder) {
    return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first == folder.end();
}

// The movie would overwrite what the project needs, or be removed with the frames.
bool clashesWithProject(const TThPicObjectManager& project, const std::string& saveFilePath) {
    const auto movie = resolved(saveFilePath);
    if (isWithin(movie, resolved(project.ProjectDir + "tmp")) || movie == resolved(project.ProjectFileName()) ||
        movie == resolved(project.ProjectDir + "thum.bmp"))
        return true;
    for (int i = 0; i < project.Count(); ++i)
        if (movie == resolved(project.Items(i).PicturePath))
            return true;
    return false;
}

}  // namespace

std::optional<std::string> ExportPathProblem(const TThPicObjectManager& project) {
    return ExportPathProblem(project, {project.UseMusic, project.MusicFilePath, project.SaveFilePath});
}

std::optional<std::string> ExportPathProblem(const TThPicObjectManager& project, const ExportPaths& paths) {
    const std::string& projectDir = project.ProjectDir;
    const auto& [useMusic, musicFilePath, saveFilePath] = paths;
    std::error_code ec;
    if (useMusic && !std::filesystem::is_regular_file(musicFilePath, ec))
        return "指定された音楽ファイルが見つかりません";
    if (saveFilePath.find_first_not_of(" \t") == std::string::npos)
        return "保存場所を指定してください";
    // The encoder's line quotes each path; one that quoting cannot keep whole would be split
    // into other arguments.
    const char* unusable = "に使えない文字（\"）が含まれています: ";
    if (!CanQuoteInCommandLine(projectDir))
        return "プロジェクトフォルダのパス" + std::string(unusable) + projectDir;
    if (useMusic && !CanQuoteInCommandLine(musicFilePath))
        return "音楽ファイルのパス" + std::string(unusable) + musicFilePath;
    if (!CanQuoteInCommandLine(saveFilePath))
        return "動画の保存先" + std::string(unusable) + saveFilePath;
    if (!projectDir.empty() && clashesWithProject(project, saveFilePath))
        return "動画の保存先にプロジェクトのファイルは使えません: " + saveFilePath;
    return std::nullopt;
}

}  // namespace kalidor
