#include "model/export_start.h"

#include "model/movie_checks.h"
#include "model/pic_object.h"
#include "model/th_utility.h"

#include <filesystem>

namespace kalidor {

ExportStartCheck CheckExportStart(const MovieSettingsPage& page, const TThPicObjectManager& project) {
    ExportStartCheck check;
    check.refusal = MovieSizeProblem(page.width, page.height);
    if (!check.refusal)
        check.refusal = ExportPathProblem(project, {page.useMusic, page.musicFilePath, page.saveFilePath});
    std::error_code ec;
    if (!check.refusal && std::filesystem::exists(page.saveFilePath, ec) &&
        !std::filesystem::is_directory(page.saveFilePath, ec))
        check.overwriteQuestion = OverwriteQuestion(page.saveFilePath);
    return check;
}

Message OverwriteQuestion(const std::string& moviePath) {
    return {QT_TRANSLATE_NOOP("Messages", "%1は既に存在します。\r\n上書きしてもよろしいですか？"),
            {ThUtility::ExtractFileName(moviePath)}};
}

std::string MovieFolderOf(const std::string& moviePath) {
    const auto slash = moviePath.find_last_of('/');
    return slash == std::string::npos ? std::string() : moviePath.substr(0, slash + 1);
}

bool MakeMovieFolder(const std::string& moviePath) {
    const std::string folder = MovieFolderOf(moviePath);
    if (folder.empty())
        return true;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

}  // namespace kalidor
