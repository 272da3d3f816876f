#include "desktop_rules/thumbnail_loader.h"

#include <condition_variable>
#include <mutex>
#include <set>

#include <gtest/gtest.h>

namespace kalidor::rules {
namespace {

// An extractor that holds every call until it is opened, and fails for names ending in '!'.
class Gate {
public:
    bool extract(const std::string& path, Bitmap& bitmap) {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
        if (path.back() == '!')
            return false;
        bitmap = Bitmap(static_cast<int>(path.size()), 1);
        return true;
    }
    void waitForCalls(int count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return waiting_ >= count; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;
    bool open_ = false;
};

struct Received {
    std::mutex mutex;
    std::vector<std::pair<std::uint64_t, int>> items;  // generation, index
    std::set<int> missing;
};

std::vector<std::string> names(const std::string& prefix, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back(prefix + std::to_string(i));
    return paths;
}

TEST(ThumbnailLoader, DeliversEveryItemOfTheCurrentFolderOnly) {
    Gate gate;
    Received received;
    ThumbnailLoader loader([&](const std::string& p, Bitmap& b) { return gate.extract(p, b); },
                           [&](std::uint64_t generation, int index, std::optional<Bitmap> thumbnail) {
                               std::lock_guard lock(received.mutex);
                               received.items.push_back({generation, index});
                               if (!thumbnail)
                                   received.missing.insert(index);
                           },
                           2);
    loader.Start(names("old", 50), 124, 124);
    gate.waitForCalls(2);  // both workers hold an item of the old folder
    std::vector<std::string> current = names("new", 5);
    current[3] += "!";
    const std::uint64_t generation = loader.Start(current, 124, 124);
    gate.open();
    loader.WaitIdle();

    std::set<int> indices;
    for (const auto& [g, index] : received.items) {
        EXPECT_EQ(g, generation) << "stale work is dropped";
        indices.insert(index);
    }
    EXPECT_EQ(indices, (std::set<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(received.items.size(), 5u);
    EXPECT_EQ(received.missing, std::set<int>{3});
    const ThumbnailLoader::Progress progress = loader.CurrentProgress();
    EXPECT_EQ(progress.done, 5);
    EXPECT_EQ(progress.total, 5);
}

TEST(ThumbnailLoader, ItemsInViewComeFirst) {
    Gate gate;
    Received received;
    ThumbnailLoader loader([&](const std::string& p, Bitmap& b) { return gate.extract(p, b); },
                           [&](std::uint64_t, int index, std::optional<Bitmap>) {
                               std::lock_guard lock(received.mutex);
                               received.items.push_back({0, index});
                           },
                           1);
    loader.Start(names("p", 50), 124, 124);
    gate.waitForCalls(1);  // item 0 is being made
    loader.Prefer(40, 42);
    gate.open();
    loader.WaitIdle();
    ASSERT_EQ(received.items.size(), 50u);
    const int expected[] = {0, 40, 41, 42, 1, 2};
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(received.items[i].second, expected[i]) << i;
}

}  // namespace
}  // namespace kalidor::rules
