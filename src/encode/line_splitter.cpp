#include "encode/line_splitter.h"

namespace kalidor {

std::vector<OutputLine> LineSplitter::Feed(std::string_view bytes) {
    std::vector<OutputLine> lines;
    std::string current = std::move(pending_);
    pending_.clear();
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '\0')
            continue;
        if (c == '\n' && lineEndedByCR_) {
            // The LF of a CR LF whose CR ended the line already (at the end of a read, or
            // before NULs).
            lineEndedByCR_ = false;
            lastLineEnd_ = rcCRLF;
            continue;
        }
        if (c == '\r' || c == '\n') {
            TReturnCode end = rcLF;
            lineEndedByCR_ = false;
            if (c == '\r') {
                if (i + 1 < n && bytes[i + 1] == '\n') {
                    end = rcCRLF;
                    ++i;
                } else {
                    lineEndedByCR_ = true;
                }
            }
            lastLineEnd_ = end;
            lines.push_back({std::move(current), otCompleteLine, end});
            current.clear();
            continue;
        }
        lineEndedByCR_ = false;
        current += c;
    }
    pending_ = std::move(current);
    if (!pending_.empty())
        lines.push_back({pending_, otPartialLine, rcLF});
    if (!lines.empty())
        lastReportPartial_ = lines.back().type == otPartialLine;
    return lines;
}

OutputLine LineSplitter::Echo(std::string_view input) {
    if (lastReportPartial_)
        pending_ += input;
    else
        pending_.assign(input);
    lineEndedByCR_ = false;

    const std::size_t crlf = input.find("\r\n");
    const std::size_t lf = input.find('\n');
    const bool finished = crlf != std::string_view::npos ? crlf + 2 == input.size()
                                                          : lf != std::string_view::npos && lf + 1 == input.size();
    OutputLine line{pending_, finished ? otCompleteLine : otPartialLine, rcLF};
    if (finished)
        pending_.clear();
    lastReportPartial_ = !finished;
    return line;
}

}  // namespace kalidor
