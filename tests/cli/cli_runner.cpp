#include "cli/cli_runner.h"

#include "support/test_support.h"

#include <algorithm>
#include <string_view>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace kalidor::test {

CliResult runCli(const std::vector<std::string>& args, const std::vector<std::string>& environment) {
    TempFolder scratch;
    const std::string outPath = scratch.dir() + "out", errPath = scratch.dir() + "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string program = std::string(KALIDOR_BIN_DIR) + "/kalidor-cli";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> env;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view name(*entry, std::string_view(*entry).find('='));
        if (std::none_of(environment.begin(), environment.end(),
                         [&](const std::string& given) { return given.substr(0, given.find('=')) == name; }))
            env.push_back(*entry);
    }
    for (const auto& given : environment) env.push_back(const_cast<char*>(given.c_str()));
    env.push_back(nullptr);
    pid_t pid = 0;
    CliResult result;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), env.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = readText(outPath);
    result.err = readText(errPath);
    return result;
}

}  // namespace kalidor::test
