#pragma once
// File thumbnails through the freedesktop thumbnail cache, the Linux counterpart of the shell's
// thumbnail extraction.
//
// The cache lives in $XDG_CACHE_HOME/thumbnails/ (default ~/.cache/thumbnails/) with one folder
// per size level: normal (128), large (256), x-large (512) and xx-large (1024). An entry is a PNG
// named by the MD5 of the file's URI whose longer side is at most the level's size (smaller
// pictures are kept at their own size), carrying the text keys Thumb::URI and Thumb::MTime, which
// say for which file and modification time it was made, plus Thumb::Size and Thumb::Mime. An
// entry whose keys do not match the file is stale and is made again. Pictures that do not decode
// get a marker in fail/kalidor/ so that they are not decoded again until they change.
//
// Entries are written to a temporary file in the same folder and renamed into place (files 0600,
// folders 0700), so a reader never sees half a PNG. Every call is independent: it may be made from
// several threads at once.

#include "imaging/bitmap.h"

#include <cstdint>
#include <string>

namespace kalidor {

// The file URI of an absolute path as the thumbnail standard names it: "file://" and the path with
// every byte outside the letters, digits and !$&'()*+,-./:=@_~ written as %XX (upper-case hex).
std::string ThumbnailFileUri(const std::string& absolutePath);

class FreedesktopThumbnails {
public:
    // `root` is the cache folder itself (the one holding normal/ and large/); "" for no cache:
    // thumbnails are then made and nothing is read or written.
    explicit FreedesktopThumbnails(std::string root);

    // $XDG_CACHE_HOME/thumbnails/ when that variable holds an absolute path, else
    // ~/.cache/thumbnails/ (XdgBaseFolder); "" when the user has no home folder.
    static std::string DefaultRoot();

    // The thumbnail of the picture file at `path` (BMP, JPEG or PNG, recognised by its content),
    // fitted into the bitmap's width x height as set by the caller: one side touches that box and
    // the aspect is kept. The result is 24-bit. False, with the bitmap unchanged, for an empty
    // box, a path that is not a regular file, and a file that is not a picture we decode.
    // A cache miss of a JPEG photo is made from the photo's own EXIF thumbnail where that is large
    // enough for the entry's level and shows the same picture (embeddedThumbnail), reading only
    // the start of the file; otherwise, and for PNG and BMP, from the decoded picture.
    bool Extract(const std::string& path, Bitmap& bitmap) const;

    // Where the cache entry of `path` for a box whose longer side is `boxSide` lives; "" when the
    // box is larger than the largest level (such thumbnails are made but not cached) or there is
    // no cache.
    std::string EntryPath(const std::string& path, int boxSide) const;
    std::string FailPath(const std::string& path) const;

private:
    std::string root_;  // ends in '/'
};

// The same thumbnail made straight from the file, without the cache: for pictures whose entry
// nobody would read again, such as the ones the program has just copied. Where Extract gives
// false, this raises kalidor::Error with the OS's or the codec's reason naming the file
// ("PNG: 30000 x 30000 pixels is more than the limit of 256000000 (/p/a.png)"); the bitmap is
// then unchanged.
void MakeThumbnail(const std::string& path, Bitmap& bitmap);

namespace UnitImageExtract {

// The program's thumbnail call over the default cache. `flags` is kept for the callers' sake and
// has no meaning here (both callers pass 0).
bool ExtractThumbnail(const std::string& path, Bitmap& bitmap, std::uint32_t flags = 0);

}  // namespace UnitImageExtract
}  // namespace kalidor
