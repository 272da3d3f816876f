#pragma once
// Cuts the output of a console program into lines, read by read. Pure: the process runner
// feeds it what each read returned and reports what comes out.
//
//   - CR LF, a lone LF and a lone CR each end a line; the line text holds no line break.
//   - A CR that ends one read and an LF that starts the next are one line end, not two; NUL
//     bytes are dropped wherever they stand, also between such a CR and LF.
//   - Text not yet ended by a line break is reported as partial after every read that leaves
//     it pending; it may be reported again, grown, and finally once as a complete line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kalidor {

enum TOutputType : std::uint8_t {
    otCompleteLine = 0,  // ended by a line break
    otPartialLine = 1,   // not ended yet; may grow
};

enum TReturnCode : std::uint8_t {
    rcCRLF = 0,
    rcLF = 1,  // also a lone CR
};

struct OutputLine {
    std::string text;
    TOutputType type = otCompleteLine;
    TReturnCode lineEnd = rcLF;  // how a complete line ended; rcLF for partial text

    bool operator==(const OutputLine&) const = default;
};

class LineSplitter {
public:
    // Cuts one read: the complete lines it ends, in order, then the pending text as partial
    // when it is not empty.
    std::vector<OutputLine> Feed(std::string_view bytes);

    // Text the runner wrote to the child's input and reports as output too. It continues the
    // pending text when the last report was partial and replaces it otherwise. It is complete
    // (line break bytes kept) when its first CR LF, or else its first LF, is its very end.
    OutputLine Echo(std::string_view input);

    // The text not yet ended by a line break.
    const std::string& Pending() const noexcept { return pending_; }

    // The end of the last complete line; a CR later joined by an LF counts as CR LF.
    TReturnCode LastLineEnd() const noexcept { return lastLineEnd_; }

private:
    std::string pending_;
    bool lineEndedByCR_ = false;  // last byte (NULs aside) was a CR that ended a line
    bool lastReportPartial_ = false;
    TReturnCode lastLineEnd_ = rcCRLF;
};

}  // namespace kalidor
