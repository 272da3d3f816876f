// kalidor-cli frames <project-folder> <output-folder> [--workers N]: the project's frames as
// numbered JPEG files, exactly as an export puts them into tmp/, for other editors.

#include "cli/commands.h"
#include "platform/error.h"
#include "platform/whole_number.h"
#include "translation/catalogue.h"
#include "cli/project_loading.h"
#include "cli/terminal_progress.h"
#include "model/movie_checks.h"
#include "model/th_utility.h"
#include "render/fit_to_movie_frame.h"
#include "render/frame_recipe.h"
#include "render/frame_writer.h"
#include "render/render_picture.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <regex>

namespace kalidor::cli {
namespace {

namespace fs = std::filesystem;

// The frame number of a frame file's name, or nothing for other names.
std::optional<long long> frameNumberOf(const std::string& name) {
    static const std::regex frameName("([0-9]{6,})\\.jpg");
    std::smatch match;
    if (!std::regex_match(name, match, frameName) || match[1].length() > 10)
        return std::nullopt;
    return std::stoll(match[1].str());
}

bool holdsFrameFiles(const fs::path& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (frameNumberOf(entry.path().filename().string()))
            return true;
    return false;
}

// Removes the frames a run wrote when it did not finish, so the folder is as it was. The
// folder held no frame files before, so the frame files there now are the run's; going by the
// folder's entries, not by every number the run might have reached, keeps this as short as the
// run was.
void removeFrames(const std::string& folder, int last) {
    std::error_code ec;
    std::vector<fs::path> written;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (const auto n = frameNumberOf(entry.path().filename().string()); n && *n >= 1 && *n <= last)
            written.push_back(entry.path());
    for (const auto& path : written)
        fs::remove(path, ec);
}

}  // namespace

int runFrames(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    int workers = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--workers" && i + 1 < args.size()) {
            const std::string& v = args[++i];
            workers = WholeNumber<int>(v).value_or(0);
            if (workers < 1 || workers > 256) {
                reportError("--workers needs a number from 1 to 256, not \"" + v + "\"");
                return kExitUsage;
            }
        } else if (args[i].rfind("--", 0) == 0) {
            reportError("unknown option " + args[i]);
            return kExitUsage;
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2) {
        reportError("usage: kalidor-cli frames <project-folder> <output-folder> [--workers N]");
        return kExitUsage;
    }

    TThPicObjectManager project;
    try {
        loadProjectFolder(projectFolderPath(positional[0]), project);
    } catch (const std::exception& e) {
        reportError(MessageOf(e));
        return kExitFailed;
    }
    if (const auto problem = MovieSizeProblem(project.MovWidth, project.MovHeight)) {
        reportError(Catalogue::ForInterface()(*problem) + " (" + std::to_string(project.MovWidth) + " x " +
                    std::to_string(project.MovHeight) + ")");
        return kExitFailed;
    }
    if (const auto problem = MovieLengthProblem(project)) {
        reportError(*problem);
        return kExitFailed;
    }
    const std::string out = projectFolderPath(positional[1]);
    std::error_code ec;
    fs::create_directories(out, ec);
    if (ec || !fs::is_directory(out)) {
        reportError("cannot make the output folder " + out + (ec ? ": " + ec.message() : ""));
        return kExitFailed;
    }
    if (holdsFrameFiles(out)) {
        reportError(out + " already holds frame files; choose an empty folder");
        return kExitFailed;
    }

    InstallInterruptHandler();
    TerminalProgress progress(project.TotalFrames());
    progress.SetLabel("frames");
    RenderOptions options;
    options.workers = workers;
    int next = 1;
    int lastTried = 0;  // the highest frame number a run so far may have written
    try {
        for (int i = 0; i < project.Count(); ++i) {
            const TThPicObject& picture = project.Items(i);
            lastTried = next + FramesOfPicture(picture.DisplayTime) - 1;
            Bitmap fitted;
            ThUtility::LoadImageFile(picture.PicturePath, fitted);
            if (fitted.empty())
                throw MessageError(ThUtility::UnsupportedImageMessage(picture.PicturePath));
            FitToMovieFrame(fitted, project.MovWidth, project.MovHeight);
            const int after = RenderPicture(fitted, out, picture, next, progress, options);
            if (after < 0) {
                progress.Finish();
                removeFrames(out, lastTried);
                reportError("cancelled; the frames written so far were removed");
                return kExitCancelled;
            }
            next = after;
        }
        lastTried = next + kClosingFrames - 1;
        next = WriteClosingFrames(project.MovWidth, project.MovHeight, out, next);
    } catch (const std::exception& e) {
        progress.Finish();
        removeFrames(out, lastTried);
        reportError(MessageOf(e));
        return kExitFailed;
    }
    progress.Finish();
    std::cout << "wrote " << next - 1 << " frames (" << FrameFileName(1) << " to " << FrameFileName(next - 1)
              << ") into " << out << "\n";
    return kExitOk;
}

}  // namespace kalidor::cli
