// kalidor-cli info <project-folder>: the settings, the pictures and the encoder line.

#include "cli/commands.h"
#include "platform/error.h"
#include "translation/catalogue.h"
#include "encode/encoder_arguments.h"
#include "cli/project_loading.h"
#include "model/movie_checks.h"
#include "model/movie_settings.h"
#include "model/th_utility.h"

#include <cstdio>
#include <iostream>

namespace kalidor::cli {
namespace {

const char* formatName(std::uint8_t movType) {
    switch (movType) {
    case 0: return "MP4";
    case 1: return "AVI";
    case 2: return "MPEG";
    default: return "unknown";
    }
}

const char* qualityName(std::uint8_t quality) {
    return quality < kQualityItemCount ? Catalogue::ForInterface()(kQualityItems[quality]) : "unknown";
}

const char* picActionName(std::uint8_t action) {
    static const char* const names[] = {"apNone",         "apZoomIN",       "apZoomOut",      "apCurtainLeft",
                                        "apCurtainRight", "apBlindHorizon", "apBlindVertical"};
    return action < 7 ? names[action] : "unknown";
}

const char* strActionName(std::uint8_t action) {
    static const char* const names[] = {"asNone", "asCenterL", "asCenterC", "asCenterR", "asTopL",
                                        "asTopC", "asTopR",    "asBottomL", "asBottomC", "asBottomR"};
    return action < 10 ? names[action] : "unknown";
}

std::string colorText(std::uint32_t color) {
    char text[32];
    if (color & kSystemColorFlag)
        std::snprintf(text, sizeof text, "system colour %u", color & ~kSystemColorFlag);
    else  // 0x00BBGGRR shown as the usual #RRGGBB
        std::snprintf(text, sizeof text, "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    return text;
}

std::string fontText(const CaptionFont& font) {
    std::string text = "\"" + font.Name + "\" " + std::to_string(font.Size) + " pt " + colorText(font.Color);
    if (font.Style & fsBold) text += " bold";
    if (font.Style & fsItalic) text += " italic";
    if (font.Style & fsUnderline) text += " underline";
    if (font.Style & fsStrikeOut) text += " strike-out";
    return text;
}

}  // namespace

int runInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        reportError("usage: kalidor-cli info <project-folder>");
        return kExitUsage;
    }
    TThPicObjectManager project;
    const std::string folder = projectFolderPath(args[0]);
    try {
        loadProjectFolder(folder, project);
    } catch (const std::exception& e) {
        reportError(MessageOf(e));
        return kExitFailed;
    }

    std::cout << "project: " << project.ProjectDir << "\n"
              << "format: " << formatName(project.MovType) << " (MovType " << int(project.MovType) << ")\n"
              << "size: " << project.MovWidth << " x " << project.MovHeight << " ("
              << (project.MovRatio == 1 ? "16:9" : project.MovRatio == 0 ? "4:3" : "unknown") << ")\n"
              << "quality: " << qualityName(project.MovQuality) << " (MovQuality " << int(project.MovQuality) << ")\n"
              << "music: " << (project.UseMusic ? "\"" + project.MusicFilePath + "\"" : std::string("none")) << "\n"
              << "movie file: \"" << project.SaveFilePath << "\"\n"
              << "pictures: " << project.Count() << "\n";
    for (int i = 0; i < project.Count(); ++i) {
        const TThPicObject& p = project.Items(i);
        std::cout << "  " << i + 1 << ". " << ThUtility::ExtractFileName(p.PicturePath) << " | " << p.DisplayTime
                  << " s | " << picActionName(p.PicAction) << " | " << strActionName(p.StrAction) << " | \""
                  << p.Text << "\" | " << fontText(p.Font) << "\n";
    }
    std::cout << "TotalSeconds: " << project.TotalSeconds() << "\n"
              << "TotalFrames: " << project.TotalFrames() << "\n"
              << "encoder: lib/ffmpeg" << BuildEncoderArguments(project) << "\n";
    // The totals above are what an export renders, unless it refuses the display times.
    if (const auto problem = MovieLengthProblem(project))
        std::cout << "export refuses this project: " << Catalogue::ForInterface()(*problem) << "\n";
    return kExitOk;
}

}  // namespace kalidor::cli
