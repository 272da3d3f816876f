#pragma once
// Qt Linguist's translation source files (.ts, XML), read without Qt: the build compiles them
// into the catalogues of the code below the desktop program (catalogue.h), so that the command
// line speaks as the window does.
//
// Reading throws kalidor::TsError naming the file and the line: not well-formed XML, no <TS>
// root, a message without its source, or plural forms (numerus), which the catalogues do not hold.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kalidor {

class TsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TsMessage {
    std::string context;
    std::string source;
    std::string translation;
    // Qt's states: "" (finished), "unfinished", "vanished" or "obsolete" (no longer in the code).
    std::string type;
};

struct TsFile {
    std::string language;  // the <TS> element's language attribute, as "en" or "pt_BR"
    std::vector<TsMessage> messages;
};

TsFile ParseTsFile(std::string_view xml, const std::string& fileName);

// The translations lrelease puts into a .qm: not empty, not vanished or obsolete.
bool IsReleased(const TsMessage& message);

}  // namespace kalidor
