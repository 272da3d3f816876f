#include "platform/command_line.h"

#include <climits>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isExecutableFile(const std::filesystem::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(file.c_str(), X_OK) == 0;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n && isBlank(line[i]))
        ++i;
    if (i == n)
        return args;

    // The program name: quotes group, backslashes are plain.
    {
        std::string word;
        bool quoted = false;
        for (; i < n && (quoted || !isBlank(line[i])); ++i) {
            if (line[i] == '"')
                quoted = !quoted;
            else
                word += line[i];
        }
        args.push_back(std::move(word));
    }

    for (;;) {
        while (i < n && isBlank(line[i]))
            ++i;
        if (i == n)
            break;
        std::string word;
        bool quoted = false;
        while (i < n && (quoted || !isBlank(line[i]))) {
            if (line[i] == '\\') {
                std::size_t backslashes = 0;
                while (i < n && line[i] == '\\') {
                    ++backslashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    word.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) {
                        word += '"';
                        ++i;
                    }
                    // An even count leaves the quote to toggle quoting below.
                } else {
                    word.append(backslashes, '\\');
                }
                continue;
            }
            if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    word += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            word += line[i++];
        }
        args.push_back(std::move(word));
    }
    return args;
}

bool CanQuoteInCommandLine(std::string_view path) {
    return path.find('"') == std::string_view::npos && path.find('\0') == std::string_view::npos &&
           (path.empty() || path.back() != '\\');
}

std::filesystem::path ResolveProgram(const std::string& name, const std::filesystem::path& programFolder,
                                     std::string_view searchPath) {
    if (name.empty())
        return {};
    if (name.front() == '/')
        return isExecutableFile(name) ? std::filesystem::path(name) : std::filesystem::path();
    if (name.find('/') != std::string::npos) {
        if (programFolder.empty())
            return {};
        // "lib/ffmpeg" is where the build tree keeps it (<bin>/lib/ffmpeg). Installed, nothing may
        // be a folder of bin, so the programs' helpers sit in <bin>/../libexec/kalidor/; that place
        // is tried first, so an installation over an older one never starts the older helper.
        constexpr std::string_view kHelperFolder = "lib/";
        if (name.starts_with(kHelperFolder)) {
            auto installed = programFolder / "../libexec/kalidor" / name.substr(kHelperFolder.size());
            if (isExecutableFile(installed))
                return installed;
        }
        auto file = programFolder / name;
        return isExecutableFile(file) ? file : std::filesystem::path();
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(searchPath.find(':', start), searchPath.size());
        std::string_view folder = searchPath.substr(start, end - start);
        auto file = folder.empty() ? std::filesystem::path(name) : std::filesystem::path(folder) / name;
        if (isExecutableFile(file))
            return folder.empty() ? std::filesystem::current_path() / name : file;
        if (end == searchPath.size())
            return {};
        start = end + 1;
    }
}

std::filesystem::path ExecutableFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

std::string ProgramSearchPath() {
    if (const char* path = std::getenv("PATH"))
        return path;
    std::string fallback(::confstr(_CS_PATH, nullptr, 0), '\0');
    if (fallback.empty())
        return "/bin:/usr/bin";
    ::confstr(_CS_PATH, fallback.data(), fallback.size());
    fallback.pop_back();  // confstr's terminating NUL
    return fallback;
}

}  // namespace kalidor
