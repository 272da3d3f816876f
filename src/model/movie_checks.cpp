#include "model/movie_checks.h"

#include "platform/command_line.h"
#include "model/pic_object.h"
#include "model/th_utility.h"

#include <algorithm>
#include <climits>
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
    if (project.UseMusic) {
        // What exists but is no regular file would make the encoder wait on a FIFO or read a
        // device; it is refused with what it is.
        std::error_code ec;
        const std::filesystem::file_status music = std::filesystem::status(project.MusicFilePath, ec);
        if (!std::filesystem::exists(music))
            return "指定された音楽ファイルが見つかりません";
        if (std::filesystem::is_directory(music))
            return "指定された音楽ファイルはフォルダです: " + project.MusicFilePath;
        if (!std::filesystem::is_regular_file(music))
            return "指定された音楽ファイルは通常のファイルではありません: " + project.MusicFilePath;
    }
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

std::optional<std::string> ExportPathProblem(const TThPicObjectManager& project, const ExportPaths& paths) {
    // The page's paths are checked as they will be stored: the same rules on a copy of the settings.
    TThPicObjectManager settings;
    settings.ProjectDir = project.ProjectDir;
    settings.UseMusic = paths.useMusic;
    settings.MusicFilePath = paths.musicFilePath;
    settings.SaveFilePath = paths.saveFilePath;
    if (auto problem = ExportPathProblem(settings))
        return problem;
    return MovieOutputProblem(project, paths.saveFilePath);
}

namespace {

namespace fs = std::filesystem;

fs::path resolved(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? fs::path(path).lexically_normal() : p;
}

bool sameFile(const fs::path& a, const fs::path& b) {
    if (a == b)
        return true;
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

bool isInside(const fs::path& path, const fs::path& folder) {
    const auto [end, ignored] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return end == folder.end();
}

}  // namespace

std::optional<std::string> MovieOutputProblem(const TThPicObjectManager& project) {
    return MovieOutputProblem(project, project.SaveFilePath);
}

std::optional<std::string> MovieOutputProblem(const TThPicObjectManager& project, const std::string& saveFilePath) {
    if (saveFilePath.empty() || project.ProjectDir.empty())
        return std::nullopt;
    const fs::path movie = resolved(saveFilePath);
    // tmp/ is checked by its name, not what it resolves to: a link there is replaced anyway.
    const fs::path tmp = resolved(project.ProjectDir).lexically_normal() / "tmp";
    if (isInside(movie, tmp) || isInside(fs::path(saveFilePath).lexically_normal(), tmp))
        return "動画の保存先にプロジェクトの作業フォルダ（tmp）は使えません: " + saveFilePath;
    std::vector<std::string> own{project.ProjectFileName(), project.ProjectDir + "thum.bmp"};
    for (int i = 0; i < project.Count(); ++i)
        own.push_back(project.Items(i).PicturePath);
    for (const auto& file : own)
        if (sameFile(movie, resolved(file)))
            return "動画の保存先にプロジェクトのファイル（" + ThUtility::ExtractFileName(file) +
                   "）は使えません: " + saveFilePath;
    return std::nullopt;
}

std::string MusicWithoutSoundMessage(const std::string& musicPath, const std::string& reason) {
    return "「" + ThUtility::ExtractFileName(musicPath) + "」には音声がありません: " + reason;
}

std::optional<std::string> MovieLengthProblem(const TThPicObjectManager& project) {
    for (int i = 0; i < project.Count(); ++i) {
        const TThPicObject& picture = project.Items(i);
        if (picture.DisplayTime < 1)
            return "「" + ThUtility::ExtractFileName(picture.PicturePath) + "」の表示時間（" +
                   std::to_string(picture.DisplayTime) + "秒）は1秒以上にしてください";
    }
    // Frame numbers are int, and the closing frames come after the last picture.
    if (project.TotalFrames() > INT_MAX - 3)
        return "動画が長すぎます（" + std::to_string(project.TotalSeconds()) + "秒）";
    return std::nullopt;
}

}  // namespace kalidor
