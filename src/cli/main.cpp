// kalidor-cli: the engine from a terminal.

#include "cli/commands.h"
#include "platform/error.h"
#include "translation/catalogue.h"

#include <iostream>

namespace kalidor::cli {

void reportError(const std::string& message) { std::cerr << "kalidor-cli: " << message << std::endl; }

void reportError(const Message& message) { reportError(Catalogue::ForInterface()(message)); }

namespace {

void printUsage(std::ostream& out) {
    out << "usage: kalidor-cli <command> [arguments]\n"
           "       kalidor-cli --help | --version\n"
           "\n"
           "commands:\n"
           "  info <project-folder>                     show a project's settings, pictures and encoder line\n"
           "  new <project-folder> <picture>...         make a project of the pictures, with default settings\n"
           "  export <project-folder> [--out PATH] [--format mp4|avi|mpeg] [--size WxH]\n"
           "         [--quality 0-4] [--music FILE] [--workers N] [--frames-first] [--dry-run]\n"
           "                                            make the movie (options apply to this run only)\n"
           "  frames <project-folder> <output-folder>   write the movie's frames as numbered JPEG files\n"
           "         [--workers N]                       frame workers (default: one per core)\n"
           "\n"
           "Exit codes: 0 done, 1 failed, 2 wrong usage, 4 out of temporary disk space, 130 cancelled.\n"
           "See kalidor-cli(1).\n";
}

}  // namespace
}  // namespace kalidor::cli

int main(int argc, char** argv) {
    using namespace kalidor::cli;
    if (argc < 2) {
        printUsage(std::cerr);
        return kExitUsage;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "info")
            return runInfo(args);
        if (command == "new")
            return runNew(args);
        if (command == "export")
            return runExport(args);
        if (command == "frames")
            return runFrames(args);
        if (command == "--help" || command == "-h" || command == "help") {
            printUsage(std::cout);
            return kExitOk;
        }
        if (command == "--version") {
            std::cout << "kalidor-cli " KALIDOR_VERSION "\n";
            return kExitOk;
        }
        reportError(command.starts_with("-") ? "unknown option " + command : "unknown command \"" + command + "\"");
        printUsage(std::cerr);
        return kExitUsage;
    } catch (const std::exception& e) {
        reportError(kalidor::MessageOf(e));
        return kExitFailed;
    }
}
