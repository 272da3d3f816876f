#include "support/test_support.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kalidor::test {
namespace {

// Every test program, and every kalidor-cli it starts, speaks the program's own language under
// C.UTF-8, as CI machines have it, whatever the developer's locale; a check of another language
// gives its child the environment it wants.
const bool kProgramsOwnLanguage = [] {
    setenv("LC_ALL", "C.UTF-8", 1);
    for (const char* name : {"LANGUAGE", "KALIDOR_LANGUAGE"}) unsetenv(name);
    return true;
}();

}  // namespace

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kalidor-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a scratch folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Restore write permission that a test may have taken away, so everything can go.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string runInChild(const std::function<std::string()>& body) {
    int channel[2];
    if (pipe(channel) != 0)
        throw std::runtime_error("cannot make a pipe");
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::string said;
        try {
            said = body();
        } catch (...) {
            _exit(3);
        }
        for (std::size_t at = 0; at < said.size();) {
            const ssize_t written = write(channel[1], said.data() + at, said.size() - at);
            if (written <= 0)
                _exit(4);
            at += static_cast<std::size_t>(written);
        }
        _exit(0);
    }
    close(channel[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the child process failed");
    return said;
}

std::string runWithoutRoot(const std::filesystem::path& tree, const std::function<std::string()>& body) {
    const bool root = geteuid() == 0;
    if (root) {
        std::error_code ec;
        lchown(tree.c_str(), 65534, 65534);
        for (auto it = std::filesystem::recursive_directory_iterator(tree, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            lchown(it->path().c_str(), 65534, 65534);
    }
    return runInChild([&] {
        if (root && (setgid(65534) != 0 || setuid(65534) != 0))
            throw std::runtime_error("cannot become nobody");
        return body();
    });
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::string readText(const std::filesystem::path& file) {
    auto bytes = readBytes(file);
    return {bytes.begin(), bytes.end()};
}

void writeText(const std::filesystem::path& file, const std::string& text) {
    writeBytes(file, {text.begin(), text.end()});
}

std::map<std::string, std::vector<std::uint8_t>> filesIn(const std::filesystem::path& folder) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = readBytes(entry.path());
    return files;
}

std::map<int, std::string> otherProcesses() {
    std::map<int, std::string> processes;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string pid = it->path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || std::stoi(pid) == ::getpid())
            continue;
        // Read with read(2): a stream reading a process that has just ended throws (ESRCH).
        const int fd = ::open((it->path() / "cmdline").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        std::string cmdline;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            cmdline.append(buffer, static_cast<std::size_t>(n));
        ::close(fd);
        if (n == 0)
            processes.emplace(std::stoi(pid), std::move(cmdline));
    }
    return processes;
}

}  // namespace kalidor::test
