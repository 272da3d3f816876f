#include "model/save_command.h"

#include "model/pic_object.h"
#include "imaging/jpeg_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalidor {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

TEST(SaveCommand, SavesAndRemovesOnlyTheUnusedCopiesItNamed) {
    TempFolder folder;
    const std::string d = folder.dir();
    jpeg::writeFile(Bitmap(8, 8), d + "kept.jpg", 90);
    for (const char* name : {"gone.png", "added.BMP", "Kept.jpg", "stray.jpg", "notes.txt", "movie.MP4"})
        test::writeText(folder.path() / name, "x");
    fs::create_directories(folder.path() / "tmp");
    test::writeText(folder.path() / "tmp" / "1.bmp", "x");
    TempFolder outside;
    test::writeText(outside.path() / "pointed.jpg", "x");
    fs::create_symlink(outside.path() / "pointed.jpg", folder.path() / "link.jpg");
    const auto picture = [&](const char* name) {
        auto p = std::make_unique<TThPicObject>();
        p->PicturePath = d + name;
        return p;
    };
    {
        TThPicObjectManager saved;
        saved.ProjectDir = d;
        for (const char* name : {"kept.jpg", "gone.png", "link.jpg"})
            saved.Add(picture(name));
        saved.SaveProject();
    }

    // Opened naming kept.jpg, gone.png and link.jpg; added.BMP added since; then all but kept.jpg
    // taken out again.
    TThPicObjectManager project;
    project.LoadProject(d + "project.dat");
    project.Add(picture("added.BMP"));
    for (int i = 3; i > 0; --i)
        project.Delete(i);
    MovieSettingsPage page;
    page.format = MovieFormatButton::AVI;
    page.saveFilePath = d + "movie.MP4";
    bool modified = true;
    const SaveCommandResult result = SaveProjectCommand(page, project, modified);

    EXPECT_TRUE(result.saved);
    EXPECT_EQ(result.message, "保存しました");
    EXPECT_FALSE(modified);
    // Gone: the copies the project named, as opened or added since, that it no longer uses.
    // Kept: the used copy, the project's own files, other kinds, the subfolder, the link and what
    // it points to, and picture files the project never named (a letter-case twin included).
    for (const char* name :
         {"kept.jpg", "project.dat", "thum.bmp", "notes.txt", "movie.MP4", "tmp/1.bmp", "Kept.jpg", "stray.jpg"})
        EXPECT_TRUE(fs::exists(folder.path() / name)) << name;
    for (const char* name : {"gone.png", "added.BMP"})
        EXPECT_FALSE(fs::exists(folder.path() / name)) << name;
    EXPECT_TRUE(fs::is_symlink(folder.path() / "link.jpg"));
    EXPECT_TRUE(fs::exists(outside.path() / "pointed.jpg"));

    TThPicObjectManager reread;
    reread.LoadProject(d + "project.dat");
    EXPECT_EQ(reread.MovType, 1);
    EXPECT_EQ(reread.SaveFilePath, d + "movie.AVI");
}

TEST(SaveCommand, FailedSaveKeepsModifiedAndRemovesNothing) {
    TempFolder folder;
    test::writeText(folder.path() / "copy.jpg", "x");
    fs::create_directories(folder.path() / "project.dat");  // the new file cannot replace it
    TThPicObjectManager project;
    project.ProjectDir = folder.dir();
    MovieSettingsPage page;
    bool modified = true;
    const SaveCommandResult result = SaveProjectCommand(page, project, modified);
    EXPECT_FALSE(result.saved);
    EXPECT_FALSE(result.message.empty());
    EXPECT_NE(result.message, "保存しました");
    EXPECT_TRUE(modified);
    EXPECT_TRUE(fs::exists(folder.path() / "copy.jpg"));
}

}  // namespace
}  // namespace kalidor
