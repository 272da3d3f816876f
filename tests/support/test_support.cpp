#include "support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace kalidor::test {

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

}  // namespace kalidor::test
