// How the project page copes with a large workspace: 200 projects, each with the example's
// thum.bmp and project.dat. Measures, on the offscreen platform,
//   - the time from the page appearing until every project is listed,
//   - the time until every thumbnail is in,
//   - the longest stall of the event loop meanwhile (a 5 ms timer measures the gaps),
// for the worker-thread loading, a refill served from the cache, and as the reference the plain
// way of reading every thumbnail on the GUI thread before the list shows.
// Usage: project_list_gui [projects, default 200]

#include "model/project_list.h"
#include "desktop/browser/picture_browser.h"
#include "desktop/pages/select_project_page.h"
#include "desktop/storyboard/storyboard_strip.h"
#include "desktop/window/form_make_movie.h"
#include "desktop/pages/project_list_model.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct Figures {
    double listedMs = 0, loadedMs = 0, worstStallMs = 0;
};

// Runs the event loop until `done`, recording the longest gap between timer ticks.
template <typename Done>
double spinUntil(Done done, QElapsedTimer& clock) {
    double worst = 0;
    qint64 last = clock.elapsed();
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worst = std::max(worst, double(now - last));
        last = now;
    });
    tick.start();
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    worst = std::max(worst, double(clock.elapsed() - last));
    return worst;
}

Figures measure(kalidor::TFormMakeMovie& window) {
    Figures f;
    QElapsedTimer clock;
    clock.start();
    window.TabSheetSelectProject->RefillProjectList();
    f.listedMs = double(clock.nsecsElapsed()) / 1e6;
    f.worstStallMs = std::max(f.listedMs, spinUntil([&] { return !window.TabSheetSelectProject->ProjectModel->Loading(); }, clock));
    f.loadedMs = double(clock.nsecsElapsed()) / 1e6;
    return f;
}

// The reference: every thumbnail read on the GUI thread, then the list shown.
Figures measureOnGuiThread(const std::string& root) {
    Figures f;
    QElapsedTimer clock;
    clock.start();
    int sound = 0;
    for (const std::string& entry : kalidor::ListProjectEntries(root))
        sound += kalidor::LoadProjectTile(entry).problem.empty();
    f.listedMs = f.loadedMs = f.worstStallMs = double(clock.nsecsElapsed()) / 1e6;
    if (sound == 0) std::fprintf(stderr, "no sound project\n");
    return f;
}

void print(const char* name, const Figures& f) {
    std::printf("%-28s listed %8.2f ms   all thumbnails %8.2f ms   longest stall %8.2f ms\n", name, f.listedMs,
                f.loadedMs, f.worstStallMs);
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int projects = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    QTemporaryDir base;
    const std::string baseDir = base.path().toStdString() + "/";
    const fs::path root = baseDir + "Orvane/Kalidor/project";
    fs::create_directories(root);
    for (int i = 0; i < projects; ++i) {
        const fs::path folder = root / ("プロジェクト" + std::to_string(i));
        fs::create_directory(folder);
        for (const char* file : {"thum.bmp", "project.dat"})
            fs::copy_file(fs::path(KALIDOR_SOURCE_DATA) / "example" / file, folder / file);
    }
    kalidor::TFormMakeMovie window(baseDir, KALIDOR_SOURCE_DATA "/");
    window.notice = [](QWidget*, const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    window.FormCreate();  // shows page 0 and starts the first load
    QElapsedTimer warmUp;
    warmUp.start();
    spinUntil([&] { return !window.TabSheetSelectProject->ProjectModel->Loading(); }, warmUp);
    window.show();

    std::printf("%d projects\n", projects);
    const Figures reference = measureOnGuiThread(root.string() + "/");
    // A fresh model each run, so nothing is cached.
    kalidor::TFormMakeMovie cold(baseDir, KALIDOR_SOURCE_DATA "/");
    cold.notice = window.notice;
    measure(cold);  // the first run also pays for Qt's one-time set-up of the new window
    kalidor::TFormMakeMovie fresh(baseDir, KALIDOR_SOURCE_DATA "/");
    fresh.notice = window.notice;
    const Figures worker = measure(fresh);
    const Figures cached = measure(cold);
    print("reference (GUI thread)", reference);
    print("worker thread, cold", worker);
    print("refill from the cache", cached);
    std::printf("listed: %.0fx sooner than the reference; longest stall: %.1fx shorter\n",
                reference.listedMs / std::max(worker.listedMs, 0.001),
                reference.worstStallMs / std::max(worker.worstStallMs, 0.001));
    return worker.listedMs < 1000 ? 0 : 1;
}
