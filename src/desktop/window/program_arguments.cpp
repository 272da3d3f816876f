#include "desktop/window/program_arguments.h"

#include <iostream>
#include <string_view>

namespace kalidor {
namespace {

constexpr int kExitUsage = 2;  // as kalidor-cli's

void printUsage(std::ostream& out) {
    out << "usage: kalidor [--help | --version] [Qt options]\n"
           "\n"
           "Turns still pictures into a short movie. It takes no files: the projects are kept in\n"
           "the workspace, $KALIDOR_HOME/Orvane/Kalidor/ when KALIDOR_HOME is set, else\n"
           "$XDG_DATA_HOME/Orvane/Kalidor/ (~/.local/share/Orvane/Kalidor/).\n"
           "Qt's own options, such as -platform offscreen, are Qt's. See kalidor(1).\n";
}

}  // namespace

std::optional<int> AnswerInformationArguments(int argc, const char* const* argv, const char* version) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            printUsage(std::cout);
            return 0;
        }
        if (arg == "--version") {
            std::cout << "kalidor " << version << "\n";
            return 0;
        }
    }
    return std::nullopt;
}

std::optional<int> RefuseUnknownArguments(int argc, const char* const* argv) {
    if (argc < 2)
        return std::nullopt;
    const std::string_view arg = argv[1];
    std::cerr << "kalidor: " << (arg.starts_with("-") ? "unknown option " : "unexpected argument ") << arg << "\n";
    printUsage(std::cerr);
    return kExitUsage;
}

}  // namespace kalidor
