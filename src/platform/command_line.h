#pragma once
// Command lines written the Windows way (program, then arguments, in one string) turned into
// an argument vector and a program file, so that a child is started without a shell.
//
// Splitting follows the rules of the Microsoft C runtime for argv (the ones CommandLineToArgvW
// shares for everything but corner cases of the program name):
//   - Blanks (space, tab) outside double quotes separate arguments; runs of them count once.
//   - The program name (first word) is special: a double quote toggles quoting and is dropped,
//     backslashes are plain characters.
//   - In the other arguments a double quote toggles quoting and is dropped; "..." may be
//     embedded in a word (a"b c"d is one argument: ab cd). Inside quotes, "" gives one literal
//     quote and quoting goes on. A quoted empty string ("") is an empty argument.
//   - Backslashes are literal unless they stand right before a double quote: 2n of them give n
//     backslashes and the quote toggles quoting; 2n+1 give n backslashes and a literal quote.
//   - A quote left open runs to the end of the line.
// Nothing else is special: no variables, globbing, carets or redirection.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kalidor {

std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Whether `path` can stand between double quotes on such a line and come out unchanged as one
// argument. False for a path holding a double quote (no quoting keeps it whole), one ending in
// a backslash (it would escape the closing quote) or one holding a NUL byte. Callers refuse
// such a path with a message instead of building the line.
bool CanQuoteInCommandLine(std::string_view path);

// The file to start for the program name of a command line, or an empty path when there is no
// such executable regular file:
//   - an absolute name is taken as it is;
//   - a relative name with a '/' ("lib/ffmpeg") is taken relative to `programFolder` (the
//     folder of the running executable), never to the current folder, which may move; a name
//     in lib/ is looked for first in ../libexec/kalidor/ from there, where an installation
//     keeps it (<prefix>/bin/kalidor-cli starts <prefix>/libexec/kalidor/ffmpeg; the build
//     tree's build/bin/kalidor-cli starts build/bin/lib/ffmpeg);
//   - a bare name is searched in the folders of `searchPath` (the PATH format; empty entries
//     mean the current folder, as shells take them).
std::filesystem::path ResolveProgram(const std::string& name, const std::filesystem::path& programFolder,
                                     std::string_view searchPath);

// The folder of the running executable (from /proc/self/exe); empty if it cannot be read.
std::filesystem::path ExecutableFolder();

// PATH, or the system's default search path when PATH is not set.
std::string ProgramSearchPath();

}  // namespace kalidor
