#include "render/export_result.h"

#include "model/th_utility.h"

namespace kalidor {

ExportResult DecideExportResult(const ExportFlags& flags) {
    if (flags.Cancelled)
        return ExportResult::Cancelled;
    if (flags.EncodeSucceeded)
        return ExportResult::Completed;
    if (flags.DiskSpaceShort)
        return ExportResult::DiskSpaceShort;
    return ExportResult::Failed;
}

const char* ExportResultMessage(ExportResult result) {
    switch (result) {
    case ExportResult::Cancelled: return QT_TRANSLATE_NOOP("Messages", "処理をキャンセルしました");
    case ExportResult::Completed: return QT_TRANSLATE_NOOP("Messages", "処理が完了しました");
    case ExportResult::DiskSpaceShort:
        return QT_TRANSLATE_NOOP("Messages", "テンポラリのディスク容量が足りないため処理を中止しました");
    case ExportResult::Failed: break;
    }
    return QT_TRANSLATE_NOOP("Messages", "処理が失敗しました");
}

StatusButtons FinishedButtons(ExportResult result) {
    return {false, result == ExportResult::Completed, true};
}

std::string ResultLabelText(ExportResult result, const Message& failureDetail) {
    std::string text = ExportResultMessage(result);
    if (result == ExportResult::Failed && !failureDetail.empty())
        text += "\n" + failureDetail.Japanese();
    return text;
}

ExportResult FinishExport(const std::string& projectDir, ExportStatus& status, const ExportFlags& flags) {
    // Not reported when it fails: the result matters more than leftover frames.
    if (!flags.ProjectInUse)
        ThUtility::DeleteFolderTree(projectDir + "tmp");
    const ExportResult result = DecideExportResult(flags);
    const StatusButtons buttons = FinishedButtons(result);
    status.SetFinished(buttons.close);
    if (buttons.openFolder)
        status.SetOpenFolderEnabled(true);
    status.ShowStatusText(ExportResultMessage(result), false);
    if (result == ExportResult::Failed && !flags.FailureMessage.empty())
        status.ShowFailureDetail(status.Translate(flags.FailureMessage));
    return result;
}

}  // namespace kalidor
