#pragma once
// What the progress dialog of an export does, for the render thread and for whatever shows the
// export to the user (the desktop dialog, the terminal). The bar, its counter and the cancel
// mark live here; an implementation only draws them.
//
// Threads: every call comes on the owner's thread, through the export's Dispatcher. The render
// thread never calls an implementation directly.

#include "translation/message.h"

#include <functional>
#include <string>

namespace kalidor {

// The label of a counted status: text + " (" position+1 "/" maximum+1 ")". With the range
// 0..n-1 and the position at the item in work, it reads "item k of n".
std::string CountedStatusText(const std::string& text, int position, int maximum);

inline constexpr const char* kInitialisingText = QT_TRANSLATE_NOOP("Messages", "初期化中････");
inline constexpr const char* kCancelQuestion = QT_TRANSLATE_NOOP("Messages", "キャンセルしてよろしいですか？");

// Which of the dialog's buttons can be pressed.
struct StatusButtons {
    bool cancel = false;
    bool openFolder = false;
    bool close = false;
    bool operator==(const StatusButtons&) const = default;
};

// While the render thread works: only Cancel.
inline constexpr StatusButtons kWorkingButtons{true, false, false};

class ExportStatus {
public:
    virtual ~ExportStatus() = default;

    // Sets the bar's range and puts its position at the minimum. A maximum below the minimum
    // is taken as the minimum, as progress bars do.
    void SetProgressRange(int minimum, int maximum);
    // Moves the bar; a position outside the range is held at its nearer end.
    void SetProgressPosition(int position);
    // Shows the text in the user's language (Translate), with the counter of the bar's position
    // and maximum when asked.
    void ShowStatusText(const Message& text, bool withCounter);
    // A message as the user reads it; the program's own Japanese unless an implementation
    // translates.
    virtual std::string Translate(const Message& message) const { return message.Japanese(); }

    int ProgressMinimum() const noexcept { return minimum_; }
    int ProgressMaximum() const noexcept { return maximum_; }
    int ProgressPosition() const noexcept { return position_; }
    const std::string& StatusLabel() const noexcept { return label_; }
    // Counts SetProgressRange calls, so a drawing can tell a label made for an earlier range.
    int RangeSerial() const noexcept { return rangeSerial_; }

    // The user has confirmed the cancellation. Implementations whose cancel comes from
    // elsewhere (a signal on the terminal) override it.
    virtual bool Cancelled() const { return cancelled_; }
    void SetCancelled(bool cancelled) { cancelled_ = cancelled; }
    // Asked by the export before it puts the new movie in place. While the user is being asked
    // whether to cancel, the answer decides: an implementation that is asking keeps `release`,
    // calls it once the answer is in (Cancelled set after a yes) and returns true. False: no
    // question is open, go on. Once a call returned true, `release` is called exactly once.
    virtual bool HoldUntilAnswered(std::function<void()> release);

    // The movie's folder, ending in '/', which the open-folder button opens.
    void SetSaveFolder(const std::string& folder) { saveFolder_ = folder; }
    const std::string& SaveFolder() const noexcept { return saveFolder_; }

    // The dialog as an export starts: "初期化中････", only Cancel enabled, the movie's folder,
    // not cancelled.
    void BeginExport(const std::string& saveFolder);

    // Finished: Close enabled, Cancel disabled; working: the other way round.
    virtual void SetFinished(bool finished) = 0;
    // The new movie is being put in place: a cancel counts for nothing from now on, so Cancel
    // is disabled until the export ends.
    virtual void CancelClosed() {}
    virtual void SetOpenFolderEnabled(bool enabled) = 0;
    // Why a failed export failed (a picture that cannot be read, an encoder that cannot be
    // started), translated, shown besides the result text.
    virtual void ShowFailureDetail(const std::string& message) = 0;

protected:
    // The bar or the label has changed; draw it.
    virtual void ProgressChanged(int minimum, int maximum, int position) = 0;
    virtual void StatusLabelChanged(const std::string& label) = 0;

private:
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
    int rangeSerial_ = 0;
    std::string label_;
    std::string saveFolder_;
    bool cancelled_ = false;
};

}  // namespace kalidor
