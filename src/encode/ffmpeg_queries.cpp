#include "encode/ffmpeg_queries.h"

#include "encode/encoder_entry.h"
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/unique_fd.h"
#include "platform/whole_number.h"

#include <cerrno>
#include <sstream>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>

namespace kalidor {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// More than any answer asked for here; the rest is read and dropped.
constexpr std::size_t kKeptOutput = 64 * 1024;

struct QueryRun {
    int code = -1;
    std::string output;  // standard output and error
};

long long millisecondsUntil(Clock::time_point deadline) {
    return std::max<long long>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
}

// Runs `program` to its end; nothing when it cannot be started or outlasts `limit` (it is then
// stopped with its group).
std::optional<QueryRun> runQuery(const fs::path& program, const std::vector<std::string>& argv,
                                 std::chrono::milliseconds limit) {
    int fds[2];
    if (program.empty() || ::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    UniqueFd readEnd(fds[0]), writeEnd(fds[1]), devNull(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    ChildProcess child;
    // An encoder entry found in ffmpeg's place refuses at once instead of taking this for a line.
    if (!devNull || child.spawn(program.string(), argv, devNull.get(), writeEnd.get(),
                                {std::string(kEncoderEntryMarker) + "=1"}) != 0)
        return std::nullopt;
    writeEnd.reset();
    const auto deadline = Clock::now() + limit;
    QueryRun run;
    for (;;) {
        pollfd p{readEnd.get(), POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(millisecondsUntil(deadline)));
        if (r == 0)
            return std::nullopt;
        if (r < 0 && errno != EINTR)
            return std::nullopt;
        if (r < 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(readEnd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (run.output.size() < kKeptOutput)
            run.output.append(buffer, static_cast<std::size_t>(n));
    }
    // Its output is closed: it is ending.
    while (!child.tryWait()) {
        if (millisecondsUntil(deadline) == 0)
            return std::nullopt;
        if (child.exitFd() >= 0) {
            pollfd p{child.exitFd(), POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(millisecondsUntil(deadline)));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    run.code = *child.exitCode();
    return run;
}

std::optional<double> seconds(const std::string& text) {
    const auto value = WholeNumber<double>(text);
    return value && *value >= 0 ? value : std::nullopt;
}

// The last line that says something, with the "file:" we put before the name taken off.
std::string lastWords(const std::string& output, const std::string& file) {
    std::istringstream lines(output);
    std::string last;
    for (std::string line; std::getline(lines, line);)
        if (line.find_first_not_of(" \t\r") != std::string::npos)
            last = line;
    if (const auto at = last.find("file:" + file); at != std::string::npos)
        last.erase(at, 5);
    return last;
}

}  // namespace

SoundProbe ProbeSound(const std::string& file, std::chrono::milliseconds limit) {
    SoundProbe probe;
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return probe;
    // "file:" keeps a name holding ':' from being read as a protocol.
    const auto run = runQuery(ResolveProgram("ffprobe", {}, ProgramSearchPath()),
                              {"ffprobe", "-v", "error", "-show_entries", "stream=codec_type:format=duration", "-of",
                               "default=noprint_wrappers=1", "file:" + file},
                              limit);
    if (!run)
        return probe;
    probe.answered = true;
    if (run->code != 0) {
        const std::string words = lastWords(run->output, file);
        probe.reason = words.find(file) != std::string::npos ? words : file + ": " + words;
        return probe;
    }
    std::istringstream lines(run->output);
    for (std::string line; std::getline(lines, line);) {
        if (line == "codec_type=audio")
            probe.hasSound = true;
        else if (line.starts_with("duration="))
            probe.seconds = seconds(line.substr(9));
    }
    if (!probe.hasSound)
        probe.reason = "no audio stream in " + file;
    return probe;
}

std::optional<bool> EncoderAvailable(const fs::path& ffmpeg, const std::string& name,
                                     std::chrono::milliseconds limit) {
    const auto run = runQuery(ffmpeg, {"ffmpeg", "-hide_banner", "-h", "encoder=" + name}, limit);
    if (!run)
        return std::nullopt;
    // An ffmpeg without it says so and ends with 0 all the same; anything else did not answer.
    if (run->output.find("Encoder " + name + " [") != std::string::npos)
        return true;
    if (run->code == 0)
        return false;
    return std::nullopt;
}

}  // namespace kalidor
