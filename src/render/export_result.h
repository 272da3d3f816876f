#pragma once
// How an export ended: the flags the render thread leaves to its owner, the four results and
// what the owner does when the thread has ended (remove the frames, show the result).

#include "render/export_status.h"

#include <string>

namespace kalidor {

// Owned by whoever starts the export; written only by the render thread's synchronized steps,
// so the owner reads them on its own thread without a lock. Start each export with fresh ones.
struct ExportFlags {
    bool EncodeSucceeded = false;
    bool DiskSpaceShort = false;
    Message FailureMessage;  // why it failed, when something went wrong before or at the encoder's start
    // Another export of the same project was running (in any process): this one was refused,
    // and that one's tmp/ is not this one's to remove.
    bool ProjectInUse = false;
    // The export's decision on the user's cancel, taken once: Cancelled (nothing of the new
    // movie was put in place) or MovieCommitted (it was being put in place; a cancel from then
    // on counts for nothing). Never both.
    bool Cancelled = false;
    bool MovieCommitted = false;
};

enum class ExportResult {
    Cancelled,       // the export took the user's cancel before the movie was put in place
    Completed,       // the encoder ended with exit code 0
    DiskSpaceShort,  // the temporary folder's volume ran short
    Failed,          // anything else
};

// From the flags alone: a cancel the export did not take (the movie was already being put in
// place) is no result.
ExportResult DecideExportResult(const ExportFlags& flags);

// The text the progress dialog shows for a result, marked for translation.
const char* ExportResultMessage(ExportResult result);

// The buttons once a result is shown: Close, and the open-folder button after success only.
StatusButtons FinishedButtons(ExportResult result);

// The label under the bar after the end: the result text and, for a failure with a known
// reason, that reason on the line below; both as the program writes them.
std::string ResultLabelText(ExportResult result, const Message& failureDetail);

// What the owner does when the render thread has ended, on its own thread: removes
// projectDir + "tmp" (also when the thread already did; not when the project was in use by
// another export, whose frames are there), marks the dialog finished, enables
// the open-folder button after success, shows the result text without a counter and, after a
// failure with a known reason, that reason (both through the dialog's Translate). Returns the result, decided by the flags (the
// dialog's cancel mark is the render thread's to read).
ExportResult FinishExport(const std::string& projectDir, ExportStatus& status, const ExportFlags& flags);

}  // namespace kalidor
