#pragma once
// The export's progress on the terminal: the pass texts, in the interface's language, with their
// counters and a bar on standard error (redrawn in place on a terminal, a line per tenth in a
// log); Ctrl-C cancels.
// A counted text is drawn only when its counter, the bar's range and position agree.

#include "render/export_status.h"

#include <string>

namespace kalidor::cli {

class TerminalStatus : public ExportStatus {
public:
    TerminalStatus();

    bool Cancelled() const override;
    // In the interface's language (Catalogue::ForInterface).
    std::string Translate(const Message& message) const override;
    void SetFinished(bool) override {}
    void SetOpenFolderEnabled(bool) override {}
    void ShowFailureDetail(const std::string& message) override { failureDetail_ = message; }
    const std::string& FailureDetail() const noexcept { return failureDetail_; }
    // Ends the bar's line.
    void Finish();

protected:
    void ProgressChanged(int minimum, int maximum, int position) override;
    void StatusLabelChanged(const std::string& label) override;

private:
    void draw();
    // Whether the label's counter belongs to the bar as it is now; only then is it drawn.
    bool labelAgrees() const;

    bool tty_;
    bool drawn_ = false;
    int lastTenth_ = -1;
    std::string lastText_;
    bool counted_ = false;
    int labelRange_ = 0;   // RangeSerial when the label was made
    int seenRange_ = 0;    // the last RangeSerial ProgressChanged saw
    std::string rangeText_;  // the pass text when the range last changed
    std::string failureDetail_;
};

}  // namespace kalidor::cli
