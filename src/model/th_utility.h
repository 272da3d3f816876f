#pragma once
// Stateless file, folder and picture helpers. File and folder helpers report failure as a
// false result and never throw; picture loading raises the codec's kalidor::Error.
// Folder arguments may or may not end in '/'; results are folder + '/' + name.

#include "imaging/bitmap.h"
#include "imaging/fitted_size.h"
#include "translation/message.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace kalidor::ThUtility {

// Appends the folder's files (anything that is not a folder; symbolic links count as files and
// are never followed) in the order the file system returns them; with `recursive`, a
// subfolder's files are listed where the subfolder is met. A missing folder appends nothing.
void ListFiles(const std::string& folder, std::vector<std::string>& out, bool recursive);

// Appends the folder's subfolders, each before its own subfolders when `recursive`.
void ListFolders(const std::string& folder, std::vector<std::string>& out, bool recursive);

// Makes the destination's missing folders and copies, replacing an existing destination. On
// failure `error`, when given, receives the OS's reason.
bool CopyFile(const std::string& source, const std::string& destination, std::error_code* error = nullptr);

// Deletes every file, then the subfolders deepest first, then the folder itself. Goes on past
// failures; true when everything is gone. Never descends through
// a symbolic link: a link in the folder's place, or inside it, is removed itself.
bool DeleteFolderTree(const std::string& folder);

// folder + name if free, else folder + base(1)ext, base(2)ext, ... whichever is free first. A
// name in `reserved` (lower case; compared without regard to ASCII case) is never free.
std::string UniqueFileName(const std::string& folder, const std::string& name,
                           std::span<const std::string_view> reserved = {});

// Decodes by extension (case-insensitive): .png, .jpg/.jpeg (turned upright by EXIF), .bmp.
// Any other extension gives an empty bitmap. Codec errors propagate.
void LoadImageFile(const std::string& path, Bitmap& bitmap);

// The message shown when a picture's kind is not one we read, and the same naming the file.
inline constexpr const char* kUnsupportedImageMessage = QT_TRANSLATE_NOOP("Messages", "対象外の画像形式です");
Message UnsupportedImageMessage(const std::string& path);

// Loads the picture and shrinks or enlarges it with ResizeAverage to fit boxWidth x boxHeight
// keeping its aspect (one side touches the box). Returns false and leaves an empty bitmap when
// the kind is not supported, after passing kUnsupportedImageMessage to `showMessage` (the
// caller's way to the user). A side that rounds to 0, as for a 1 x 1000 picture, becomes 1.
bool LoadImageFitted(const std::string& path, int boxWidth, int boxHeight, Bitmap& bitmap,
                     const std::function<void(const std::string&)>& showMessage = {});

// The fitted size alone: nearest (halves to even) of the aspect-kept side, at least 1.
using Size = FitSize;
using ::kalidor::FittedSize;

// "HH時間MM分SS秒までの動画を変換完了", how far the encoder has come: each part at least two
// digits (hours may have more).
Message EncodedUpToText(std::int64_t seconds);

// Extension with its dot ("" when none) and the name without it.
std::string ExtractFileExt(const std::string& name);
std::string ExtractFileName(const std::string& path);

}  // namespace kalidor::ThUtility
