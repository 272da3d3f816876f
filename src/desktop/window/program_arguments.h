#pragma once
// The desktop program's command line. It opens no files and has no options of its own beyond
// --help and --version; Qt's own (-platform, -style, -display, ...) are taken by QApplication.

#include <optional>

namespace kalidor {

// Answers --help or --version on standard output, before anything needs a display or the
// instance lock. Returns the exit code when the program should end there.
std::optional<int> AnswerInformationArguments(int argc, const char* const* argv, const char* version);

// Refuses, naming it on standard error, the first argument QApplication left in argv (it
// removes the options it takes). Returns the exit code when there is one.
std::optional<int> RefuseUnknownArguments(int argc, const char* const* argv);

}  // namespace kalidor
