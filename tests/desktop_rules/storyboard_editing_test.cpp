#include "desktop_rules/storyboard_editing.h"

#include "model/th_utility.h"
#include "imaging/bmp_codec.h"
#include "support/test_support.h"

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

namespace kalidor::rules {
namespace {

// The program's own text of a refusal, or nothing.
std::optional<std::string> japanese(const std::optional<Message>& message) {
    return message ? std::optional(message->Japanese()) : std::nullopt;
}

// A project of pictures named p0, p1, ... (no files behind them), with the given ones selected.
TThPicObjectManager projectOf(int count, std::set<int> selected = {}) {
    TThPicObjectManager project;
    for (int i = 0; i < count; ++i) {
        auto picture = std::make_unique<TThPicObject>();
        picture->PicturePath = "p" + std::to_string(i);
        picture->Selected = selected.count(i) > 0;
        project.Add(std::move(picture));
    }
    return project;
}

std::set<int> selectedOf(const TThPicObjectManager& project) {
    std::set<int> selected;
    for (int i = 0; i < project.Count(); ++i)
        if (project.Items(i).Selected)
            selected.insert(i);
    return selected;
}

// The pictures' names in order (the file name of each path).
std::vector<std::string> orderOf(const TThPicObjectManager& project) {
    std::vector<std::string> names;
    for (int i = 0; i < project.Count(); ++i)
        names.push_back(ThUtility::ExtractFileName(project.Items(i).PicturePath));
    return names;
}

TEST(StoryboardEditing, ClickSelection) {
    struct Case {
        std::set<int> before;
        int clicked;
        ClickKeys keys;
        std::set<int> after;
    } const cases[] = {
        {{2, 7}, 4, {}, {4}},
        {{}, 4, {.shift = true}, {0, 1, 2, 3, 4}},
        {{2, 7}, 4, {.shift = true}, {2, 3, 4}},  // from the first selected, 7 is dropped
        {{5}, 2, {.shift = true}, {2, 3, 4, 5}},
        {{2, 7}, 7, {.ctrl = true}, {2}},
        {{2}, 5, {.ctrl = true}, {2, 5}},
        {{2}, 5, {.ctrl = true, .shift = true}, {2, 5}},  // Ctrl wins
    };
    for (const Case& c : cases) {
        TThPicObjectManager project = projectOf(10, c.before);
        ClickPicture(project, c.clicked, c.keys);
        EXPECT_EQ(selectedOf(project), c.after) << "click on " << c.clicked;
    }
    TThPicObjectManager project = projectOf(4, {1, 3});
    ClearSelection(project);
    EXPECT_EQ(SelectedCount(project), 0);
}

TEST(StoryboardEditing, CheckPassNamesTheFirstBrokenJpegOnly) {
    test::TempFolder folder;
    auto file = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        test::writeBytes(folder.path() / name, bytes);
        return folder.dir() + name;
    };
    const std::string good = file("good.bmp", bmp::encode(Bitmap(4, 4)));
    const std::string broken1 = file("broken1.JPG", {'x'});
    const std::string broken2 = file("broken2.jpeg", {'y'});
    const std::string notRead = file("garbage.png", {'z'});  // other kinds pass unread
    struct Case {
        std::vector<std::string> paths;
        bool fromButton;
        std::optional<std::string> message;
        std::string reasonNames = {};  // the file the codec's reason below the message names
    } const cases[] = {
        {{good, broken1, notRead, broken2}, true, "「broken1.JPG」は非対応画像です", broken1},
        {{notRead, good, broken2}, false, "「broken2.jpeg」は非対応画像です", broken2},
        {{good, notRead}, true, std::nullopt},
        {{}, true, kSelectPicturesToAdd},
        {{}, false, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> message = japanese(CheckPicturesToAdd(c.paths, c.fromButton));
        if (c.reasonNames.empty()) {
            EXPECT_EQ(message, c.message) << c.paths.size();
            continue;
        }
        ASSERT_TRUE(message) << c.paths.size();
        EXPECT_EQ(message->substr(0, message->find('\n')), *c.message);
        EXPECT_NE(message->find("\nJPEG: "), std::string::npos) << *message;
        EXPECT_NE(message->find("(" + c.reasonNames + ")"), std::string::npos) << *message;
    }
}

TEST(StoryboardEditing, AddingInsertsInOrderAndSkipsWhatCannotBeAdded) {
    test::TempFolder source, projectDir;
    for (const char* name : {"X.bmp", "Y.bmp", "Z.bmp"})
        bmp::writeFile(Bitmap(30, 20), source.dir() + name);
    test::writeText(source.path() / "notes.bmp", "not a picture");
    const std::string x = source.dir() + "X.bmp", y = source.dir() + "Y.bmp", z = source.dir() + "Z.bmp";
    struct Case {
        int index;
        std::vector<std::string> files;
        std::vector<std::string> order;
        std::vector<std::string> messages;
    } const cases[] = {
        {2, {x, y, z}, {"p0", "p1", "Z.bmp", "Y.bmp", "X.bmp", "p2", "p3", "p4"}, {}},
        {-1, {x, y, z}, {"p0", "p1", "p2", "p3", "p4", "X.bmp", "Y.bmp", "Z.bmp"}, {}},
        {0,
         {x, source.dir() + "gone.bmp", source.dir() + "notes.bmp", y},
         {"Y.bmp", "X.bmp", "p0", "p1", "p2", "p3", "p4"},
         {"「gone.bmp」をプロジェクトにコピーできませんでした\ncannot copy " + source.dir() + "gone.bmp to " +
              projectDir.dir() + "gone.bmp: No such file or directory",
          "「notes.bmp」は非対応画像です\nnot a BMP, JPEG or PNG picture (" + source.dir() + "notes.bmp)"}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(projectDir.path());
        TThPicObjectManager project = projectOf(5);
        project.ProjectDir = projectDir.dir();
        std::vector<int> progress;
        const AddResult result = AddPictureFiles(project, c.files, c.index, [&](int done, int total) {
            EXPECT_EQ(total, static_cast<int>(c.files.size()));
            progress.push_back(done);
            return true;
        });
        EXPECT_EQ(orderOf(project), c.order) << c.index;
        EXPECT_EQ(result.added, project.Count() - 5);
        std::vector<std::string> messages;
        for (const Message& message : result.messages) messages.push_back(message.Japanese());
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(progress.size(), c.files.size());
        for (int i = 0; i < project.Count(); ++i)
            if (project.Items(i).PicturePath.front() == '/') {
                EXPECT_TRUE(std::filesystem::exists(project.Items(i).PicturePath));
                EXPECT_EQ(project.Items(i).Thumbnail.width(), 105);
            }
        // Only what was added has a copy in the project folder.
        EXPECT_EQ(static_cast<int>(test::filesIn(projectDir.path()).size()), result.added);
    }

    // Stopping after the first file keeps it.
    TThPicObjectManager project = projectOf(0);
    project.ProjectDir = projectDir.dir() + "stop/";
    EXPECT_EQ(AddPictureFiles(project, {x, y}, -1, [](int, int) { return false; }).added, 1);
}

TEST(StoryboardEditing, MovingByDragAndByTheButtons) {
    TThPicObjectManager dragged = projectOf(5);
    MovePicture(dragged, 0, 3);
    EXPECT_EQ(orderOf(dragged), (std::vector<std::string>{"p1", "p2", "p3", "p0", "p4"}));

    struct Press {
        int tag;
        std::optional<std::string> message;
        int selectedAt;
    };
    struct Case {
        std::set<int> selected;
        std::vector<Press> presses;
    } const cases[] = {
        {{1}, {{1, {}, 2}, {1, {}, 3}, {1, {}, 4}, {1, kCannotMoveBack, 4}}},
        {{1}, {{0, {}, 0}, {0, kCannotMoveForward, 0}}},
        {{}, {{0, kSelectOnePictureToMove, -1}, {1, kSelectOnePictureToMove, -1}}},
        {{1, 2}, {{1, kSelectOnePictureToMove, 1}}},
    };
    for (const Case& c : cases) {
        TThPicObjectManager project = projectOf(5, c.selected);
        const std::string moved = c.selected.empty() ? "" : "p" + std::to_string(*c.selected.begin());
        for (const Press& press : c.presses) {
            EXPECT_EQ(japanese(MoveSelectedPicture(project, press.tag)), press.message);
            EXPECT_EQ(FirstSelected(project), press.selectedAt);
            if (press.selectedAt >= 0) {
                EXPECT_EQ(orderOf(project)[static_cast<std::size_t>(press.selectedAt)], moved);
            }
        }
    }
}

TEST(StoryboardEditing, DeletingTakesOutTheSelectedPictures) {
    struct Case {
        int count;
        std::set<int> selected;
        std::optional<std::string> refusal;
        std::vector<std::string> order;
    } const cases[] = {
        {10, {1, 4, 8}, std::nullopt, {"p0", "p2", "p3", "p5", "p6", "p7", "p9"}},
        {3, {0, 1, 2}, std::nullopt, {}},
        {3, {}, kSelectOnePictureToDelete, {"p0", "p1", "p2"}},
    };
    for (const Case& c : cases) {
        TThPicObjectManager project = projectOf(c.count, c.selected);
        EXPECT_EQ(japanese(CheckDelete(project)), c.refusal);
        if (!c.refusal) {
            EXPECT_EQ(DeleteSelectedPictures(project), static_cast<int>(c.selected.size()));
        }
        EXPECT_EQ(orderOf(project), c.order);
    }
}

TEST(StoryboardEditing, CaptionsMustFitTheProjectFile) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"", std::nullopt},
        {"春の旅行 ２０２６ ①", std::nullopt},
        {"a한b😀", "「한」はキャプションに使えない文字です"},
        {"旅😀", "「😀」はキャプションに使えない文字です"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(japanese(CheckCaptionText(text)), message) << text;
}

TEST(StoryboardEditing, DropsAndTheirActions) {
    struct Case {
        DragSource source;
        int files;
        bool actionSelected;
        bool strip, panel;
        PanelDrop drop;
    } const cases[] = {
        {DragSource::BrowserFiles, 2, false, true, true, PanelDrop::InsertFiles},
        {DragSource::BrowserFiles, 0, false, false, false, PanelDrop::InsertFiles},
        {DragSource::DesktopFiles, 1, false, true, true, PanelDrop::InsertFiles},
        {DragSource::ActionList, 0, true, false, true, PanelDrop::GiveAction},
        {DragSource::ActionList, 0, false, false, false, PanelDrop::GiveAction},
        {DragSource::ActionPreview, 0, false, false, true, PanelDrop::GiveAction},
        {DragSource::PanelControl, 0, false, false, true, PanelDrop::MovePicture},
        {DragSource::Other, 3, true, false, false, PanelDrop::Nothing},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StripAcceptsDrop(c.source, c.files), c.strip) << static_cast<int>(c.source);
        EXPECT_EQ(PanelAcceptsDrop(c.source, c.files, c.actionSelected), c.panel) << static_cast<int>(c.source);
        EXPECT_EQ(PanelDropFor(c.source), c.drop);
    }
    for (const auto& [name, supported] : std::vector<std::pair<std::string, bool>>{
             {"a.JPG", true}, {"b.Png", true}, {"c.jpeg", true}, {"d.bmp", true}, {"e.gif", false}, {"jpg", false}})
        EXPECT_EQ(IsSupportedPicture(name), supported) << name;
}

}  // namespace
}  // namespace kalidor::rules
