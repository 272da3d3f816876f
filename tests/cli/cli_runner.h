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

// `environment`: "NAME=value" entries in place of the test's own.
CliResult runCli(const std::vector<std::string>& args, const std::vector<std::string>& environment = {});

}  // namespace kalidor::test
