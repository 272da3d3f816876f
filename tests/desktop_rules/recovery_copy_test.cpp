#include "desktop_rules/recovery_copy.h"
#include "desktop_rules/recovery_writer.h"

#include "model/project_file.h"
#include "platform/file_io.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace kalidor::rules {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// A project with unsaved edits: a caption typed and a picture added since the save (its copy
// made in the folder), kept as a recovery copy.
struct Recovered {
    TempFolder home, workspace;
    std::string dir;
    TThPicObjectManager edited;
    explicit Recovered(const std::string& name = "例", const std::string& added = "added.jpg",
                       const std::string& addedFrom = "hills.jpg")
        : dir(workspace.dir() + name + "/") {
        fs::copy(KALIDOR_SOURCE_ROOT "/data/example", dir, fs::copy_options::recursive);
        edited.LoadProject(dir + "project.dat");
        edited.Items(0).Text = "復元された文字";
        fs::copy_file(dir + addedFrom, dir + added);
        auto picture = edited.Items(1).Clone();
        picture->PicturePath = dir + added;
        edited.Add(std::move(picture));
        Keep(1700000000);
    }
    RecoverySnapshot Snapshot(std::int64_t editedAt) const {
        UndoHistory history;
        return {dir, editedAt, StampOf(dir + "project.dat"), {dir + "added.jpg", dir + "unused.jpg"},
                history.Snapshot(edited)};
    }
    void Keep(std::int64_t editedAt) const { WriteRecoveryCopy(home.dir(), Snapshot(editedAt)); }
    std::string Live() const { return home.dir() + "recovery/"; }
};

struct Case {
    const char* name;
    std::function<void(Recovered&)> after;  // what happened before the next start
    RecoveryCase expected;
    bool older = false;
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
};

class RecoveryCopyTest : public ::testing::TestWithParam<Case> {};

TEST_P(RecoveryCopyTest, JudgesTheCopyAtTheNextStart) {
    Recovered r;
    const std::vector<std::uint8_t> savedProject = test::readBytes(r.dir + "project.dat");
    GetParam().after(r);
    const FoundRecovery found = FindRecoveryCopy(r.home.dir());
    ASSERT_EQ(found.state, GetParam().expected) << found.reason;
    EXPECT_EQ(found.reason.empty(), found.state != RecoveryCase::Damaged);
    EXPECT_EQ(found.older, GetParam().older);
    if (found.state == RecoveryCase::Valid) {
        EXPECT_EQ(found.editedAt, 1700000000);
        ASSERT_EQ(found.project.Count(), 4);
        EXPECT_EQ(found.project.Items(0).Text, "復元された文字");
        EXPECT_EQ(found.project.Items(3).PicturePath, r.dir + "added.jpg");
        // The copy of the added picture comes back from the recovery copy where it went.
        RestoreRecoveredPictures(r.home.dir(), found);
        EXPECT_EQ(test::readBytes(r.dir + "added.jpg"), test::readBytes(r.dir + "hills.jpg"));
    }
    // Keeping and reading the copy never touched the saved project.
    if (fs::exists(r.dir + "project.dat") && found.state != RecoveryCase::ProjectChanged &&
        found.state != RecoveryCase::Unchanged) {
        EXPECT_EQ(test::readBytes(r.dir + "project.dat"), savedProject);
    }
    // A copy that cannot be read is set aside whole, never deleted.
    if (found.state == RecoveryCase::Damaged) {
        const std::string aside = SetRecoveryCopyAside(r.home.dir());
        ASSERT_FALSE(aside.empty());
        EXPECT_FALSE(fs::exists(r.Live()));
        EXPECT_TRUE(fs::exists(aside + "pictures"));
    }
    EXPECT_TRUE(RemoveRecoveryCopy(r.home.dir()));
    EXPECT_EQ(FindRecoveryCopy(r.home.dir()).state, RecoveryCase::None);
}

void flipLastByte(Recovered& r) {
    auto bytes = test::readBytes(r.Live() + "copy.dat");
    bytes.back() ^= 0x01;
    test::writeBytes(r.Live() + "copy.dat", bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecoveryCopyTest,
    ::testing::Values(
        Case{"None", [](Recovered& r) { RemoveRecoveryCopy(r.home.dir()); }, RecoveryCase::None},
        Case{"Valid", [](Recovered& r) { fs::remove(r.dir + "added.jpg"); }, RecoveryCase::Valid},
        Case{"DamagedByte", flipLastByte, RecoveryCase::Damaged},
        Case{"Truncated", [](Recovered& r) { fs::resize_file(r.Live() + "copy.dat", 40); }, RecoveryCase::Damaged},
        Case{"Unreadable",
             [](Recovered& r) {
                 fs::rename(r.Live() + "copy.dat", r.Live() + "x");
                 fs::create_directory(r.Live() + "copy.dat");
             },
             RecoveryCase::Damaged},
        Case{"PictureLost",
             [](Recovered& r) {
                 fs::remove(r.dir + "added.jpg");
                 fs::remove(r.Live() + "pictures/added.jpg");
             },
             RecoveryCase::Damaged},
        Case{"PictureReplaced",
             [](Recovered& r) {
                 fs::remove(r.dir + "added.jpg");
                 fs::remove(r.Live() + "pictures/added.jpg");
                 fs::copy_file(r.dir + "夕焼け.jpg", r.Live() + "pictures/added.jpg");
             },
             RecoveryCase::Damaged},
        Case{"ProjectDeleted", [](Recovered& r) { fs::remove_all(r.dir); }, RecoveryCase::ProjectGone},
        Case{"ProjectRenamed", [](Recovered& r) { fs::rename(r.dir, r.workspace.dir() + "別名"); },
             RecoveryCase::ProjectGone},
        Case{"ProjectChangedSince",
             [](Recovered& r) {
                 auto bytes = test::readBytes(r.dir + "project.dat");
                 bytes.push_back(0);
                 test::writeBytes(r.dir + "project.dat", bytes);
             },
             RecoveryCase::ProjectChanged},
        Case{"SavedSince",
             [](Recovered& r) { test::writeBytes(r.dir + "project.dat", ProjectFileBytes(r.edited)); },
             RecoveryCase::Unchanged},
        Case{"OlderThanAFailedWrite",
             [](Recovered& r) {
                 fs::rename(r.Live() + "pictures", r.Live() + "elsewhere");
                 test::writeText(r.Live() + "pictures", "");
                 EXPECT_THROW(r.Keep(1700000100), FileError);
                 fs::remove(r.Live() + "pictures");
                 fs::rename(r.Live() + "elsewhere", r.Live() + "pictures");
             },
             RecoveryCase::Valid, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Nothing under the state folder is reached through a link planted there: the copy is refused,
// and the folder the link points to keeps every file.
TEST(RecoveryCopy, LinksInItsFoldersAreNeverFollowed) {
    for (const char* planted : {"", "recovery", "recovery/pictures"}) {
        Recovered r;
        RemoveRecoveryCopy(r.home.dir());
        TempFolder user;
        test::writeText(user.path() / "keep.txt", "the user's");
        test::writeText(user.path() / "added.jpg", "the user's photo");
        const fs::path link = *planted ? fs::path(r.home.dir() + planted) : r.home.path();
        fs::create_directories(link.parent_path());
        fs::remove_all(link);
        fs::create_directory_symlink(user.path(), link);
        try {
            r.Keep(1700000200);
            ADD_FAILURE() << planted << ": written through a link";
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find("symbolic link"), std::string::npos) << e.what();
        }
        EXPECT_EQ(FindRecoveryCopy(r.home.dir()).state, RecoveryCase::None) << planted;
        RemoveRecoveryCopy(r.home.dir());
        EXPECT_EQ(test::filesIn(user.path()).size(), 2u) << planted;
        EXPECT_EQ(test::readText(user.path() / "added.jpg"), "the user's photo") << planted;
    }
}

// The copy removes only files it wrote, and a picture comes back only as the copy kept it: never
// a file of the same name that it did not write or that another project's copy left.
TEST(RecoveryCopy, KeepsAndRemovesOnlyItsOwnPictures) {
    const struct {
        const char* name;
        std::function<void(const Recovered& other, const Recovered& r)> before;
        const char* leftAlone;  // a file in pictures/ that must stay, with its bytes
    } cases[] = {
        {"a file it did not write",
         [](const Recovered&, const Recovered& r) {
             RemoveRecoveryCopy(r.home.dir());
             fs::create_directories(r.Live() + "pictures");
             test::writeText(r.Live() + "pictures/added.jpg", "not the copy's");
         },
         "added.jpg"},
        {"another project's copy, its removal cut short",
         [](const Recovered& other, const Recovered& r) {
             RemoveRecoveryCopy(r.home.dir());
             WriteRecoveryCopy(r.home.dir(), other.Snapshot(1));
             fs::rename(r.Live() + "copy.dat", r.Live() + "removed.dat");
         },
         nullptr},
        {"another project's copy, replaced by this one's",
         [](const Recovered& other, const Recovered& r) { WriteRecoveryCopy(r.home.dir(), other.Snapshot(1)); },
         nullptr},
    };
    for (const auto& c : cases) {
        Recovered other("他", "added.jpg", "夕焼け.jpg");
        Recovered r;
        c.before(other, r);
        r.Keep(1700000000);
        fs::remove(r.dir + "added.jpg");
        const FoundRecovery found = FindRecoveryCopy(r.home.dir());
        ASSERT_EQ(found.state, RecoveryCase::Valid) << c.name << ": " << found.reason;
        RestoreRecoveredPictures(r.home.dir(), found);
        EXPECT_EQ(test::readBytes(r.dir + "added.jpg"), test::readBytes(r.dir + "hills.jpg")) << c.name;
        EXPECT_TRUE(RemoveRecoveryCopy(r.home.dir()) == !c.leftAlone) << c.name;
        if (c.leftAlone) {
            EXPECT_EQ(test::readText(r.Live() + "pictures/" + c.leftAlone), "not the copy's") << c.name;
        }
    }
}

// A copy is put off, set aside or made the live one again by name, never by deleting another.
TEST(RecoveryCopy, DeferredAndSetAsideCopiesAreKeptBesideTheLiveOne) {
    Recovered r;
    const std::string deferred = DeferRecoveryCopy(r.home.dir());
    ASSERT_FALSE(deferred.empty());
    EXPECT_EQ(RecoveryCopiesIn(r.home.dir()), std::vector<std::string>{deferred});
    r.Keep(1700000300);
    EXPECT_EQ(RecoveryCopiesIn(r.home.dir()), (std::vector<std::string>{"recovery", deferred}));
    EXPECT_FALSE(AdoptRecoveryCopy(r.home.dir(), deferred));  // the live one is not replaced
    EXPECT_EQ(FindRecoveryCopy(r.home.dir(), deferred).editedAt, 1700000000);
    // Set aside twice within a second, both are kept.
    const std::string first = SetRecoveryCopyAside(r.home.dir());
    const std::string second = SetRecoveryCopyAside(r.home.dir(), deferred);
    ASSERT_FALSE(first.empty() || second.empty());
    EXPECT_NE(first, second);
    EXPECT_TRUE(fs::exists(first + "copy.dat") && fs::exists(second + "copy.dat"));
    EXPECT_TRUE(RecoveryCopiesIn(r.home.dir()).empty());
}

// The writer's jobs land in the order asked for, and it tells how each one ended.
TEST(RecoveryWriterTest, TheLastJobDecidesAndEachOutcomeIsTold) {
    Recovered r;
    for (const bool removeLast : {true, false}) {
        RecoveryWriter writer(r.home.dir());
        if (!removeLast) writer.Remove();
        writer.Write(r.Snapshot(1));
        if (removeLast) writer.Remove();
        writer.Finish();
        EXPECT_EQ(FindRecoveryCopy(r.home.dir()).state, removeLast ? RecoveryCase::None : RecoveryCase::Valid);
    }
    std::vector<std::string> told;
    const std::string blocked = r.home.dir() + "blocked/";
    test::writeText(r.home.dir() + "blocked", "a file where the folder goes");
    RecoveryWriter writer(blocked, [&](const std::string& error) { told.push_back(error); });
    writer.Write(r.Snapshot(2));
    writer.Finish();
    EXPECT_TRUE(writer.LastFailed());
    fs::remove(r.home.dir() + "blocked");
    writer.Write(r.Snapshot(3));
    writer.Finish();
    EXPECT_FALSE(writer.LastFailed());
    ASSERT_EQ(told.size(), 2u);
    EXPECT_NE(told[0].find(r.home.dir() + "blocked"), std::string::npos) << told[0];
    EXPECT_EQ(told[1], "");
}

}  // namespace
}  // namespace kalidor::rules
