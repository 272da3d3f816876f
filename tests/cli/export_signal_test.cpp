// kalidor-cli killed or hung up while the encoder runs: the encoder entry and ffmpeg must end
// with it, the old movie must stay, and the next export must start clean.

#include "cli/cli_runner.h"
#include "cli/media_tools.h"
#include "model/pic_object.h"
#include "platform/child_process.h"
#include "imaging/jpeg_codec.h"
#include "platform/unique_fd.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kalidor {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::TempFolder;

// Two still pictures of 2 s at 160 x 120.
void makeSmallProject(const std::string& dir) {
    TThPicObjectManager p;
    p.ProjectDir = dir;
    p.MovWidth = 160;
    p.MovHeight = 120;
    for (const char* name : {"a.jpg", "b.jpg"}) {
        jpeg::writeFile(Bitmap(160, 120), dir + name, 90);
        auto picture = std::make_unique<TThPicObject>();
        picture->PicturePath = dir + name;
        picture->DisplayTime = 2;
        p.Add(std::move(picture));
    }
    p.SaveProject();
}

// Processes whose command line names `text` (the encoder entry and ffmpeg name the frames).
int processesNaming(const std::string& text) {
    int count = 0;
    for (const auto& [pid, cmdline] : test::otherProcesses())
        count += cmdline.find(text) != std::string::npos;
    return count;
}

TEST(ExportSignals, KilledOrHungUpDuringTheEncodeLeavesNoEncoderAndKeepsTheMovie) {
    const fs::path ffmpeg = test::toolOnPath("ffmpeg");
    ASSERT_FALSE(ffmpeg.empty()) << "Debian's ffmpeg is needed on PATH";
    // ffmpeg that reads its frames at their own pace, so the encode lasts the movie's 4 s.
    TempFolder tools;
    test::writeText(tools.path() / "ffmpeg", "#!/bin/sh\nexec " + ffmpeg.string() + " -re \"$@\"\n");
    fs::permissions(tools.path() / "ffmpeg", fs::perms::owner_all);

    // Ended while the frames are made (the encoder already taking them) and while ffmpeg encodes
    // what remains.
    const std::pair<int, const char*> endings[] = {
        {SIGKILL, "/120)"}, {SIGKILL, "までの動画を変換完了"}, {SIGHUP, "までの動画を変換完了"}};
    for (const auto& [signal, endAt] : endings) {
        SCOPED_TRACE(std::to_string(signal) + " at " + endAt);
        TempFolder project, out;
        makeSmallProject(project.dir());
        const std::string movie = out.dir() + "movie.mp4", tmp = project.dir() + "tmp/";
        test::writeText(movie, "the old movie");

        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        UniqueFd readEnd(fds[0]), writeEnd(fds[1]), devNull(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        ::setenv("PATH", (tools.path().string() + ":" + path).c_str(), 1);
        ChildProcess cli;
        const int rc = cli.spawn((fs::path(KALIDOR_BIN_DIR) / "kalidor-cli").string(),
                                 {"kalidor-cli", "export", project.dir(), "--out", movie}, devNull.get(),
                                 writeEnd.get());
        ::setenv("PATH", path.c_str(), 1);
        ASSERT_EQ(rc, 0);
        writeEnd.reset();

        // Wait for the pass with the encoder running, then end the program as a terminal would.
        std::string output;
        const auto reached = [&] { return output.find(endAt) != std::string::npos && processesNaming(tmp) > 0; };
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!reached() && std::chrono::steady_clock::now() < deadline) {
            pollfd p{readEnd.get(), POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(readEnd.get(), buffer, sizeof buffer);
            if (n <= 0)
                break;
            output.append(buffer, static_cast<std::size_t>(n));
        }
        ASSERT_TRUE(reached()) << output;
        ::kill(cli.pid(), signal);
        while (!cli.tryWait()) {
            pollfd p{cli.exitFd(), POLLIN, 0};
            ::poll(&p, 1, 50);
        }
        EXPECT_EQ(*cli.exitCode(), signal == SIGKILL ? 128 + SIGKILL : 130);

        const auto gone = std::chrono::steady_clock::now() + 2s;
        while (processesNaming(tmp) > 0 && std::chrono::steady_clock::now() < gone)
            std::this_thread::sleep_for(20ms);
        EXPECT_EQ(processesNaming(tmp), 0);
        EXPECT_EQ(test::readText(movie), "the old movie");
        // No partial movie beside it: once its owner is gone, the entry removes it.
        EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 1);
        EXPECT_EQ(fs::exists(tmp), signal == SIGKILL);  // only a killed run cannot clean up

        const auto next = test::runCli({"export", project.dir(), "--out", movie});
        EXPECT_EQ(next.exitCode, 0) << next.err;
        EXPECT_FALSE(fs::exists(tmp));
        EXPECT_EQ(test::probe(movie).videoFrames, 123);
    }
}

}  // namespace
}  // namespace kalidor
