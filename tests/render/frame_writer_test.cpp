#include "platform/error.h"
#include "imaging/jpeg_codec.h"
#include "render/frame_writer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include <sys/stat.h>

namespace kalidor {
namespace {

using test::TempFolder;
namespace fs = std::filesystem;

Bitmap gradient(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 255 / w);
            p[1] = static_cast<std::uint8_t>(y * 255 / h);
            p[2] = static_cast<std::uint8_t>((x ^ y) & 0xFF);
        }
    return b;
}

// Counts the steps and cancels at a given poll.
class CountingProgress : public FrameProgress {
public:
    explicit CountingProgress(int cancelAtPoll = -1) : cancelAtPoll_(cancelAtPoll) {}
    void ReportFrame() override {
        ++reports;
        order += 'r';
    }
    bool CancelRequested() override {
        order += 'c';
        return polls++ == cancelAtPoll_;
    }
    int reports = 0;
    int polls = 0;
    std::string order;

private:
    int cancelAtPoll_;
};

TEST(FrameWriter, FrameNames) {
    EXPECT_EQ(FrameFileName(1), "000001.jpg");
    EXPECT_EQ(FrameFileName(213), "000213.jpg");
    EXPECT_EQ(FrameFileName(1234567), "1234567.jpg");
}

TEST(FrameWriter, ParallelFilesEqualOneWorkerFiles) {
    const Bitmap picture = gradient(160, 120);
    FrameComposer composer(picture, {});
    for (std::uint8_t action : {0, 1, 2, 3, 4, 5, 6}) {
        const EffectPlan plan = PlanForAction(action, 160, 120, 90);
        TempFolder one, many;
        CountingProgress p1, p4;
        EXPECT_EQ(WriteFrames(plan, composer, one.dir(), 11, p1, {.workers = 1}), 101);
        EXPECT_EQ(WriteFrames(plan, composer, many.dir(), 11, p4, {.workers = 4}), 101);
        const auto a = test::filesIn(one.path()), b = test::filesIn(many.path());
        ASSERT_EQ(a.size(), 90u);
        EXPECT_EQ(a.begin()->first, "000011.jpg");
        EXPECT_EQ(a.rbegin()->first, "000100.jpg");
        EXPECT_TRUE(a == b) << int(action);
        EXPECT_EQ(p1.reports, 90);
        EXPECT_EQ(p4.reports, 90);
        EXPECT_EQ(p4.polls, 90);
    }
}

// Frames of one recipe are one file under every number, with the bytes a fresh encode of that
// recipe gives; frames of different recipes, or of another picture, never share a file.
TEST(FrameWriter, RepeatedFramesAreLinksOfOneFile) {
    const Bitmap picture = gradient(160, 120), other = gradient(120, 160);
    FrameComposer composer(picture, {}), otherComposer(other, {});
    for (std::uint8_t action : {0, 1, 3, 5}) {
        const EffectPlan plan = PlanForAction(action, 160, 120, 90);
        TempFolder dir;
        CountingProgress p;
        ASSERT_EQ(WriteFrames(plan, composer, dir.dir(), 1, p, {.workers = 3}), 91);
        ASSERT_EQ(WriteFrames(PlanStill(160, 120, 90), otherComposer, dir.dir(), 91, p, {.workers = 3}), 181);
        std::map<ino_t, std::size_t> firstFrameOf;  // inode -> first plan frame found in it
        for (std::size_t k = 0; k < 180; ++k) {
            const std::size_t number = k < 90 && plan.reversed ? 90 - k : k + 1;
            const fs::path file = dir.path() / FrameFileName(static_cast<int>(number));
            struct stat info {};
            ASSERT_EQ(::stat(file.c_str(), &info), 0) << file;
            const auto [it, first] = firstFrameOf.emplace(info.st_ino, k);
            const std::size_t j = it->second;
            const bool sameRecipe = (j < 90) == (k < 90) && (k >= 90 || plan.frames[j] == plan.frames[k]);
            EXPECT_TRUE(first || sameRecipe) << int(action) << ": frame " << number << " shares a file with plan frame " << j;
            if (first) {
                Bitmap frame;
                (k < 90 ? composer : otherComposer).compose(k < 90 ? plan.frames[k] : PlanStill(160, 120, 1).frames[0], frame);
                EXPECT_EQ(test::readBytes(file), jpeg::encode(frame, 100)) << file;
            }
        }
        if (action == 0) {
            EXPECT_EQ(firstFrameOf.size(), 2u);  // one file for each still picture
        }
    }
}

TEST(FrameWriter, ReversedPlansWriteBackwards) {
    const Bitmap picture = gradient(160, 120);
    FrameComposer composer(picture, {});
    TempFolder in, out;
    CountingProgress p;
    WriteFrames(PlanZoom(160, 120, 90, false), composer, in.dir(), 1, p, {.workers = 2});
    WriteFrames(PlanZoom(160, 120, 90, true), composer, out.dir(), 1, p, {.workers = 2});
    for (int k = 1; k <= 90; ++k)
        EXPECT_EQ(test::readBytes(in.path() / FrameFileName(k)), test::readBytes(out.path() / FrameFileName(91 - k)));
}

TEST(FrameWriter, PollOrderFollowsTheRenderer) {
    const Bitmap picture = gradient(160, 120);
    FrameComposer composer(picture, {});
    TempFolder dir;
    CountingProgress still, zoom;
    WriteFrames(PlanStill(160, 120, 30), composer, dir.dir(), 1, still, {.workers = 3, .progressFirst = true});
    WriteFrames(PlanZoom(160, 120, 30, false), composer, dir.dir(), 1, zoom, {.workers = 3});
    EXPECT_EQ(still.order.substr(0, 6), "rcrcrc");
    EXPECT_EQ(zoom.order.substr(0, 6), "crcrcr");
}

TEST(FrameWriter, CancelStopsAndLeavesOnlyWholeFrames) {
    const Bitmap picture = gradient(160, 120);
    FrameComposer composer(picture, {});
    for (bool still : {false, true}) {
        const EffectPlan plan = still ? PlanStill(160, 120, 90) : PlanZoom(160, 120, 90, false);
        TempFolder full, cancelled;
        CountingProgress all;
        WriteFrames(plan, composer, full.dir(), 1, all, {.workers = 1, .progressFirst = still});
        CountingProgress stopAt40(40);
        EXPECT_EQ(WriteFrames(plan, composer, cancelled.dir(), 1, stopAt40, {.workers = 4, .progressFirst = still}), -1);
        EXPECT_EQ(stopAt40.polls, 41);
        const auto written = test::filesIn(cancelled.path()), reference = test::filesIn(full.path());
        // The 40 frames taken before the cancel are all there and whole; nothing after them.
        ASSERT_EQ(written.size(), 40u) << still;
        for (const auto& [name, bytes] : written)
            EXPECT_EQ(bytes, reference.at(name)) << name;
        EXPECT_EQ(written.rbegin()->first, "000040.jpg");
    }
}

TEST(FrameWriter, UnwritableFolderIsAnError) {
    const Bitmap picture = gradient(32, 24);
    FrameComposer composer(picture, {});
    CountingProgress p;
    try {
        WriteFrames(PlanStill(32, 24, 30), composer, "/nonexistent-folder/", 1, p, {.workers = 2});
        FAIL();
    } catch (const Error& e) {
        // Whichever worker fails first names its frame.
        EXPECT_NE(std::string(e.what()).find("cannot write frame /nonexistent-folder/0000"), std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace kalidor
