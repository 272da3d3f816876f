#pragma once
// Runs the built kalidor-cli and collects what it printed.

#include <string>
#include <vector>

namespace kalidor::test {

struct CliResult {
    int exitCode = -1;  // -1 when it did not exit normally (a crash)
    std::string out;
    std::string err;
};

CliResult runCli(const std::vector<std::string>& args);

}  // namespace kalidor::test
