#pragma once
// Running programs and probing movies in end-to-end tests.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kalidor::test {

struct ProgramRun {
    int code = -1;
    std::string output;  // standard output and error through one pipe, as the runner reads them
};

// Runs `argv` in a process group of its own. When `stopWhen` first holds for the output so far,
// stops the group (SIGTERM, then SIGKILL if it is still there after 5 s).
ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& argv,
                      const std::function<bool(const std::string&)>& stopWhen = {});

// The program's path on PATH, or empty.
std::filesystem::path toolOnPath(const char* name);

struct Probe {
    std::vector<std::string> codecs;    // in stream order
    std::vector<std::string> profiles;  // of each stream, as ffprobe names them ("High", "LC")
    std::string pixelFormat;            // of the video
    int width = 0, height = 0;
    int videoFrames = -1;   // counted by decoding
    double duration = -1;   // of the container, as ffprobe finds it
};

// What ffprobe finds in a movie (the test fails when ffprobe does).
Probe probe(const std::string& movie);

// The PSNR in dB of each video frame of `movie` against the same frame of `reference` (1000
// for identical frames); one value per frame of the shorter movie.
std::vector<double> framePsnr(const std::string& movie, const std::string& reference);

// The video frames of a movie, counted by decoding (-1 when ffprobe fails).
int framesOf(const std::string& movie);

// The mean volume in dB of a movie's sound over `seconds` from `from` on (ffmpeg's volumedetect).
double meanVolume(const std::string& movie, double from, double seconds);

}  // namespace kalidor::test
