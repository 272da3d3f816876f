#include "desktop_rules/action_page.h"
#include "desktop_rules/storyboard_editing.h"
#include "desktop_rules/undo_history.h"

#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"
#include "model/picture_adding.h"
#include "model/project_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalidor::rules {
namespace {

using test::TempFolder;

// The bundled example project (captions that differ from picture to picture, thumbnails made by
// its own tool, not by adding) in a scratch folder, and two more pictures beside it, ready to
// be added.
struct Fixture {
    TempFolder folder, sources;
    TThPicObjectManager project;
    UndoHistory history;
    Fixture() {
        std::filesystem::copy(KALIDOR_SOURCE_ROOT "/data/example", folder.path(),
                              std::filesystem::copy_options::recursive);
        project.LoadProject(folder.dir() + "project.dat");
        for (int i = 3; i < 5; ++i) {
            Bitmap picture(60 + 20 * i, 40);
            picture.fillBgr24(0x00204060u + 0x00101010u * static_cast<std::uint32_t>(i));
            const std::string path = sources.dir() + "s" + std::to_string(i) + (i % 2 ? ".jpg" : ".bmp");
            if (i % 2)
                jpeg::writeFile(picture, path, 90);
            else
                bmp::writeFile(picture, path);
        }
    }
    std::vector<std::uint8_t> bytes() const { return ProjectFileBytes(project); }
    // An edit as the window makes it: the state before it, the change, the step.
    bool edit(const std::function<void()>& change, const std::string& label = "x", const std::string& key = {}) {
        ProjectState before = history.Snapshot(project);
        change();
        return history.Commit(std::move(before), project, label, key);
    }
    std::string selection() const {
        std::string on;
        for (int i = 0; i < project.Count(); ++i)
            on += project.Items(i).Selected ? '1' : '0';
        return on;
    }
};

// Each kind of edit, done, undone and redone on the example: what a save would write is the
// same, byte for byte, as before and after it, and the selection comes back with the step.
TEST(UndoHistory, EveryKindOfEditIsUndoneAndRedoneToTheByte) {
    struct Case {
        const char* label;
        std::function<void(Fixture&)> apply;
        std::function<void(Fixture&)> before = {};  // the starting point, when it needs more
    } const cases[] = {
        {kStepAddPictures, [](Fixture& f) {
             AddPictureFile(f.project, f.sources.dir() + "s3.jpg", 1);
             AddPictureFile(f.project, f.sources.dir() + "s4.bmp", 1);
         }},
        {kStepDeletePictures, [](Fixture& f) { DeleteSelectedPictures(f.project); },
         [](Fixture& f) { f.project.Items(0).Selected = f.project.Items(2).Selected = true; }},
        {kStepMovePicture, [](Fixture& f) { MoveSelectedPicture(f.project, 1); },
         [](Fixture& f) { f.project.Items(0).Selected = true; }},
        {kStepMovePicture, [](Fixture& f) { MovePicture(f.project, 2, 0); }},
        {kStepGiveAction, [](Fixture& f) { GiveActionToSelected(f.project, apCurtainRight, ActionTarget::Picture); },
         [](Fixture& f) { f.project.Items(1).Selected = true; }},
        {kStepTakeActions, [](Fixture& f) { ClearActionsOfSelected(f.project); },
         [](Fixture& f) { f.project.Items(1).Selected = true; }},
        {kStepCaption, [](Fixture& f) { f.project.Items(2).Text = "夏の海"; }},
        {kStepDisplayTime, [](Fixture& f) { f.project.Items(0).DisplayTime = 11; }},
        {kStepFont, [](Fixture& f) { f.project.Items(1).Font = {"IPAGothic", 30, 0x0000FF, fsBold}; }},
        {kStepMovieSettings, [](Fixture& f) {
             f.project.MovRatio = 1;
             f.project.MovWidth = 1280;
             f.project.MovHeight = 720;
             f.project.SaveFilePath = "/m/a.AVI";
             f.project.MovType = 1;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Fixture f;
        if (c.before)
            c.before(f);
        const auto before = f.bytes();
        const std::string selectedBefore = f.selection();
        ASSERT_TRUE(f.edit([&] { c.apply(f); }, c.label));
        EXPECT_EQ(f.history.UndoLabel(), c.label);
        const auto after = f.bytes();
        const std::string selectedAfter = f.selection();
        ASSERT_NE(before, after);
        RestoreState(f.project, *f.history.Undo());
        EXPECT_EQ(f.bytes(), before);
        EXPECT_EQ(f.selection(), selectedBefore);
        EXPECT_FALSE(f.history.CanUndo());
        EXPECT_EQ(f.history.RedoLabel(), c.label);
        RestoreState(f.project, *f.history.Redo());
        EXPECT_EQ(f.bytes(), after);
        EXPECT_EQ(f.selection(), selectedAfter);
        EXPECT_FALSE(f.history.CanRedo());
    }
}

TEST(UndoHistory, TypingIntoOneCaptionIsOneStepUntilAnotherEdit) {
    Fixture f;
    const auto type = [&f](int index, const char* text) {
        return f.edit([&] { f.project.Items(index).Text = text; }, kStepCaption, "caption " + std::to_string(index));
    };
    for (const char* typed : {"S", "Se", "Sea"})
        type(0, typed);
    type(1, "x");  // another caption: a step of its own
    type(0, "Sea!");  // typing again after another edit: one more
    EXPECT_FALSE(f.edit([&] { f.project.Items(0).Selected = true; }));  // selecting changes nothing a save writes
    EXPECT_EQ(f.history.Count(), 3u);
    RestoreState(f.project, *f.history.Undo());
    EXPECT_EQ(f.project.Items(0).Text, "Sea");
    RestoreState(f.project, *f.history.Undo());
    EXPECT_EQ(f.project.Items(1).Text, "Green hills 緑の丘");
    RestoreState(f.project, *f.history.Undo());
    EXPECT_EQ(f.project.Items(0).Text, "夕焼けの海");
    // Typed and taken back again: nothing is left to undo.
    type(2, "y");
    type(2, "");
    EXPECT_FALSE(f.history.CanUndo());
}

TEST(UndoHistory, TheCleanPointAndTheBound) {
    Fixture f;
    f.history = UndoHistory(3);
    EXPECT_TRUE(f.history.AtClean());
    const auto edit = [&](int seconds) { f.edit([&] { f.project.Items(0).DisplayTime = seconds; }); };
    edit(7);
    f.history.MarkClean();  // saved
    edit(8);
    EXPECT_FALSE(f.history.AtClean());
    f.history.Undo();
    EXPECT_TRUE(f.history.AtClean());
    f.history.Undo();
    EXPECT_FALSE(f.history.AtClean());
    f.history.Redo();
    EXPECT_TRUE(f.history.AtClean());
    // A new edit where the saved state was undone away leaves it out of reach.
    f.history.Undo();
    edit(9);
    f.history.Undo();
    EXPECT_FALSE(f.history.AtClean());
    // At most three steps: the oldest go. Their states share one thumbnail a picture.
    for (int seconds : {3, 4, 5, 6, 10})
        edit(seconds);
    EXPECT_EQ(f.history.Count(), 3u);
    EXPECT_EQ(f.history.ThumbnailCount(), 3u);
    int undone = 0;
    while (const ProjectState* state = f.history.Undo()) {
        RestoreState(f.project, *state);
        ++undone;
    }
    EXPECT_EQ(undone, 3);
    EXPECT_EQ(f.project.Items(0).DisplayTime, 4);  // before the oldest step kept, 4 -> 5
    // A deleted picture's thumbnail is held while a step can bring it back, and no longer.
    f.project.Items(1).Selected = true;
    f.edit([&] { DeleteSelectedPictures(f.project); });
    for (int seconds : {3, 4, 5})
        edit(seconds);
    EXPECT_EQ(f.history.ThumbnailCount(), 2u);
}

}  // namespace
}  // namespace kalidor::rules
