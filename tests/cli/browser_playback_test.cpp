// An exported MP4 in a real browser: headless Chromium opens it in a page that decodes its first
// frame and reports the frame's size, the movie's length and the colour in the frame's middle.

#include "cli/cli_runner.h"
#include "cli/media_tools.h"
#include "imaging/bitmap.h"
#include "imaging/bmp_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace kalidor {
namespace {

namespace fs = std::filesystem;

// Says "kalidor-result <width> <height> <seconds> <red> <green> <blue>" in its title once the
// first frame is drawn (a busy machine may paint it some time after it is decoded), or the
// error; it stays "kalidor-result none" when nothing loads.
constexpr const char* kPage = R"(<!doctype html><html><head><title>kalidor-result none</title></head>
<body><video id="v" muted preload="auto" src="movie.mp4"></video><script>
const v = document.getElementById('v');
v.addEventListener('error', () => { document.title = 'kalidor-result error ' + (v.error && v.error.message); });
let looks = 0;
function look() {  // a frame not painted yet draws as nothing or as black, so look again a little later
  const c = document.createElement('canvas');
  c.width = v.videoWidth;
  c.height = v.videoHeight;
  const g = c.getContext('2d');
  g.drawImage(v, 0, 0);
  const p = g.getImageData(c.width >> 1, c.height >> 1, 1, 1).data;
  if ((p[3] === 0 || p[0] + p[1] + p[2] === 0) && ++looks < 50)
    return setTimeout(look, 100);
  document.title = ['kalidor-result', v.videoWidth, v.videoHeight, v.duration, p[0], p[1], p[2]].join(' ');
}
v.addEventListener('loadeddata', look);
</script></body></html>
)";

TEST(BrowserPlayback, ChromiumDecodesAnExportedMp4) {
    const fs::path chromium = test::toolOnPath("chromium");
    if (chromium.empty())
        GTEST_SKIP() << "chromium is not installed, so no browser tries an exported MP4 (apt-get install chromium; "
                        ".ci/run installs it)";
    test::TempFolder pictures, music;
    // A colour whose BT.601 and BT.709 readings differ, so a movie whose colours are not said
    // in it shows wrong in an HD size.
    Bitmap blue(400, 300);
    blue.fillBgr24(0x00E08020);  // red 32, green 128, blue 224
    bmp::writeFile(blue, pictures.dir() + "blue.bmp");
    const std::string song = music.dir() + "song.wav";
    const auto made = test::runProgram(test::toolOnPath("ffmpeg"),
                                       {"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "sine=duration=10", song});
    ASSERT_EQ(made.code, 0) << made.output;
    const struct {
        const char* size;
        bool music;
        int width, height;  // as the browser shows it
    } cases[] = {{"1280x720", true, 1280, 720}, {"161x121", false, 162, 122}};  // an odd side gains a pixel
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        test::TempFolder project, page, profile;
        ASSERT_EQ(test::runCli({"new", project.dir() + "p", pictures.dir() + "blue.bmp"}).exitCode, 0);
        std::vector<std::string> args{"export", project.dir() + "p", "--size", c.size, "--out", page.dir() + "movie.mp4"};
        if (c.music)
            args.insert(args.end(), {"--music", song});
        const auto exported = test::runCli(args);
        ASSERT_EQ(exported.exitCode, 0) << exported.err;
        test::writeText(page.path() / "page.html", kPage);
        const test::ProgramRun r = test::runProgram(
            chromium, {"chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                       "--disable-background-networking", "--disable-component-update", "--disable-sync",
                       "--user-data-dir=" + profile.dir(), "--allow-file-access-from-files",
                       "--virtual-time-budget=20000", "--dump-dom", "file://" + page.dir() + "page.html"});
        const auto at = r.output.find("<title>kalidor-result ");
        ASSERT_NE(at, std::string::npos) << r.output;
        int width = 0, height = 0, red = 0, green = 0, blue = 0;
        double seconds = 0;
        const char* said = r.output.c_str() + at + 22;
        ASSERT_EQ(std::sscanf(said, "%d %d %lf %d %d %d", &width, &height, &seconds, &red, &green, &blue), 6) << said;
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_NEAR(seconds, 6.1, 1.0 / 30 + 1e-3);  // 6 s of the picture, three black frames
        EXPECT_NEAR(red, 32, 4);
        EXPECT_NEAR(green, 128, 4);
        EXPECT_NEAR(blue, 224, 4);
    }
}

}  // namespace
}  // namespace kalidor
