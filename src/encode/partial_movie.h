#pragma once
// The movie while it is encoded: a hidden file beside the movie's path,
// ".<name>.part-XXXXXX<ext>" (PartialOutputTemplateFor), renamed over the movie only once the
// encode has succeeded, so a movie already there stays until the new one is complete.
//
// In an export the render thread owns it: it makes the file before the encoder starts, hands
// its path to the encoder entry in kMoviePartVariable, and after the encoder has ended, however
// it ended (a failure, a cancel, the entry or ffmpeg killed), either puts it in place or removes
// it. An entry run by hand makes and commits its own.
//
// Its maker holds a lock on it (flock) for as long as it owns it, so a program killed after
// the encoder ended leaves a file no one holds: the next partial file of the same movie removes
// such files of its own name pattern, and nothing else.

#include "platform/owned_folder.h"
#include "platform/unique_fd.h"

#include <optional>

#include <string>

namespace kalidor {

// The environment variable through which the owner gives the encoder entry its partial file.
inline constexpr const char* kMoviePartVariable = "KALIDOR_MOVIE_PART";

class PartialMovie {
public:
    // Removes the abandoned partial files of `movie` (RemoveAbandonedPartialMovies), then makes
    // the file beside it, empty, with a new file's mode, and locks it. Throws kalidor::Error
    // ("cannot create a partial file beside <movie>: <reason>").
    explicit PartialMovie(const std::string& movie);
    // Removes the file unless it was committed.
    ~PartialMovie() { Discard(); }
    PartialMovie(const PartialMovie&) = delete;
    PartialMovie& operator=(const PartialMovie&) = delete;

    const std::string& path() const noexcept { return path_; }
    const std::string& movie() const noexcept { return movie_; }

    // Flushes the finished movie to disk, renames it over the movie and flushes the folder.
    // Returns 0, or the errno of the failure (ENODATA when the encoder wrote nothing); the file
    // stays then.
    int Commit();
    // Removes the file (once).
    void Discard();

private:
    std::string movie_;
    std::optional<OwnedFolder> folder_;  // the movie's folder, where the file is made and renamed
    std::string name_;                   // the file's name in it
    std::string path_;
    UniqueFd lock_;  // holds the flock while the file is ours
};

// Removes from the movie's folder every regular file named as a partial file of `movie` is
// (".<name>.part-" six letters or digits "<ext>") that no one holds locked; a link, a folder,
// a file of another name, one that cannot be locked, is left alone. Returns how many went.
int RemoveAbandonedPartialMovies(const std::string& movie);

// Why Commit failed, for the user: "the encoder ended without writing <movie>" or
// "cannot replace <movie>: <reason>".
std::string PartialMovieCommitError(const std::string& movie, int error);

}  // namespace kalidor
