#pragma once
// The movie while it is encoded: a hidden file beside the movie's path,
// ".<name>.part-XXXXXX<ext>" (PartialOutputTemplateFor), renamed over the movie only once the
// encode has succeeded, so a movie already there stays until the new one is complete.
//
// In an export the render thread owns it: it makes the file before the encoder starts, hands
// its path to the encoder entry in kMoviePartVariable, and after the encoder has ended, however
// it ended (a failure, a cancel, the entry or ffmpeg killed), either puts it in place or removes
// it. An entry run by hand makes and commits its own.

#include <string>

namespace kalidor {

// The environment variable through which the owner gives the encoder entry its partial file.
inline constexpr const char* kMoviePartVariable = "KALIDOR_MOVIE_PART";

class PartialMovie {
public:
    // Makes the file beside `movie`, empty, with a new file's mode. Throws kalidor::Error
    // ("cannot create a partial file beside <movie>: <reason>").
    explicit PartialMovie(const std::string& movie);
    // Removes the file unless it was committed.
    ~PartialMovie() { Discard(); }
    PartialMovie(const PartialMovie&) = delete;
    PartialMovie& operator=(const PartialMovie&) = delete;

    const std::string& path() const noexcept { return path_; }
    const std::string& movie() const noexcept { return movie_; }

    // Flushes the finished movie to disk and renames it over the movie. Returns 0, or the errno
    // of the failure (ENODATA when the encoder wrote nothing); the file stays then.
    int Commit();
    // Removes the file (once).
    void Discard();

private:
    std::string movie_;
    std::string path_;
};

// Why Commit failed, for the user: "the encoder ended without writing <movie>" or
// "cannot replace <movie>: <reason>".
std::string PartialMovieCommitError(const std::string& movie, int error);

}  // namespace kalidor
