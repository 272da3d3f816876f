// How long adding photos to the storyboard takes: 100 generated 12-megapixel JPEG photos added
// through the main window's adding, the path of the add button (the broken-JPEG check pass, then
// a copy and a 105 x 105 thumbnail per photo on the worker thread, each inserted on the GUI
// thread). Measures, on the offscreen platform,
//   - ms per picture for the whole adding with the check pass (button, drop on the strip),
//   - ms per picture without it (a drop on a panel),
//   - the longest stall of the event loop meanwhile (a 5 ms timer measures the gaps),
// and as the plain reference, in the same run, one full decode of a photo on its own.
// Usage: add_pictures_bench [photos, default 100]

#include "imaging/jpeg_codec.h"
#include "desktop/browser/picture_browser.h"
#include "desktop/pages/select_project_page.h"
#include "desktop/storyboard/storyboard_strip.h"
#include "desktop/window/form_make_movie.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;  // 12 megapixels
constexpr int kDistinct = 4;                   // photos generated; the rest are copies of them

// A photo-like picture: smooth light over the frame plus fine noise, so the JPEG is as large and
// as slow to decode as a camera's.
kalidor::Bitmap photo(unsigned seed) {
    kalidor::Bitmap bitmap(kWidth, kHeight);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* p = bitmap.row(y);
        for (int x = 0; x < kWidth; ++x, p += 3) {
            const int base = (x * 255 / kWidth + y * 255 / kHeight + static_cast<int>(seed) * 40) / 2;
            p[0] = static_cast<std::uint8_t>(std::clamp(base + noise(random), 0, 255));
            p[1] = static_cast<std::uint8_t>(std::clamp(255 - base + noise(random), 0, 255));
            p[2] = static_cast<std::uint8_t>(std::clamp((x ^ y) % 256 / 2 + 64 + noise(random), 0, 255));
        }
    }
    return bitmap;
}

struct Run {
    double msPerPicture = 0, worstStallMs = 0;
    int added = 0;
};

Run add(kalidor::TFormMakeMovie& window, const std::vector<std::string>& files, bool checkFirst) {
    QElapsedTimer clock;
    clock.start();
    Run run;
    const int before = window.Project.Count();
    if (!window.ScrollBoxPicture->AddPictures(files, before == 0 ? -1 : 0, checkFirst)) return run;
    qint64 last = clock.elapsed();
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        run.worstStallMs = std::max(run.worstStallMs, double(now - last));
        last = now;
    });
    tick.start();
    while (window.ScrollBoxPicture->AddingPictures()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    run.msPerPicture = double(clock.nsecsElapsed()) / 1e6 / double(files.size());
    run.added = window.Project.Count() - before;
    return run;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;

    QTemporaryDir scratch;
    const std::string base = scratch.path().toStdString() + "/";
    const std::string sources = base + "photos/";
    fs::create_directories(sources);
    std::printf("generating %d 12-megapixel photos (%d distinct)...\n", count, kDistinct);
    std::fflush(stdout);
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.JPG", i + 1);
        files.push_back(sources + name);
        if (i < kDistinct) kalidor::jpeg::writeFile(photo(static_cast<unsigned>(i)), files.back(), 92);
        else fs::copy_file(files[static_cast<std::size_t>(i % kDistinct)], files.back());
    }
    std::printf("photo size: %.1f MB\n", double(fs::file_size(files.front())) / 1e6);

    kalidor::TFormMakeMovie window(base, KALIDOR_SOURCE_DATA "/");
    QStringList notices;
    window.notice = [&](QWidget*, const QString& text) { notices << text; };
    window.FormCreate();
    window.Project.ProjectDir = base + "Orvane/Kalidor/project/bench/";
    fs::create_directories(window.Project.ProjectDir);

    // The reference: one photo decoded in full, as the check pass does for each.
    QElapsedTimer clock;
    clock.start();
    kalidor::jpeg::readFile(files.front());
    const double decodeMs = double(clock.nsecsElapsed()) / 1e6;

    const Run checked = add(window, files, true);
    const Run unchecked = add(window, files, false);
    if (!notices.isEmpty() || checked.added != count || unchecked.added != count) {
        std::fprintf(stderr, "adding failed: %d and %d of %d added; %s\n", checked.added, unchecked.added, count,
                     notices.join(" / ").toStdString().c_str());
        return 1;
    }
    std::printf("reference, one full decode of a photo: %8.1f ms\n", decodeMs);
    std::printf("add with the check pass (button):      %8.1f ms per picture  (%.2f x the decode), longest GUI stall %.0f ms\n",
                checked.msPerPicture, checked.msPerPicture / decodeMs, checked.worstStallMs);
    std::printf("add without it (drop on a panel):       %8.1f ms per picture  (%.2f x the decode), longest GUI stall %.0f ms\n",
                unchecked.msPerPicture, unchecked.msPerPicture / decodeMs, unchecked.worstStallMs);
    return 0;
}
