// kalidor-cli export <project-folder> [options]: the project made into a movie with its own
// settings; options override them for this run only (the project file is not changed).

#include "cli/commands.h"
#include "platform/error.h"
#include "platform/whole_number.h"
#include "translation/catalogue.h"
#include "encode/encoder_arguments.h"
#include "cli/project_loading.h"
#include "cli/terminal_progress.h"
#include "cli/terminal_status.h"
#include "model/movie_checks.h"
#include "model/th_utility.h"
#include "platform/dispatcher.h"
#include "render/make_movie_thread.h"

#include <filesystem>
#include <iostream>

namespace kalidor::cli {
namespace {

namespace fs = std::filesystem;

const char* kUsage =
    "usage: kalidor-cli export <project-folder> [--out PATH] [--format mp4|avi|mpeg] [--size WxH]\n"
    "                          [--quality 0-4] [--music FILE] [--workers N] [--frames-first] [--dry-run]";

bool parseInt(const std::string& text, int& value) {
    const auto number = WholeNumber<int>(text);
    if (number)
        value = *number;
    return number.has_value();
}

// The movie's extension for a format, as the settings page gives it.
const char* extensionOf(std::uint8_t movType) {
    switch (movType) {
    case 0: return ".MP4";
    case 1: return ".AVI";
    default: return ".MPG";
    }
}

struct ExportArguments {
    std::string folder;
    std::optional<std::string> out, music;
    std::optional<std::uint8_t> format, quality;
    std::optional<std::pair<int, int>> size;
    int workers = 0;
    bool framesFirst = false;
    bool dryRun = false;
};

// Returns an error message, or nothing when the arguments are fine.
std::optional<std::string> parseArguments(const std::vector<std::string>& args, ExportArguments& a) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (arg == "--dry-run") {
            a.dryRun = true;
        } else if (arg == "--frames-first") {
            a.framesFirst = true;
        } else if (arg == "--out" || arg == "--music" || arg == "--format" || arg == "--size" ||
                   arg == "--quality" || arg == "--workers") {
            const auto v = value();
            if (!v)
                return arg + " needs a value";
            if (arg == "--out") {
                a.out = *v;
            } else if (arg == "--music") {
                a.music = *v;
            } else if (arg == "--format") {
                if (*v == "mp4") a.format = 0;
                else if (*v == "avi") a.format = 1;
                else if (*v == "mpeg") a.format = 2;
                else return "--format takes mp4, avi or mpeg, not \"" + *v + "\"";
            } else if (arg == "--size") {
                const auto x = v->find('x');
                int w = 0, h = 0;
                if (x == std::string::npos || !parseInt(v->substr(0, x), w) || !parseInt(v->substr(x + 1), h))
                    return "--size takes WIDTHxHEIGHT, such as 1280x720, not \"" + *v + "\"";
                a.size = std::pair{w, h};
            } else if (arg == "--quality") {
                int q = 0;
                if (!parseInt(*v, q) || q < 0 || q > 4)
                    return "--quality takes 0 (highest) to 4 (lowest), not \"" + *v + "\"";
                a.quality = static_cast<std::uint8_t>(q);
            } else {
                if (!parseInt(*v, a.workers) || a.workers < 1 || a.workers > 256)
                    return "--workers needs a number from 1 to 256, not \"" + *v + "\"";
            }
        } else if (arg.rfind("--", 0) == 0) {
            return "unknown option " + arg;
        } else if (a.folder.empty()) {
            a.folder = arg;
        } else {
            return "one project folder only";
        }
    }
    if (a.folder.empty())
        return std::string(kUsage);
    return std::nullopt;
}

void applyOverrides(const ExportArguments& a, TThPicObjectManager& project) {
    if (a.format) {
        project.MovType = *a.format;
        // As on the settings page, a new format gives the movie path its extension.
        if (!a.out && !project.SaveFilePath.empty()) {
            const std::string ext = ThUtility::ExtractFileExt(project.SaveFilePath);
            project.SaveFilePath =
                project.SaveFilePath.substr(0, project.SaveFilePath.size() - ext.size()) + extensionOf(*a.format);
        }
    }
    // An empty --out stays empty, for the settings check to ask for a movie path.
    if (a.out)
        project.SaveFilePath = a.out->empty() ? std::string() : fs::absolute(*a.out).lexically_normal().string();
    if (a.size) {
        project.MovWidth = a.size->first;
        project.MovHeight = a.size->second;
    }
    if (a.quality)
        project.MovQuality = *a.quality;
    if (a.music) {
        project.UseMusic = true;
        project.MusicFilePath = a.music->empty() ? std::string() : fs::absolute(*a.music).lexically_normal().string();
    }
}

int exitCodeOf(ExportResult result) {
    switch (result) {
    case ExportResult::Completed: return kExitOk;
    case ExportResult::Cancelled: return kExitCancelled;
    case ExportResult::DiskSpaceShort: return kExitDiskSpace;
    case ExportResult::Failed: break;
    }
    return kExitFailed;
}

}  // namespace

int runExport(const std::vector<std::string>& args) {
    ExportArguments a;
    if (const auto problem = parseArguments(args, a)) {
        reportError(*problem);
        return kExitUsage;
    }
    TThPicObjectManager project;
    try {
        loadProjectFolder(projectFolderPath(a.folder), project);
    } catch (const std::exception& e) {
        reportError(MessageOf(e));
        return kExitFailed;
    }
    applyOverrides(a, project);
    const Catalogue& text = Catalogue::ForInterface();
    if (const auto problem = MovieSizeProblem(project.MovWidth, project.MovHeight)) {
        reportError(text(*problem) + " (" + std::to_string(project.MovWidth) + "x" +
                    std::to_string(project.MovHeight) + ")");
        return kExitFailed;
    }
    if (const auto problem = ExportPathProblem(project)) {
        reportError(text(*problem) + (project.SaveFilePath.empty() ? " (give --out PATH)" : ""));
        return kExitFailed;
    }
    for (const auto& problem : {MovieOutputProblem(project), MovieLengthProblem(project)})
        if (problem) {
            reportError(*problem);
            return kExitFailed;
        }
    if (a.dryRun) {
        std::cout << "lib/ffmpeg" << BuildEncoderArguments(project) << "\n";
        return kExitOk;
    }
    // Nothing is made before the export: a failed one leaves no empty folders behind.
    std::error_code ec;
    const fs::path movieFolder = fs::path(project.SaveFilePath).parent_path();
    if (!fs::is_directory(movieFolder, ec)) {
        reportError(Message(QT_TRANSLATE_NOOP("Messages", "保存先のフォルダがありません: %1"), {movieFolder.string()}));
        return kExitFailed;
    }
    const bool hadMovie = fs::exists(fs::symlink_status(project.SaveFilePath, ec));

    InstallInterruptHandler();
    SerialDispatcher dispatcher;
    TerminalStatus status;
    ExportFlags flags;
    ExportResult result = ExportResult::Failed;
    MakeMovieOptions options;
    options.frameWorkers = a.workers;
    options.framesFirst = a.framesFirst;
    {
        TMakeMovieThread thread(project, status, flags, dispatcher, nullptr, options);
        thread.OnCompleted = [&] { result = FinishExport(project.ProjectDir, status, flags); };
        thread.Start();
        thread.Wait();
    }
    status.Finish();
    std::cout << text(ExportResultMessage(result)) << "\n";
    const std::string detail = !status.FailureDetail().empty() ? status.FailureDetail() : text(flags.FailureMessage);
    if (result == ExportResult::Failed && !detail.empty())
        reportError(detail);
    if (result == ExportResult::Completed)
        std::cout << "movie: " << project.SaveFilePath << (hadMovie ? " (the previous movie was replaced)" : "")
                  << "\n";
    else if (hadMovie)
        std::cout << "the previous movie was kept: " << project.SaveFilePath << "\n";
    return exitCodeOf(result);
}

}  // namespace kalidor::cli
