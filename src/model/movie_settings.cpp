#include "model/movie_settings.h"

#include "model/pic_object.h"
#include "translation/message.h"

#include <algorithm>
#include <cctype>

namespace kalidor {

const char* const kQualityItems[kQualityItemCount] = {
    QT_TRANSLATE_NOOP("Messages", "最高画質"), QT_TRANSLATE_NOOP("Messages", "高画質"),
    QT_TRANSLATE_NOOP("Messages", "通常画質"), QT_TRANSLATE_NOOP("Messages", "低画質"),
    QT_TRANSLATE_NOOP("Messages", "最低画質")};

namespace {

// Where the file name starts and where its extension (with the dot) starts; the extension
// starts at the end when there is none.
struct NameParts {
    std::size_t name;
    std::size_t extension;
};

NameParts nameParts(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = path.find_last_of('.');
    const std::size_t extension = dot == std::string::npos || dot < name ? path.size() : dot;
    return {name, extension};
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string extensionOf(const std::string& name) {
    return name.substr(nameParts(name).extension);
}

FileDialogFilter filterOf(std::string label, std::initializer_list<const char*> extensions) {
    FileDialogFilter filter{std::move(label), {}};
    for (const char* extension : extensions) {
        filter.patterns.push_back("*" + upper(extension));
        filter.patterns.push_back("*" + lower(extension));
    }
    return filter;
}

// Width and height follow each other in 32-bit signed arithmetic, division truncating toward
// zero; the widget allows four characters, so the products stay far from overflowing.
int raisedToEven(int value) {
    return value % 2 != 0 ? value + 1 : value;
}

}  // namespace

const char* MovieExtension(std::uint8_t movType) {
    switch (movType) {
    case 0: return ".MP4";
    case 1: return ".AVI";
    default: return ".MPG";
    }
}

std::string WithMovieExtension(const std::string& path, const std::string& extension) {
    const NameParts parts = nameParts(path);
    if (parts.extension == parts.name)
        return {};  // nothing but the extension would be left of the name
    return path.substr(0, parts.extension) + extension;
}

void ShowMovieSettings(const TThPicObjectManager& project, MovieSettingsPage& page) {
    switch (project.MovType) {
    case 0: page.format = MovieFormatButton::MP4; break;
    case 1: page.format = MovieFormatButton::AVI; break;
    case 2: page.format = MovieFormatButton::MPEG; break;
    default: page.format = MovieFormatButton::None; break;
    }
    if (project.MovQuality < kQualityItemCount)
        page.qualityIndex = project.MovQuality;
    page.ratio16_9 = project.MovRatio != 0;
    page.width = project.MovWidth;
    page.height = project.MovHeight;
    page.useMusic = project.UseMusic;
    page.musicFilePath = project.MusicFilePath;
    page.saveFilePath = project.SaveFilePath;
}

void StoreMovieSettings(MovieSettingsPage& page, TThPicObjectManager& project) {
    // No button selected stores MPEG, as the last branch of the choice.
    project.MovType = page.format == MovieFormatButton::MP4 ? 0 : page.format == MovieFormatButton::AVI ? 1 : 2;
    page.saveFilePath = WithMovieExtension(page.saveFilePath, MovieExtension(project.MovType));
    if (page.qualityIndex >= 0 && page.qualityIndex < kQualityItemCount)
        project.MovQuality = static_cast<std::uint8_t>(page.qualityIndex);
    project.MovRatio = page.ratio16_9 ? 1 : 0;
    project.MovWidth = page.width;
    project.MovHeight = page.height;
    project.UseMusic = page.useMusic;
    project.MusicFilePath = page.musicFilePath;
    project.SaveFilePath = page.saveFilePath;
}

void ApplyMovieSettingsChange(MovieSettingsPage& page, TThPicObjectManager& project, bool& modified) {
    modified = true;
    StoreMovieSettings(page, project);
    ShowMovieSettings(project, page);
}

void CoupleHeightToWidth(MovieSettingsPage& page) {
    page.width = raisedToEven(page.width);
    page.height = raisedToEven(page.ratio16_9 ? page.width * 9 / 16 : page.width * 3 / 4);
}

void CoupleWidthToHeight(MovieSettingsPage& page) {
    page.height = raisedToEven(page.height);
    page.width = raisedToEven(page.ratio16_9 ? page.height * 16 / 9 : page.height * 4 / 3);
}

std::string FilterText(const FileDialogFilter& filter) {
    std::string text = filter.label + " (";
    for (std::size_t i = 0; i < filter.patterns.size(); ++i)
        text += (i ? " " : "") + filter.patterns[i];
    return text + ")";
}

bool FilterMatches(const FileDialogFilter& filter, const std::string& fileName) {
    const std::string pattern = "*" + extensionOf(fileName);
    return extensionOf(fileName).size() > 1 &&
           std::find(filter.patterns.begin(), filter.patterns.end(), pattern) != filter.patterns.end();
}

FileDialogFilter MusicFileFilter() {
    return filterOf(QT_TRANSLATE_NOOP("Messages", "音楽ファイル(*.MP3, *.WAV, *.M4A, *.AAC)"),
                    {".MP3", ".WAV", ".M4A", ".AAC"});
}

std::optional<FileDialogFilter> MovieFileFilter(std::uint8_t movType) {
    switch (movType) {
    case 0: return filterOf(QT_TRANSLATE_NOOP("Messages", "動画ファイル(*.MP4)"), {".MP4"});
    case 1: return filterOf(QT_TRANSLATE_NOOP("Messages", "動画ファイル(*.AVI)"), {".AVI"});
    case 2: return filterOf(QT_TRANSLATE_NOOP("Messages", "動画ファイル(*.MPG, *.MPEG)"), {".MPG", ".MPEG"});
    default: return std::nullopt;
    }
}

std::string ChosenMovieFileName(const std::string& name, std::uint8_t movType) {
    const std::string extension = upper(extensionOf(name));
    switch (movType) {
    case 0: return extension == ".MP4" ? name : name + ".MP4";
    case 1: return extension == ".AVI" ? name : name + ".AVI";
    case 2: return extension == ".MPG" || extension == ".MPEG" ? name : name + ".MPG";
    default: return name;
    }
}

}  // namespace kalidor
