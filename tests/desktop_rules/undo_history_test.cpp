#include "desktop_rules/action_page.h"
#include "desktop_rules/storyboard_editing.h"
#include "desktop_rules/undo_history.h"

#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"
#include "model/picture_adding.h"
#include "model/project_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace kalidor::rules {
namespace {

using test::TempFolder;

// A project folder with three pictures added as the program adds them, and two more pictures
// beside it, ready to be added.
struct Fixture {
    TempFolder folder, sources;
    TThPicObjectManager project;
    Fixture() {
        project.ProjectDir = folder.dir();
        for (int i = 0; i < 5; ++i) {
            Bitmap picture(60 + 20 * i, 40);
            picture.fillBgr24(0x00204060u + 0x00101010u * static_cast<std::uint32_t>(i));
            const std::string path = sources.dir() + "s" + std::to_string(i) + (i % 2 ? ".jpg" : ".bmp");
            if (i % 2)
                jpeg::writeFile(picture, path, 90);
            else
                bmp::writeFile(picture, path);
            if (i < 3)
                AddPictureFile(project, path, -1);
        }
    }
    std::vector<std::uint8_t> bytes() const { return ProjectFileBytes(project); }
    void restore(const ProjectState& state) { RestoreState(project, state, StoryboardThumbnailOf); }
};

// Each kind of edit, done, undone and redone: what a save would write is the same, byte for byte,
// as before and after it.
TEST(UndoHistory, EveryKindOfEditIsUndoneAndRedoneToTheByte) {
    struct Case {
        const char* edit;
        std::function<void(Fixture&)> apply;
        std::function<void(Fixture&)> before = {};  // the starting point, when it needs more
    } const cases[] = {
        {"add two pictures", [](Fixture& f) {
             AddPictureFile(f.project, f.sources.dir() + "s3.jpg", 1);
             AddPictureFile(f.project, f.sources.dir() + "s4.bmp", 1);
         }},
        {"delete two", [](Fixture& f) {
             f.project.Items(0).Selected = f.project.Items(2).Selected = true;
             DeleteSelectedPictures(f.project);
         }},
        {"move by button", [](Fixture& f) {
             f.project.Items(0).Selected = true;
             MoveSelectedPicture(f.project, 1);
         }},
        {"move by drop", [](Fixture& f) { MovePicture(f.project, 2, 0); }},
        {"give an action", [](Fixture& f) {
             f.project.Items(1).Selected = true;
             GiveActionToSelected(f.project, apCurtainLeft, ActionTarget::Picture);
         }},
        {"take the actions", [](Fixture& f) { ClearActionsOfSelected(f.project); },
         [](Fixture& f) {
             f.project.Items(1).PicAction = apZoomIN;
             f.project.Items(1).StrAction = asTopC;
             f.project.Items(1).Selected = true;
         }},
        {"caption", [](Fixture& f) { f.project.Items(2).Text = "夏の海"; }},
        {"display time", [](Fixture& f) { f.project.Items(0).DisplayTime = 11; }},
        {"font", [](Fixture& f) { f.project.Items(1).Font = {"IPAGothic", 30, 0x0000FF, fsBold}; }},
        {"movie settings", [](Fixture& f) {
             f.project.MovRatio = 1;
             f.project.MovWidth = 1280;
             f.project.MovHeight = 720;
             f.project.SaveFilePath = "/m/a.AVI";
             f.project.MovType = 1;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit);
        Fixture f;
        if (c.before)
            c.before(f);
        UndoHistory history;
        history.Reset(f.project);
        const auto before = f.bytes();
        c.apply(f);
        ASSERT_TRUE(history.Commit(f.project));
        const auto after = f.bytes();
        ASSERT_NE(before, after);
        f.restore(*history.Undo());
        EXPECT_EQ(f.bytes(), before);
        EXPECT_FALSE(history.CanUndo());
        f.restore(*history.Redo());
        EXPECT_EQ(f.bytes(), after);
        EXPECT_FALSE(history.CanRedo());
    }
}

TEST(UndoHistory, TypingIntoOneCaptionIsOneCommandUntilAnotherEdit) {
    Fixture f;
    UndoHistory history;
    history.Reset(f.project);
    for (const char* typed : {"S", "Se", "Sea"}) {
        f.project.Items(0).Text = typed;
        history.Commit(f.project, "caption 0");
    }
    f.project.Items(1).Text = "x";
    history.Commit(f.project, "caption 1");  // another caption: a command of its own
    f.project.Items(0).Text = "Sea!";
    history.Commit(f.project, "caption 0");  // typing again after another edit: one more
    f.project.Items(0).Selected = true;
    EXPECT_FALSE(history.Commit(f.project));  // selecting changes nothing a save writes
    EXPECT_EQ(history.Count(), 3u);
    f.restore(*history.Undo());
    EXPECT_EQ(f.project.Items(0).Text, "Sea");
    f.restore(*history.Undo());
    EXPECT_EQ(f.project.Items(1).Text, "");
    f.restore(*history.Undo());
    EXPECT_EQ(f.project.Items(0).Text, "");
    // Typed and taken back again: nothing is left to undo.
    f.project.Items(2).Text = "y";
    history.Commit(f.project, "caption 2");
    f.project.Items(2).Text = "";
    history.Commit(f.project, "caption 2");
    EXPECT_FALSE(history.CanUndo());
}

TEST(UndoHistory, TheCleanPointAndTheBound) {
    Fixture f;
    UndoHistory history(3);
    history.Reset(f.project);
    EXPECT_TRUE(history.AtClean());
    const auto edit = [&](int seconds) {
        f.project.Items(0).DisplayTime = seconds;
        history.Commit(f.project);
    };
    edit(7);
    history.MarkClean();  // saved
    edit(8);
    EXPECT_FALSE(history.AtClean());
    history.Undo();
    EXPECT_TRUE(history.AtClean());
    history.Undo();
    EXPECT_FALSE(history.AtClean());
    history.Redo();
    EXPECT_TRUE(history.AtClean());
    // A new edit where the saved state was undone away leaves it out of reach.
    history.Undo();
    edit(9);
    history.Undo();
    EXPECT_FALSE(history.AtClean());
    // At most three commands: the oldest go.
    for (int seconds : {3, 4, 5, 6, 10})
        edit(seconds);
    EXPECT_EQ(history.Count(), 3u);
    int undone = 0;
    while (const ProjectState* state = history.Undo()) {
        f.restore(*state);
        ++undone;
    }
    EXPECT_EQ(undone, 3);
    EXPECT_EQ(f.project.Items(0).DisplayTime, 4);  // before the oldest command kept, 4 -> 5
}

}  // namespace
}  // namespace kalidor::rules
