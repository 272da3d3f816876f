#pragma once
// Helpers shared by the test programs: scratch folders and whole-file reads and writes.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kalidor::test {

// A fresh folder under the system temporary folder, removed with everything in it on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as the engine holds folders: a string ending in '/'.
    std::string dir() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> readBytes(const std::filesystem::path& file);
void writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);
std::string readText(const std::filesystem::path& file);
void writeText(const std::filesystem::path& file, const std::string& text);

// Runs `body` in a child process (which may change its user, environment or mounts freely) and
// returns the text it returned; throws when the child fails or `body` throws.
std::string runInChild(const std::function<std::string()>& body);

// Runs `body` in a child process that holds no root rights (as root, permissions do not hold:
// the child becomes nobody, and everything under `tree` is handed to nobody first), and returns
// the text `body` returned. A test of what a read-only folder refuses runs its calls in here.
std::string runWithoutRoot(const std::filesystem::path& tree, const std::function<std::string()>& body);

// The other processes running now, by pid, with their command lines (arguments separated by
// NULs). A process that ends while they are read is left out.
std::map<int, std::string> otherProcesses();

// Every file of a folder by name, with its bytes.
std::map<std::string, std::vector<std::uint8_t>> filesIn(const std::filesystem::path& folder);

}  // namespace kalidor::test
