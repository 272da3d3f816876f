#pragma once
// Questions put to the installed ffmpeg tools around an encode: what a music file holds
// (ffprobe) and whether ffmpeg has an encoder. Each runs the tool once, without a shell, its
// output read through a pipe, and gives up after `limit`, so that a file on a stalled network
// share cannot hold an export. An answer that cannot be had is "unknown", never a guess.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace kalidor {

inline constexpr std::chrono::milliseconds kQueryLimit{10'000};

struct SoundProbe {
    bool answered = false;  // ffprobe ran and ended in time; otherwise nothing below is known
    bool hasSound = false;  // the file holds an audio stream
    std::optional<double> seconds;  // the file's length, where ffprobe tells it
    // Without sound, why, naming the file: ffprobe's own words ("<file>: Invalid data found when
    // processing input") or "no audio stream in <file>".
    std::string reason;
};

// Asks the ffprobe found on PATH about `file`. Only a regular file is asked about (ffprobe would
// wait on a FIFO for a writer); for anything else, or without ffprobe, the probe is unanswered.
SoundProbe ProbeSound(const std::string& file, std::chrono::milliseconds limit = kQueryLimit);

// Whether the ffmpeg at `ffmpeg` has the encoder `name` ("libx264"); nothing when it cannot be
// asked (it does not start, does not answer in time, or is no ffmpeg).
std::optional<bool> EncoderAvailable(const std::filesystem::path& ffmpeg, const std::string& name,
                                     std::chrono::milliseconds limit = kQueryLimit);

}  // namespace kalidor
