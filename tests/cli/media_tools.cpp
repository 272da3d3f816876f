#include "cli/media_tools.h"

#include "platform/command_line.h"
#include "platform/child_process.h"
#include "platform/unique_fd.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kalidor::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Args = std::vector<std::string>;


ProgramRun runProgram(const fs::path& program, const Args& argv,
                      const std::function<bool(const std::string&)>& stopWhen) {
    ProgramRun run;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return run;
    UniqueFd readEnd(fds[0]), writeEnd(fds[1]), devNull(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    ChildProcess child;
    if (const int rc = child.spawn(program.string(), argv, devNull.get(), writeEnd.get()); rc != 0) {
        run.output = "cannot start " + program.string() + ": " + std::strerror(rc);
        return run;
    }
    writeEnd.reset();
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    bool stopped = false;
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << program << " did not end: " << run.output;
            child.stopGroup(0ms);
            break;
        }
        pollfd p{readEnd.get(), POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(readEnd.get(), buffer, sizeof buffer);
        if (n <= 0)
            break;
        run.output.append(buffer, static_cast<std::size_t>(n));
        if (stopWhen && !stopped && stopWhen(run.output)) {
            stopped = true;
            // The export first ends its own encoder with the runner's 500 ms grace, so on a busy
            // machine it needs longer than that to print its result and end.
            child.stopGroup(5000ms);
        }
    }
    while (!child.tryWait()) {
        pollfd p{child.exitFd(), POLLIN, 0};
        ::poll(&p, 1, 50);
    }
    run.code = *child.exitCode();
    return run;
}

fs::path toolOnPath(const char* name) { return ResolveProgram(name, {}, ProgramSearchPath()); }


Probe probe(const std::string& movie) {
    const ProgramRun r = runProgram(toolOnPath("ffprobe"),
                             {"ffprobe", "-v", "error", "-count_frames", "-show_entries",
                              "stream=codec_name,profile,pix_fmt,width,height,nb_read_frames", "-show_entries",
                              "format=duration",
                              "-of", "default=nw=1", movie});
    EXPECT_EQ(r.code, 0) << r.output;
    Probe result;
    std::istringstream lines(r.output);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "codec_name")
            result.codecs.push_back(value);
        else if (key == "profile")
            result.profiles.push_back(value);
        else if (key == "pix_fmt" && result.pixelFormat.empty())
            result.pixelFormat = value;
        else if (key == "width" && result.width == 0)
            result.width = std::stoi(value);
        else if (key == "height" && result.height == 0)
            result.height = std::stoi(value);
        else if (key == "nb_read_frames" && result.videoFrames < 0)
            result.videoFrames = std::stoi(value);
        else if (key == "duration")
            result.duration = std::stod(value);
    }
    return result;
}

}  // namespace kalidor::test

namespace kalidor::test {

std::vector<double> framePsnr(const std::string& movie, const std::string& reference) {
    // The psnr filter writes one line per frame pair; "inf" for identical frames.
    const ProgramRun r = runProgram(toolOnPath("ffmpeg"), {"ffmpeg", "-v", "error", "-i", movie, "-i", reference,
                                                           "-lavfi", "[0:v][1:v]psnr=stats_file=-", "-f", "null", "-"});
    EXPECT_EQ(r.code, 0) << r.output;
    std::vector<double> values;
    std::istringstream lines(r.output);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find("psnr_avg:");
        if (at == std::string::npos)
            continue;
        const std::string value = line.substr(at + 9, line.find(' ', at) - at - 9);
        values.push_back(value == "inf" ? 1000.0 : std::stod(value));
    }
    return values;
}

int framesOf(const std::string& movie) {
    const ProgramRun r = runProgram(toolOnPath("ffprobe"), {"ffprobe", "-v", "error", "-count_frames", "-select_streams",
                                                            "v", "-show_entries", "stream=nb_read_frames", "-of",
                                                            "csv=p=0", movie});
    return r.code == 0 ? std::atoi(r.output.c_str()) : -1;
}

double meanVolume(const std::string& movie, double from, double seconds) {
    const ProgramRun r = runProgram(toolOnPath("ffmpeg"), {"ffmpeg", "-hide_banner", "-nostats", "-ss", std::to_string(from),
                                                           "-t", std::to_string(seconds), "-i", movie, "-map", "0:a",
                                                           "-af", "volumedetect", "-f", "null", "-"});
    EXPECT_EQ(r.code, 0) << r.output;
    const auto at = r.output.find("mean_volume: ");
    EXPECT_NE(at, std::string::npos) << r.output;
    return at == std::string::npos ? 0 : std::stod(r.output.substr(at + 13));
}

}  // namespace kalidor::test
