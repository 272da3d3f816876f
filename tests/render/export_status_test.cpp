#include "render/export_result.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalidor {
namespace {

// Keeps what a dialog would show.
class RecordingStatus : public ExportStatus {
public:
    StatusButtons buttons;
    std::string detail;
    void SetFinished(bool finished) override {
        buttons.close = finished;
        buttons.cancel = !finished;
    }
    void SetOpenFolderEnabled(bool enabled) override { buttons.openFolder = enabled; }
    void ShowFailureDetail(const std::string& message) override { detail = message; }

protected:
    void ProgressChanged(int, int, int) override {}
    void StatusLabelChanged(const std::string&) override {}
};

TEST(ExportDialog, EachEndingShowsItsTextButtonsAndReason) {
    const struct {
        bool cancelled, succeeded, diskShort;
        const char* failure;
        const char* label;
        StatusButtons buttons;
    } cases[] = {
        {true, true, false, "", "処理をキャンセルしました", {false, false, true}},  // cancel wins
        {false, true, false, "", "処理が完了しました", {false, true, true}},
        {false, false, true, "x", "テンポラリのディスク容量が足りないため処理を中止しました", {false, false, true}},
        {false, false, false, "", "処理が失敗しました", {false, false, true}},
        {false, false, false, "a.jpg: 読めません", "処理が失敗しました\na.jpg: 読めません", {false, false, true}},
    };
    for (const auto& c : cases) {
        test::TempFolder project;
        std::filesystem::create_directories(project.path() / "tmp" / "sub");
        RecordingStatus status;
        status.SetProgressRange(0, 9);
        status.SetProgressPosition(9);
        status.ShowStatusText("画像に効果を適用中・・・", true);
        EXPECT_EQ(status.StatusLabel(), "画像に効果を適用中・・・ (10/10)");
        status.BeginExport("/v/");
        EXPECT_EQ(status.StatusLabel(), "初期化中････");
        EXPECT_EQ(status.buttons, kWorkingButtons);
        EXPECT_EQ(status.SaveFolder(), "/v/");
        ExportFlags flags{c.succeeded, c.diskShort, c.failure};
        flags.Cancelled = c.cancelled;
        const ExportResult result = FinishExport(project.dir(), status, flags);
        EXPECT_EQ(ResultLabelText(result, Message::Verbatim(status.detail)), c.label);
        EXPECT_EQ(status.buttons, c.buttons) << c.label;
        EXPECT_EQ(FinishedButtons(result), c.buttons) << c.label;
        EXPECT_EQ(status.ProgressPosition(), 9) << "the bar keeps its last position";
        EXPECT_FALSE(std::filesystem::exists(project.path() / "tmp"));
    }
}

}  // namespace
}  // namespace kalidor
