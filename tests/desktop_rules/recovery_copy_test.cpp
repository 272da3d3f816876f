#include "desktop_rules/recovery_copy.h"
#include "desktop_rules/recovery_writer.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace kalidor::rules {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// The example project with unsaved edits: a caption typed and a picture added since the save
// (its copy made in the folder), kept as a recovery copy.
struct Recovered {
    TempFolder home, workspace;
    std::string dir = workspace.dir() + "例/";
    Recovered() {
        fs::copy(KALIDOR_SOURCE_ROOT "/data/example", dir, fs::copy_options::recursive);
        TThPicObjectManager project;
        project.LoadProject(dir + "project.dat");
        project.Items(0).Text = "復元された文字";
        fs::copy_file(dir + "hills.jpg", dir + "added.jpg");
        auto added = project.Items(1).Clone();
        added->PicturePath = dir + "added.jpg";
        project.Add(std::move(added));
        UndoHistory history;
        WriteRecoveryCopy(home.dir(), {dir, 1700000000, StampOf(dir + "project.dat"),
                                       {dir + "added.jpg", dir + "unused.jpg"}, history.Snapshot(project)});
    }
};

struct Case {
    const char* name;
    std::function<void(Recovered&)> after;  // what happened before the next start
    RecoveryCase expected;
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
    if (fs::exists(r.dir + "project.dat") && GetParam().expected != RecoveryCase::ProjectChanged) {
        EXPECT_EQ(test::readBytes(r.dir + "project.dat"), savedProject);
    }
    EXPECT_TRUE(RemoveRecoveryCopy(r.home.dir()));
    EXPECT_EQ(FindRecoveryCopy(r.home.dir()).state, RecoveryCase::None);
}

void flipLastByte(Recovered& r) {
    auto bytes = test::readBytes(r.home.dir() + "recovery/copy.dat");
    bytes.back() ^= 0x01;
    test::writeBytes(r.home.dir() + "recovery/copy.dat", bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecoveryCopyTest,
    ::testing::Values(
        Case{"None", [](Recovered& r) { RemoveRecoveryCopy(r.home.dir()); }, RecoveryCase::None},
        Case{"Valid", [](Recovered& r) { fs::remove(r.dir + "added.jpg"); }, RecoveryCase::Valid},
        Case{"DamagedByte", flipLastByte, RecoveryCase::Damaged},
        Case{"Truncated",
             [](Recovered& r) { fs::resize_file(r.home.dir() + "recovery/copy.dat", 40); },
             RecoveryCase::Damaged},
        Case{"PictureLost",
             [](Recovered& r) {
                 fs::remove(r.dir + "added.jpg");
                 fs::remove_all(r.home.dir() + "recovery/pictures");
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
             RecoveryCase::ProjectChanged}),
    [](const auto& info) { return std::string(info.param.name); });

// The writer's jobs land in the order asked for: a removal after a write leaves no copy, and a
// write after a removal leaves one.
TEST(RecoveryWriterTest, TheLastJobDecides) {
    Recovered r;
    for (const bool removeLast : {true, false}) {
        RecoveryWriter writer(r.home.dir());
        if (!removeLast) writer.Remove();
        writer.Write({r.dir, 1, StampOf(r.dir + "project.dat"), {}, {}});
        if (removeLast) writer.Remove();
        writer.Finish();
        EXPECT_EQ(FindRecoveryCopy(r.home.dir()).state, removeLast ? RecoveryCase::None : RecoveryCase::Valid);
    }
}

}  // namespace
}  // namespace kalidor::rules
