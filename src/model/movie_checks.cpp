#include "model/movie_checks.h"

#include "platform/command_line.h"
#include "model/pic_object.h"
#include "model/th_utility.h"

#include <algorithm>
#include <climits>
#include <filesystem>

namespace kalidor {

std::optional<Message> MovieSizeProblem(int width, int height) {
    if (width < kMinMovieSide || height < kMinMovieSide)
        return Message(QT_TRANSLATE_NOOP("Messages", "動画のサイズは100x100以上にしてください"));
    if (width > kMaxMovieSide || height > kMaxMovieSide)
        return Message(QT_TRANSLATE_NOOP("Messages", "動画のサイズは2000x2000以下にしてください"));
    return std::nullopt;
}

std::optional<Message> ExportPathProblem(const TThPicObjectManager& project) {
    if (project.UseMusic) {
        // What exists but is no regular file would make the encoder wait on a FIFO or read a
        // device; it is refused with what it is.
        std::error_code ec;
        const std::filesystem::file_status music = std::filesystem::status(project.MusicFilePath, ec);
        if (!std::filesystem::exists(music))
            return Message(QT_TRANSLATE_NOOP("Messages", "指定された音楽ファイルが見つかりません"));
        if (std::filesystem::is_directory(music))
            return Message(QT_TRANSLATE_NOOP("Messages", "指定された音楽ファイルはフォルダです: %1"),
                           {project.MusicFilePath});
        if (!std::filesystem::is_regular_file(music))
            return Message(QT_TRANSLATE_NOOP("Messages", "指定された音楽ファイルは通常のファイルではありません: %1"),
                           {project.MusicFilePath});
    }
    if (project.SaveFilePath.find_first_not_of(" \t") == std::string::npos)
        return Message(QT_TRANSLATE_NOOP("Messages", "保存場所を指定してください"));
    // The encoder's line quotes each path; one that quoting cannot keep whole would be split
    // into other arguments.
    if (!CanQuoteInCommandLine(project.ProjectDir))
        return Message(QT_TRANSLATE_NOOP("Messages", "プロジェクトフォルダのパスに使えない文字（\"）が含まれています: %1"),
                       {project.ProjectDir});
    if (project.UseMusic && !CanQuoteInCommandLine(project.MusicFilePath))
        return Message(QT_TRANSLATE_NOOP("Messages", "音楽ファイルのパスに使えない文字（\"）が含まれています: %1"),
                       {project.MusicFilePath});
    if (!CanQuoteInCommandLine(project.SaveFilePath))
        return Message(QT_TRANSLATE_NOOP("Messages", "動画の保存先に使えない文字（\"）が含まれています: %1"),
                       {project.SaveFilePath});
    return std::nullopt;
}

std::optional<Message> ExportPathProblem(const TThPicObjectManager& project, const ExportPaths& paths) {
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

std::optional<Message> MovieOutputProblem(const TThPicObjectManager& project) {
    return MovieOutputProblem(project, project.SaveFilePath);
}

std::optional<Message> MovieOutputProblem(const TThPicObjectManager& project, const std::string& saveFilePath) {
    if (saveFilePath.empty() || project.ProjectDir.empty())
        return std::nullopt;
    const fs::path movie = resolved(saveFilePath);
    // tmp/ is checked by its name, not what it resolves to: a link there is replaced anyway.
    const fs::path tmp = resolved(project.ProjectDir).lexically_normal() / "tmp";
    if (isInside(movie, tmp) || isInside(fs::path(saveFilePath).lexically_normal(), tmp))
        return Message(QT_TRANSLATE_NOOP("Messages", "動画の保存先にプロジェクトの作業フォルダ（tmp）は使えません: %1"),
                       {saveFilePath});
    std::vector<std::string> own{project.ProjectFileName(), project.ProjectDir + "thum.bmp"};
    for (int i = 0; i < project.Count(); ++i)
        own.push_back(project.Items(i).PicturePath);
    for (const auto& file : own)
        if (sameFile(movie, resolved(file)))
            return Message(QT_TRANSLATE_NOOP("Messages", "動画の保存先にプロジェクトのファイル（%1）は使えません: %2"),
                           {ThUtility::ExtractFileName(file), saveFilePath});
    return std::nullopt;
}

Message MusicWithoutSoundMessage(const std::string& musicPath, const std::string& reason) {
    return Message(QT_TRANSLATE_NOOP("Messages", "「%1」には音声がありません: %2"),
                   {ThUtility::ExtractFileName(musicPath), reason});
}

std::optional<Message> MovieLengthProblem(const TThPicObjectManager& project) {
    for (int i = 0; i < project.Count(); ++i) {
        const TThPicObject& picture = project.Items(i);
        if (picture.DisplayTime < 1)
            return Message(QT_TRANSLATE_NOOP("Messages", "「%1」の表示時間（%2秒）は1秒以上にしてください"),
                           {ThUtility::ExtractFileName(picture.PicturePath), std::to_string(picture.DisplayTime)});
    }
    // Frame numbers are int, and the closing frames come after the last picture.
    if (project.TotalFrames() > INT_MAX - 3)
        return Message(QT_TRANSLATE_NOOP("Messages", "動画が長すぎます（%1秒）"), {std::to_string(project.TotalSeconds())});
    return std::nullopt;
}

}  // namespace kalidor
