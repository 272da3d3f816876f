#include "render/export_status.h"

#include <algorithm>
#include <cstdint>

namespace kalidor {

std::string CountedStatusText(const std::string& text, int position, int maximum) {
    // 64-bit, so that a bar at INT_MAX still counts up instead of wrapping.
    return text + " (" + std::to_string(static_cast<std::int64_t>(position) + 1) + "/" +
           std::to_string(static_cast<std::int64_t>(maximum) + 1) + ")";
}

void ExportStatus::SetProgressRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    position_ = minimum_;
    ++rangeSerial_;
    ProgressChanged(minimum_, maximum_, position_);
}

void ExportStatus::SetProgressPosition(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
    ProgressChanged(minimum_, maximum_, position_);
}

void ExportStatus::ShowStatusText(const Message& text, bool withCounter) {
    const std::string translated = Translate(text);
    label_ = withCounter ? CountedStatusText(translated, position_, maximum_) : translated;
    StatusLabelChanged(label_);
}

void ExportStatus::BeginExport(const std::string& saveFolder) {
    ShowStatusText(kInitialisingText, false);
    SetFinished(false);
    SetOpenFolderEnabled(false);
    SetSaveFolder(saveFolder);
    SetCancelled(false);
}

bool ExportStatus::HoldUntilAnswered(std::function<void()>) { return false; }

}  // namespace kalidor
